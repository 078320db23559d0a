#pragma once

// Where the keyboard focus goes after a day is picked in the calendar: the
// main window's pad. The program object implements it; the calendar, which
// lives below the program, knows it only through this interface.
class PadFocus
{
public:
    virtual void focusPad() = 0;

protected:
    ~PadFocus() = default;
};
