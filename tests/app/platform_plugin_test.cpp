#include "app/platform_plugin.h"

#include <QProcessEnvironment>

#include <gtest/gtest.h>

namespace {

QByteArray pluginFor(std::initializer_list<std::pair<const char*, const char*>> variables)
{
    QProcessEnvironment environment;
    for (const auto& [name, value] : variables)
        environment.insert(QString::fromLatin1(name), QString::fromLatin1(value));
    return platformPluginFor(environment);
}

TEST(PlatformPluginTest, AnXDisplayMeansX11UnlessTheUserChoseOtherwise)
{
    // A Wayland desktop with XWayland, as GNOME and KDE start it.
    EXPECT_EQ(pluginFor({{"DISPLAY", ":0"}, {"WAYLAND_DISPLAY", "wayland-0"}, {"XDG_SESSION_TYPE", "wayland"}}),
              "xcb");
    EXPECT_EQ(pluginFor({{"DISPLAY", ":1"}, {"XDG_SESSION_TYPE", "x11"}}), "xcb");
    // Only Wayland: the program still starts, as a Wayland client.
    EXPECT_EQ(pluginFor({{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ""}}), "wayland");
    // The user's own choice, whatever it is, is left alone.
    EXPECT_EQ(pluginFor({{"QT_QPA_PLATFORM", "wayland"}, {"DISPLAY", ":0"}}), "");
    EXPECT_EQ(pluginFor({{"QT_QPA_PLATFORM", "offscreen"}}), "");
    // No display at all: Qt says what is missing.
    EXPECT_EQ(pluginFor({}), "");
}

} // namespace
