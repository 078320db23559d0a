#include "program_fixture.h"

#include <QFontMetricsF>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>

// Run on a screen of OJW_EXPECTED_DPI dots per inch: the window's controls
// measure their twips in the screen's pixels, and no caption runs out of
// its control.

namespace {

struct Control
{
    const char* name;
    QRectF twips;
};

class DpiTest : public ProgramTest
{
protected:
    double dpi = 0;

    void SetUp() override
    {
        dpi = qEnvironmentVariableIntValue("OJW_EXPECTED_DPI");
        ASSERT_GT(dpi, 96) << "run with OJW_EXPECTED_DPI and a screen of that resolution";
        start();
        main().grab(); // paints once, at the screen's resolution
    }

    // A length in the screen's own pixels.
    double devicePixels(double logical) const { return logical * main().devicePixelRatioF(); }
};

TEST_F(DpiTest, ControlsScaleWithTheirTwipsAndCaptionsStayInside)
{
    ASSERT_DOUBLE_EQ(main().logicalDpiX() * main().devicePixelRatioF(), dpi) << "the screen's resolution";
    const Control controls[] = {
        {"lblDate", QRectF(120, 70, 3255, 255)},        {"txtPad", QRectF(120, 360, 3255, 3015)},
        {"cmdEarliest", QRectF(120, 3480, 495, 330)},  {"cmdPrevEntry", QRectF(680, 3480, 495, 330)},
        {"cmdPrev", QRectF(1240, 3480, 495, 330)},     {"cmdNext", QRectF(1800, 3480, 495, 330)},
        {"cmdNextEntry", QRectF(2350, 3480, 495, 330)}, {"cmdLatest", QRectF(2900, 3480, 495, 330)},
    };
    const double pixelsPerTwip = dpi / 1440.0;
    for (const Control& c : controls) {
        SCOPED_TRACE(c.name);
        const QWidget* w = main().centralWidget()->findChild<QWidget*>(QString::fromLatin1(c.name));
        ASSERT_TRUE(w);
        // Each edge within the rounding of the twips to the 96-dpi grid.
        const double slack = main().devicePixelRatioF();
        EXPECT_NEAR(devicePixels(w->x()), c.twips.x() * pixelsPerTwip, slack);
        EXPECT_NEAR(devicePixels(w->y()), c.twips.y() * pixelsPerTwip, slack);
        EXPECT_NEAR(devicePixels(w->width()), c.twips.width() * pixelsPerTwip, slack);
        EXPECT_NEAR(devicePixels(w->height()), c.twips.height() * pixelsPerTwip, slack);

        if (const auto* button = qobject_cast<const QPushButton*>(w)) {
            QStyleOptionButton option;
            option.initFrom(button);
            option.text = button->text();
            const QRect inside = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
            const QSizeF caption = QFontMetricsF(button->font(), button).size(Qt::TextShowMnemonic, button->text());
            EXPECT_LE(caption.width(), inside.width());
            EXPECT_LE(caption.height(), inside.height());
        }
    }
    // The longest long date of the year fits on the label.
    const QFontMetricsF label(main().lblDate->font(), main().lblDate);
    EXPECT_LE(label.horizontalAdvance(QStringLiteral("Wednesday, September 30, 2026")),
              main().lblDate->contentsRect().width());
    EXPECT_LE(label.height(), main().lblDate->contentsRect().height());
}

} // namespace
