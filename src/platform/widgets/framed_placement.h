#pragma once

#include <functional>

class QWidget;

// Before the window manager has framed a window its frame is unknown and
// taken as none, so a window placed by its outer size lands off by the
// frame. place runs once more, at the first event that finds the window
// shown with a frame.
void placeAgainOnceFramed(QWidget& window, std::function<void()> place);

// Outside the main window's outer frame, left of it or else right of it,
// bottoms level; else in the lower-left corner of the main window's screen.
// Outer sizes, as the windows have them now.
void placeBeside(QWidget& window, const QWidget& mainWindow);
