#include "versions/earlier_versions.h"

#include "platform/core/date_settings.h"

#include <QStringTokenizer>

#include <algorithm>

namespace {

// Longer than any row the window is wide enough for; the list cuts the
// rest to its width.
constexpr qsizetype firstWordsLength = 120;

QString firstWords(const QString& text)
{
    for (QStringView line : qTokenize(text, u'\n')) {
        line = line.trimmed(); // the CR of a CR LF too
        if (line.isEmpty())
            continue;
        if (line.size() <= firstWordsLength)
            return line.toString();
        return line.first(firstWordsLength).toString() + QChar(0x2026);
    }
    return {};
}

} // namespace

namespace EarlierVersions {

QList<HistoryRecord> of(const QList<HistoryRecord>& oldestFirst)
{
    QList<HistoryRecord> versions;
    for (const HistoryRecord& record : oldestFirst) {
        if (!record.before.isEmpty() && record.before != record.after)
            versions.append(record);
    }
    std::reverse(versions.begin(), versions.end());
    return versions;
}

QString replacedBy(DayRecorder::Change change)
{
    switch (change) {
    case DayRecorder::Change::Saved:
    case DayRecorder::Change::Restored: return QStringLiteral("saved over");
    case DayRecorder::Change::Cleared:
    case DayRecorder::Change::Emptied: return QStringLiteral("cleared");
    case DayRecorder::Change::Erased: return QStringLiteral("erased by Clear All");
    case DayRecorder::Change::Merged: return QStringLiteral("merged");
    }
    return {};
}

QString row(const HistoryRecord& version, const DateSettings& dates)
{
    const QDateTime at = version.at.toLocalTime();
    return QStringLiteral("%1 %2, %3: %4")
        .arg(dates.shortText(at.date()), dates.locale().toString(at.time(), QLocale::ShortFormat),
             replacedBy(version.change), firstWords(version.before));
}

} // namespace EarlierVersions
