#pragma once

#include "history/history_record.h"

#include <QList>
#include <QString>

class DateSettings;

// A day's earlier versions in its history: each text a record replaced
// with another, newest first. A record that only wrote a text where there
// was none, or wrote the same text again, holds no earlier version.
namespace EarlierVersions {

QList<HistoryRecord> of(const QList<HistoryRecord>& oldestFirst);

// What replaced the version: "saved over", "cleared", "erased by Clear All"
// or "merged".
QString replacedBy(DayRecorder::Change change);

// One row of the list: when the version stopped being the day's text (the
// user's short date and time), what replaced it, and its first words.
QString row(const HistoryRecord& version, const DateSettings& dates);

} // namespace EarlierVersions
