#include "app/click_label.h"
#include "app/frm_ojw.h"
#include "app/pad_edit.h"

#include <QPushButton>

namespace {

void describe(QWidget* control, const QString& name, const QString& description)
{
    control->setAccessibleName(name);
    control->setAccessibleDescription(description);
    control->setToolTip(description);
}

} // namespace

void frmOJW::describeControls()
{
    // The captions stay the design's symbols; what they do is said here.
    describe(cmdEarliest, QStringLiteral("Earliest entry"),
             QStringLiteral("Earliest entry: show the earliest day that has an entry"));
    describe(cmdPrevEntry, QStringLiteral("Previous entry"),
             QStringLiteral("Previous entry: show the last day before this one that has an entry"));
    describe(cmdPrev, QStringLiteral("Previous day"),
             QStringLiteral("Previous day: show the day before (Page Up in the pad)"));
    describe(cmdNext, QStringLiteral("Next day"),
             QStringLiteral("Next day: show the day after (Page Down in the pad)"));
    describe(cmdNextEntry, QStringLiteral("Next entry"),
             QStringLiteral("Next entry: show the first day after this one that has an entry"));
    describe(cmdLatest, QStringLiteral("Latest entry"),
             QStringLiteral("Latest entry: show the latest day that has an entry"));

    // The label's name stays its caption, the shown date, which is what a
    // screen reader should say; the description tells what a click does.
    lblDate->setAccessibleDescription(
        QStringLiteral("The shown date, red when it is today. Click it to switch between the long "
                       "and the short date."));
    lblDate->setToolTip(QStringLiteral("Click to switch between the long and the short date"));
    txtPad->setAccessibleName(QStringLiteral("Entry of the shown day"));
    txtPad->setAccessibleDescription(
        QStringLiteral("The shown day's text. It is saved when another day is shown, when another "
                       "window of the program becomes active, and when the program closes. "
                       "Tab moves on to the buttons; Ctrl+Tab types a tab."));
}
