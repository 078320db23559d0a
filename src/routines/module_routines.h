#pragma once

#include "routines/pad_state.h"

#include <QDate>
#include <QString>

// The routines that move values between the pad state, the windows and the
// entry file. The program object implements them; the windows below it
// (the calendar, the find window) reach them through this interface.
class ModuleRoutines
{
public:
    virtual PadState& padState() = 0;

    virtual void LoadEntry() = 0;
    virtual void SaveEntry() = 0;
    // False when the file could not be emptied; the user has been told.
    virtual bool ClearEntryFile() = 0;
    virtual void SyncCalendar() = 0;

    // Save-if-dirty. False when the pad still holds unsaved text because
    // the save failed (the user has been told).
    virtual bool saveIfDirty() = 0;

    // When the calendar follows a change of the shown day: the commands of
    // the main window move it before the entry loads, a day picked in a
    // window of its own (the calendar, the find window) after; an
    // activation or an opening calendar only reloads the shown day.
    enum class CalendarFollows { BeforeLoad, AfterLoad, Not };

    // Shows a day: save-if-dirty, the new date, then LoadEntry and
    // SyncCalendar in the order given. Does nothing and returns false when
    // the day is outside 1 January 100 to 31 December 9999, or when the
    // pad's text could not be saved (it stays in the pad under its own
    // date).
    bool changeShownDate(const QDate& day, CalendarFollows follows = CalendarFollows::BeforeLoad)
    {
        if (!day.isValid() || day < QDate(100, 1, 1) || day > QDate(9999, 12, 31))
            return false;
        if (!saveIfDirty())
            return false;
        padState().shownDate = day;
        if (follows == CalendarFollows::BeforeLoad)
            SyncCalendar();
        LoadEntry();
        // A window that picked the day may be handling its own click: the
        // calendar it re-creates is deleted only once that has returned.
        if (follows == CalendarFollows::AfterLoad)
            SyncCalendar();
        return true;
    }

    // The keyboard focus into the main window's pad, that window active.
    virtual void focusPad() = 0;
    // The pad's text, lines separated by CR LF, and a stretch of it
    // selected and scrolled into view.
    virtual QString padText() const = 0;
    virtual void selectInPad(qsizetype start, qsizetype length) = 0;

protected:
    ~ModuleRoutines() = default;
};
