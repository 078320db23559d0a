#pragma once

#include <QDate>

// The one program-wide record through which every window and routine learns
// which day is shown, whether the pad holds unsaved text, whether the
// calendar window is open and how the date label is formatted.
struct PadState
{
    QDate shownDate;
    bool dirty = false;
    bool emptyPad = false;
    bool calendarOpen = false;
    int dateStyle = 1; // 1 = long date, 2 = short date
};
