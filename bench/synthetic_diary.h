#pragma once

#include <QByteArray>
#include <QDate>

class DateSettings;

// A diary of the given number of entries, one a day from firstDay on,
// written in an order that is not the date order (as real diaries are),
// with texts of one to eight lines of about sixty characters.
QByteArray syntheticDiary(const DateSettings& dates, int entries, const QDate& firstDay);
