// The unsaved-text file a copy of the program left behind, whatever it
// holds: reading it never fails or changes it, and a file in the program's
// own form gives back the day and the text it was written for.

#include "fuzz_support.h"
#include "recovery/recovery_file.h"
#include "store/entry_lines.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>


namespace {

// A file no running copy holds: left, where this machine keeps it for the
// folder or, from before that, in the folder itself.
QString leftFile(const QByteArray& bytes, bool inStateFolder)
{
    const QString name = QStringLiteral("/ojwunsaved-elsewhere-1.txt");
    const QString kept = RecoveryFile::folderFor(scratchFolder());
    QDir().mkpath(kept);
    QFile::remove(kept + name);
    QFile::remove(scratchFolder() + name);
    const QString path = (inStateFolder ? kept : scratchFolder()) + name;
    writeFile(path, bytes);
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Never the user's own state folder.
    static const bool ownState = qputenv("XDG_STATE_HOME", (scratchFolder() + QStringLiteral("/state")).toLocal8Bit());
    (void)ownState;
    FuzzInput input(data, size);
    const DateSettings& dates = fuzzDates(input.byte());
    const uint8_t form = input.byte();
    const bool ownForm = form & 1;
    const QDate day = QDate(2000, 1, 1).addDays(input.byte() * 97);
    const QByteArray rest = input.rest().toByteArray();

    // The pad never holds a lone CR: the entry file reads one as a line end.
    QString text = QString::fromUtf8(rest);
    text.replace(QRegularExpression(QStringLiteral("\r(?!\n)")), QStringLiteral("\n"));
    const QByteArray bytes = ownForm ? "Ombrel JotWell: unsaved text\r\n"
                                       "written 2026-12-07T10:15:30\r\nday "
                                           + day.toString(Qt::ISODate).toUtf8() + "\r\n"
                                           + EntryLines::entryBytes(dates, day, text)
                                     : rest;
    const QString path = leftFile(bytes, form & 2);

    const QList<RecoveryFile::Left> left = RecoveryFile::leftBehind(scratchFolder());
    FUZZ_CHECK(left.size() <= 1, "one file, one text at the most");
    FUZZ_CHECK(readFile(path) == bytes, "reading leaves the file as it was");
    for (const RecoveryFile::Left& l : left) {
        FUZZ_CHECK(l.path == path, "the text names its file");
        FUZZ_CHECK(l.day.isValid(), "the text names its day");
    }
    if (ownForm) {
        FUZZ_CHECK(left.size() == 1, "a file in the program's form is read");
        FUZZ_CHECK(left.first().day == day, "the day comes back");
        FUZZ_CHECK(left.first().text == text, "the text comes back");
    }
    return 0;
}
