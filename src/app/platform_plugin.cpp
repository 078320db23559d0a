#include "app/platform_plugin.h"

#include <QProcessEnvironment>

QByteArray platformPluginFor(const QProcessEnvironment& environment)
{
    const auto isSet = [&environment](const char* name) {
        return !environment.value(QString::fromLatin1(name)).isEmpty();
    };
    if (isSet("QT_QPA_PLATFORM"))
        return {};
    if (isSet("DISPLAY"))
        return QByteArrayLiteral("xcb");
    if (isSet("WAYLAND_DISPLAY"))
        return QByteArrayLiteral("wayland");
    return {};
}

void choosePlatformPlugin()
{
    const QByteArray plugin = platformPluginFor(QProcessEnvironment::systemEnvironment());
    if (!plugin.isEmpty())
        qputenv("QT_QPA_PLATFORM", plugin);
}
