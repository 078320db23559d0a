#include "recovery/rescue_file.h"

#include "platform/core/date_settings.h"
#include "platform/core/file_error.h"
#include "files/atomic_file.h"
#include "store/entry_lines.h"
#include "files/posix_io.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>

namespace {

// A new file under a name of its own, never one that is there already, nor
// a link someone planted under it.
bool writeNew(const QString& path, const QByteArray& bytes)
{
    AtomicFile file(path);
    file.setTempPrefix(".ojwrescue");
    file.setNoReplace();
    if (file.open())
        return false;
    file.writer().write(bytes);
    return !file.commit();
}

} // namespace

QStringList rescueFolders(const QString& applicationFolder)
{
    QStringList folders{applicationFolder, QDir::homePath()};
    if (const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR"); !runtime.isEmpty())
        folders.append(runtime);
    return folders;
}

QString writeRescueFile(const QStringList& folders, const DateSettings& dates, const QDate& day,
                        const QString& text, const FileError& cause)
{
    // The entry in the entry file's own form, so that it reads back as the
    // text the user typed, even lines that look like the file's marks.
    const QByteArray bytes = EntryLines::entryBytes(dates, day, text);
    const QString stem = QStringLiteral("ojwrescue-%1")
                             .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));

    std::fprintf(stderr, "Ombrel JotWell: the entry for %s could not be saved.\n%s: %s\n",
                 qPrintable(dates.longText(day)), qPrintable(cause.file), qPrintable(cause.reason));
    for (const QString& folder : folders) {
        for (int n = 1; n <= 100; ++n) {
            const QString name = n == 1 ? stem + QLatin1String(".txt") : QStringLiteral("%1-%2.txt").arg(stem).arg(n);
            const QString path = QDir(folder).filePath(name);
            if (writeNew(path, bytes)) {
                std::fprintf(stderr, "The unsaved text is in %s\n", qPrintable(path));
                return path;
            }
            if (!QFileInfo(path).exists() && !QFileInfo(path).isSymLink())
                break; // not taken: this folder takes nothing
        }
    }
    std::fprintf(stderr, "No rescue file could be written. The unsaved text follows.\n%s\n",
                 text.toUtf8().constData());
    return QString();
}
