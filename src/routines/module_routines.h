#pragma once

struct PadState;

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

protected:
    ~ModuleRoutines() = default;
};
