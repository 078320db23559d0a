#pragma once

// The design names Windows faces. Debian has Liberation Sans with Arial's
// metrics, so captions fit their controls, and URW's Z003 as a script face
// for the splash window's "French Script MT".
void installFontSubstitutes();
