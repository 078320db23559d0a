#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class Clock;
class CommonDialogUi;
class MessageBox;
class WindowPrinter;

// The platform services the program object works with. A null pointer
// means the real one (the system clock, Qt's message box, the default
// printer); tests pass their own. A new service is a new member here, so
// adding one changes no caller.
struct PlatformServices
{
    const Clock* clock = nullptr;
    MessageBox* messages = nullptr;
    WindowPrinter* printer = nullptr;
    // The font, colour and Save As dialogs behind the shared dialog.
    CommonDialogUi* dialogs = nullptr;
    // The program that checks the help file (--check-help); empty for this one.
    QString helpChecker = {};
    // The id this machine's history file is named after; empty for the
    // system's.
    QString machine = {};
    // The languages with a spelling dictionary; unset for the desktop's.
    std::optional<QStringList> spellingLanguages = {};
};
