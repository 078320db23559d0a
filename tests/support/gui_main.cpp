#include <QApplication>
#include <gtest/gtest.h>

#include "temporary_state_folder.h"

int main(int argc, char** argv)
{
    const TemporaryStateFolder state;
    // Window tests never need a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
