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

    // The keyboard focus into the main window's pad, that window active.
    virtual void focusPad() = 0;
    // The pad's text, lines separated by CR LF, and a stretch of it
    // selected and scrolled into view.
    virtual QString padText() const = 0;
    virtual void selectInPad(qsizetype start, qsizetype length) = 0;

protected:
    ~ModuleRoutines() = default;
};

// A day picked in a window of its own (the calendar, the find window): the
// pad's unsaved text saved under its own date first, then the day shown and
// the calendar following. False, with nothing changed, when the text could
// not be saved.
inline bool showPickedDay(ModuleRoutines& routines, const QDate& day)
{
    PadState& state = routines.padState();
    if (state.dirty)
        routines.SaveEntry();
    if (state.dirty)
        return false;
    state.shownDate = day;
    routines.LoadEntry();
    routines.SyncCalendar();
    return true;
}
