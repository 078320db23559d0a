#pragma once

#include <QString>

// The program's folder in the user's state folder ($XDG_STATE_HOME, by
// default ~/.local/state): what belongs to this machine and this user and
// must never travel with a synced diary folder.
QString programStateFolder();
