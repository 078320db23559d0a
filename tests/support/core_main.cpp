#include <QCoreApplication>
#include <gtest/gtest.h>

#include "temporary_state_folder.h"

int main(int argc, char** argv)
{
    const TemporaryStateFolder state;
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
