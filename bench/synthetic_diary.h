#pragma once

#include <QByteArray>
#include <QDate>

class DateSettings;

// A diary as people keep one: one entry a day from firstDay on, one to
// twenty lines of text each, a few stray lines between entries, and about
// a tenth of the days written late (stored after later days, as when a
// forgotten day is filled in afterwards). The same arguments always give
// the same bytes.
QByteArray syntheticDiary(const DateSettings& dates, int entries, const QDate& firstDay);
