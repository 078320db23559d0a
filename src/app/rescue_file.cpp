#include "app/rescue_file.h"

#include "platform/core/date_settings.h"
#include "platform/core/file_error.h"
#include "store/entry_lines.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <cstdio>

namespace {

bool writeNew(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    const bool written = file.write(bytes) == bytes.size() && file.flush();
    file.close();
    if (!written)
        file.remove();
    return written;
}

} // namespace

QString writeRescueFile(const QStringList& folders, const DateSettings& dates, const QDate& day,
                        const QString& text, const FileError& cause)
{
    // The entry in the entry file's own form, so that it reads back as the
    // text the user typed, even lines that look like the file's marks.
    const QByteArray bytes = EntryLines::entryBytes(dates, day, text);
    const QString name = QStringLiteral("ojwrescue-%1.txt")
                             .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));

    std::fprintf(stderr, "Ombrel JotWell: the entry for %s could not be saved.\n%s: %s\n",
                 qPrintable(dates.longText(day)), qPrintable(cause.file), qPrintable(cause.reason));
    for (const QString& folder : folders) {
        const QString path = QDir(folder).filePath(name);
        if (writeNew(path, bytes)) {
            std::fprintf(stderr, "The unsaved text is in %s\n", qPrintable(path));
            return path;
        }
    }
    std::fprintf(stderr, "No rescue file could be written. The unsaved text follows.\n%s\n",
                 text.toUtf8().constData());
    return QString();
}
