#pragma once

// The design names Windows faces. Debian has Liberation Sans with Arial's
// metrics, so captions fit their controls (it stands in for a window's
// default face, MS Sans Serif, too), and URW's Z003 as a script face for the
// splash window's "French Script MT".
void installFontSubstitutes();
