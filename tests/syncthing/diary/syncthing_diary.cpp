// A small copy of the program for the two-machine test: saves a day's text
// as the program does, through the entry file with this machine's history,
// or merges the conflict copies and the saves a sync service threw away, as
// the program does at start and when its folder changes.
//
//   syncthing_diary <folder> <machine> save <yyyy-mm-dd> <line>...
//   syncthing_diary <folder> <machine> merge
//
// Ends with status 2 when a save or the merge reports a problem.

#include "history/history.h"
#include "platform/core/date_settings.h"
#include "store/entry_file.h"
#include "sync/conflict_copies.h"

#include <QDate>
#include <QLocale>
#include <QStringList>

#include <cstdio>

namespace {

int save(EntryFile& entries, const QDate& day, const QString& text)
{
    QString shown;
    auto failure = entries.load(day, shown);
    if (!failure)
        failure = entries.save(day, text, false, shown).error;
    if (failure) {
        std::fprintf(stderr, "save: %s\n", qPrintable(failure->message()));
        return 2;
    }
    return 0;
}

int merge(const QString& folder, const DateSettings& dates, EntryFile& entries, const History& history)
{
    ConflictCopies::Report report = ConflictCopies::mergeAll(folder, dates, entries, history);
    ConflictCopies::bringBackThrownAway(folder, dates, entries, history, report);
    for (const auto& [file, days] : report.daysFrom)
        std::printf("%d days from %s\n", days, qPrintable(file));
    for (const FileError& problem : report.problems)
        std::fprintf(stderr, "merge: %s\n", qPrintable(problem.message()));
    return report.problems.isEmpty() ? 0 : 2;
}

} // namespace

int main(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const bool saving = args.size() >= 5 && args[2] == u"save";
    if (!saving && (args.size() != 3 || args[2] != u"merge")) {
        std::fprintf(stderr, "usage: syncthing_diary <folder> <machine> save <yyyy-mm-dd> <line>...\n"
                             "       syncthing_diary <folder> <machine> merge\n");
        return 1;
    }
    const DateSettings dates(QLocale(QLocale::English, QLocale::UnitedKingdom));
    EntryFile entries(args[0], dates);
    History history(args[0], args[1]);
    entries.setRecorder(&history);
    if (!saving)
        return merge(args[0], dates, entries, history);
    const QDate day = QDate::fromString(args[3], Qt::ISODate);
    if (!day.isValid()) {
        std::fprintf(stderr, "not a day: %s\n", argv[4]);
        return 1;
    }
    return save(entries, day, args.mid(4).join(QStringLiteral("\r\n")));
}
