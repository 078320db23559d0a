#pragma once

#include <QIcon>

// The program's 32 x 32 icon, on both of its windows.
QIcon programIcon();
