#include "sync/day_merge.h"

#include "store/line_match.h"
#include "store/line_merge.h"

#include <QDateTime>
#include <QHash>
#include <QSet>

namespace DayMerge {
namespace {

QSet<QString> ancestors(const QList<HistoryRecord>& records, const QString& text)
{
    QSet<QString> found{text};
    QList<QString> pending{text};
    while (!pending.isEmpty()) {
        const QString next = pending.takeLast();
        for (const HistoryRecord& record : records) {
            if (record.after == next && !found.contains(record.before)) {
                found.insert(record.before);
                pending.append(record.before);
            }
        }
    }
    return found;
}

} // namespace

QString base(const QList<HistoryRecord>& records, const QString& diary, const QString& copy)
{
    const QSet<QString> common = ancestors(records, diary) & ancestors(records, copy);
    // A text's moment is when a record made it, or else when one replaced
    // it (a text older than the history).
    QHash<QString, QDateTime> made;
    QHash<QString, QDateTime> replaced;
    for (const HistoryRecord& record : records) {
        if (common.contains(record.after) && !(made.value(record.after) > record.at))
            made[record.after] = record.at;
        if (common.contains(record.before) && !(replaced.value(record.before) > record.at))
            replaced[record.before] = record.at;
    }
    QString newest;
    QDateTime newestAt;
    for (const QString& text : common) {
        const QDateTime at = made.value(text, replaced.value(text));
        if (!text.isEmpty() && (newest.isEmpty() || at > newestAt)) {
            newest = text;
            newestAt = at;
        }
    }
    return newest;
}

QString join(QStringView diary, QStringView copy)
{
    const LineMatch::Lines a = LineMatch::split(diary);
    const LineMatch::Lines b = LineMatch::split(copy);
    const std::vector<qsizetype> matched = LineMatch::match(a, b);
    QList<QStringView> out;
    qsizetype j = 0;
    qsizetype pending = 0; // the first diary line not yet out
    const auto flush = [&](qsizetype diaryEnd, qsizetype copyEnd) {
        out.append(a.mid(pending, diaryEnd - pending));
        out.append(b.mid(j, copyEnd - j));
    };
    for (qsizetype i = 0; i < a.size(); ++i) {
        const qsizetype k = matched[size_t(i)];
        if (k < 0)
            continue;
        flush(i, k);
        out.append(a[i]);
        pending = i + 1;
        j = k + 1;
    }
    flush(a.size(), b.size());
    QString text;
    for (qsizetype n = 0; n < out.size(); ++n) {
        if (n > 0)
            text += u"\r\n";
        text += out[n];
    }
    return text;
}

QString merge(const QList<HistoryRecord>& records, const QString& diary, const QString& copy)
{
    if (copy.isEmpty() || copy == diary)
        return diary;
    if (diary.isEmpty())
        return copy;
    const QString from = base(records, diary, copy);
    if (from.isEmpty())
        return join(diary, copy);
    return LineMerge::merge(from, diary, copy).text;
}

} // namespace DayMerge
