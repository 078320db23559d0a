#pragma once

#include "store/day_recorder.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QDateTime>
#include <QString>

#include <optional>

class LineReader;

// One change of one day as the history keeps it: the day, the moment, what
// did it, the text before and the text after.
struct HistoryRecord
{
    QDate day;
    QDateTime at;
    DayRecorder::Change change = DayRecorder::Change::Saved;
    QString before;
    QString after;
};

// The history's plain-text form, appended to and never rewritten in place:
//
//   *!*v1 2026-12-08 2026-12-08T14:03:11.123+01:00 saved 9f3a2c1b00aa11ee
//   <the text before, one line a line>
//   !*!
//   <the text after>
//   !*!
//
// Text lines that would read as a mark are escaped as in the entry file, so
// every record starts at a line that starts "*!*". The header's last field
// is a checksum of the header's other fields and of the lines between it and
// the record's last line: a record cut off by a crash, or damaged, is told
// from a whole one and skipped.
namespace HistoryFormat {

// The record's bytes, appended to out.
void append(const HistoryRecord& record, QByteArray& out);

// The name of a change in a header, and back.
QByteArrayView changeName(DayRecorder::Change change);
std::optional<DayRecorder::Change> changeNamed(QByteArrayView name);

} // namespace HistoryFormat

// Reads the whole records of a history file in one pass, skipping torn and
// damaged ones. With a day to look for, the other days' records are passed
// over without their text being decoded.
class HistoryReader
{
public:
    explicit HistoryReader(LineReader& lines) : m_lines(lines) {}

    void onlyDay(const QDate& day);

    // The next whole record, or false at the end (or a read error: see the
    // line reader's error()).
    bool next(HistoryRecord& record);

    // Records found damaged or cut off so far.
    int damaged() const { return m_damaged; }

private:
    bool readRecord(QByteArrayView header, HistoryRecord& record);

    LineReader& m_lines;
    QByteArray m_day; // "yyyy-MM-dd", or empty for every day
    QByteArray m_pending; // a header met where a text line was expected
    int m_damaged = 0;
};
