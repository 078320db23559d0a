#pragma once

#include <QColor>
#include <QPalette>
#include <QtGlobal>

// Colours as the settings file and the shared dialog hold them: one signed
// 32-bit value. A plain colour is 0x00BBGGRR, red in the lowest byte. A
// value with the top bit set refers to one of the system's colours by its
// index in the low byte (0x80000008 is the window text), so it follows the
// desktop's palette instead of naming a colour.
namespace ColorValue {

constexpr qint32 windowBackground = qint32(0x80000005u); // -2147483643
constexpr qint32 windowText = qint32(0x80000008u);       // -2147483640
constexpr qint32 maxSystemIndex = 30;

constexpr bool isSystem(qint32 value) { return value < 0; }

// A plain colour, or a system colour with an index the system knows.
constexpr bool isValid(qint32 value)
{
    return (value >= 0 && value <= 0xFFFFFF)
        || (value < 0 && (quint32(value) & 0x7FFFFFFFu) <= quint32(maxSystemIndex));
}

// The plain colour value of a colour (its alpha is dropped).
qint32 fromColor(const QColor& color);

// What the value looks like in the given group of the palette: a plain
// colour is itself, a system colour the palette's colour for it. An
// invalid value gives an invalid colour.
QColor toColor(qint32 value, const QPalette& palette,
               QPalette::ColorGroup group = QPalette::Active);

// Sets the role of target to the value in every colour group: a system
// colour takes each group's colour from the system palette, so a disabled
// or inactive widget looks as the desktop draws it. An invalid value
// changes nothing.
void apply(qint32 value, QPalette& target, QPalette::ColorRole role, const QPalette& system);

} // namespace ColorValue
