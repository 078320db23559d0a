#pragma once

class QRect;
class QScreen;

// Window geometry is designed in twips, 1/1440 inch; the screen's logical
// resolution turns them into pixels.
class Twips
{
public:
    Twips(double dpiX, double dpiY) : m_dpiX(dpiX), m_dpiY(dpiY) {}
    static Twips of(const QScreen* screen);

    int toPixelsX(double twips) const;
    int toPixelsY(double twips) const;
    float fromPixelsX(int pixels) const;
    float fromPixelsY(int pixels) const;
    // A control's geometry, designed in twips, in pixels.
    QRect toPixels(int left, int top, int width, int height) const;

private:
    double m_dpiX;
    double m_dpiY;
};
