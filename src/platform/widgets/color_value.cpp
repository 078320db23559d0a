#include "platform/widgets/color_value.h"

#include <array>

namespace ColorValue {

namespace {

// The palette role that draws what each system colour index names. Where
// Qt has no role of its own (captions, the desktop, borders), the nearest
// one that looks the part.
struct SystemRole
{
    QPalette::ColorRole role;
    // The group to take the colour from whatever the widget's state, for
    // the indexes that name a state themselves (grey text, inactive
    // captions); Active otherwise means "the widget's own group".
    bool fixedGroup = false;
    QPalette::ColorGroup group = QPalette::Active;
};

constexpr std::array<SystemRole, maxSystemIndex + 1> systemRoles{{
    {QPalette::Button},                              //  0 scroll bar
    {QPalette::Dark},                                //  1 desktop
    {QPalette::Highlight},                           //  2 active caption
    {QPalette::Highlight, true, QPalette::Inactive}, //  3 inactive caption
    {QPalette::Window},                              //  4 menu
    {QPalette::Base},                                //  5 window background
    {QPalette::Shadow},                              //  6 window frame
    {QPalette::WindowText},                          //  7 menu text
    {QPalette::Text},                                //  8 window text
    {QPalette::HighlightedText},                     //  9 caption text
    {QPalette::Button},                              // 10 active border
    {QPalette::Button},                              // 11 inactive border
    {QPalette::Dark},                                // 12 application workspace
    {QPalette::Highlight},                           // 13 highlight
    {QPalette::HighlightedText},                     // 14 highlighted text
    {QPalette::Button},                              // 15 button face
    {QPalette::Dark},                                // 16 button shadow
    {QPalette::Text, true, QPalette::Disabled},      // 17 grey text
    {QPalette::ButtonText},                          // 18 button text
    {QPalette::HighlightedText, true, QPalette::Inactive}, // 19 inactive caption text
    {QPalette::Light},                               // 20 button highlight
    {QPalette::Shadow},                              // 21 dark 3D shadow
    {QPalette::Midlight},                            // 22 light 3D
    {QPalette::ToolTipText},                         // 23 tooltip text
    {QPalette::ToolTipBase},                         // 24 tooltip background
    {QPalette::Window},                              // 25 (unused by the system)
    {QPalette::Link},                                // 26 hot-tracked item
    {QPalette::Highlight},                           // 27 active caption gradient
    {QPalette::Highlight, true, QPalette::Inactive}, // 28 inactive caption gradient
    {QPalette::Highlight},                           // 29 menu highlight
    {QPalette::Window},                              // 30 menu bar
}};

const SystemRole& systemRole(qint32 value)
{
    return systemRoles[quint32(value) & 0xFFu];
}

} // namespace

qint32 fromColor(const QColor& color)
{
    const QRgb rgb = color.rgb();
    return qint32(quint32(qRed(rgb)) | (quint32(qGreen(rgb)) << 8) | (quint32(qBlue(rgb)) << 16));
}

QColor toColor(qint32 value, const QPalette& palette, QPalette::ColorGroup group)
{
    if (!isValid(value))
        return {};
    if (isSystem(value)) {
        const SystemRole& system = systemRole(value);
        return palette.color(system.fixedGroup ? system.group : group, system.role);
    }
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

void apply(qint32 value, QPalette& target, QPalette::ColorRole role, const QPalette& system)
{
    if (!isValid(value))
        return;
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        target.setColor(group, role, toColor(value, system, group));
}

} // namespace ColorValue
