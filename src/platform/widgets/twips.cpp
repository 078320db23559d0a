#include "platform/widgets/twips.h"

#include <QRect>
#include <QScreen>

#include <cmath>

namespace {
constexpr double twipsPerInch = 1440.0;
}

Twips Twips::of(const QScreen* screen)
{
    if (!screen)
        return Twips(96.0, 96.0);
    return Twips(screen->logicalDotsPerInchX(), screen->logicalDotsPerInchY());
}

int Twips::toPixelsX(double twips) const
{
    return int(std::lround(twips * m_dpiX / twipsPerInch));
}

int Twips::toPixelsY(double twips) const
{
    return int(std::lround(twips * m_dpiY / twipsPerInch));
}

float Twips::fromPixelsX(int pixels) const
{
    return float(pixels * twipsPerInch / m_dpiX);
}

float Twips::fromPixelsY(int pixels) const
{
    return float(pixels * twipsPerInch / m_dpiY);
}

QRect Twips::toPixels(int left, int top, int width, int height) const
{
    return QRect(toPixelsX(left), toPixelsY(top), toPixelsX(width), toPixelsY(height));
}
