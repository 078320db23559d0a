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

int writeDatedRescueFile(const QString& folder, const QByteArray& bytes, const QDateTime& when, QString& path)
{
    QString name;
    // A name that is not there after a failed write was not taken by
    // another file: this folder takes nothing.
    const int written = PosixIo::takeDatedName(
        QStringLiteral("ojwrescue"), when,
        [&](const QString& candidate) {
            const QString candidatePath = QDir(folder).filePath(candidate);
            if (writeNew(candidatePath, bytes))
                return 0;
            return QFileInfo(candidatePath).exists() || QFileInfo(candidatePath).isSymLink() ? EEXIST : EIO;
        },
        name);
    path = QDir(folder).filePath(name);
    return written;
}

QString writeRescueFile(const QStringList& folders, const DateSettings& dates, const QDate& day,
                        const QString& text, const FileError& cause)
{
    // The entry in the entry file's own form, so that it reads back as the
    // text the user typed, even lines that look like the file's marks.
    const QByteArray bytes = EntryLines::entryBytes(dates, day, text);
    const QDateTime now = QDateTime::currentDateTime();

    std::fprintf(stderr, "Ombrel JotWell: the entry for %s could not be saved.\n%s: %s\n",
                 qPrintable(dates.longText(day)), qPrintable(cause.file), qPrintable(cause.reason));
    for (const QString& folder : folders) {
        QString path;
        if (writeDatedRescueFile(folder, bytes, now, path) == 0) {
            std::fprintf(stderr, "The unsaved text is in %s\n", qPrintable(path));
            return path;
        }
    }
    // The text itself stays out of here: standard error often ends in a
    // journal that others can read.
    std::fprintf(stderr, "No rescue file could be written in %s, so the unsaved text is lost.\n",
                 qPrintable(folders.join(QLatin1String(", "))));
    return QString();
}
