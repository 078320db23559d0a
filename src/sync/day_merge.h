#pragma once

#include "history/history_record.h"

#include <QList>
#include <QString>

// One day's text from two copies of the diary that grew apart, made one:
// by the three-way merge from the last text both had, as the day's history
// (every machine's records) tells, or else by joining their lines.
namespace DayMerge {

// The newest text that both texts descend from, following the records
// from a text (after) to the one it replaced (before). Empty when they have
// none but the empty day.
QString base(const QList<HistoryRecord>& records, const QString& diary, const QString& copy);

// Every line the two share once, in its place, and each side's own lines
// where they stand; where both have lines of their own at one place, the
// diary's first.
QString join(QStringView diary, QStringView copy);

// The day's one text: the diary's where the copy has nothing or the same,
// the copy's where the diary has nothing, else merged from their base, or
// joined where there is none.
QString merge(const QList<HistoryRecord>& records, const QString& diary, const QString& copy);

} // namespace DayMerge
