#pragma once

#include <QByteArray>

class QProcessEnvironment;

// The Qt platform plugin the program runs on where the user has chosen none.
// The windows are placed by position and activation is counted between
// them, which an X11 client can do and a native Wayland client cannot: so
// where an X display is there (XWayland on a Wayland desktop included), X11
// it is. Where only Wayland is there, Wayland, with the window manager's
// placement. A user's own QT_QPA_PLATFORM (or -platform) always wins.
// Returns the plugin's name, or nothing to leave Qt's own choice.
QByteArray platformPluginFor(const QProcessEnvironment& environment);

// Sets QT_QPA_PLATFORM for this process to platformPluginFor() of its
// environment, if that names a plugin. Before the application object.
void choosePlatformPlugin();
