#pragma once

#include <QString>

class QVBoxLayout;
class QWidget;
class Twips;

// Makes a window of the program's own beside the main window (the find and
// Earlier Versions windows): titled, which the main window may cover,
// gone once closed, never the one whose close ends the program. Returns
// its column of controls, with the windows' margin and spacing.
QVBoxLayout* makeOwnWindow(QWidget& window, const QString& title, const Twips& twips);
