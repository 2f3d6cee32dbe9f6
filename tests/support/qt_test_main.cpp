// Entry of every test program that needs a Qt application object (widgets, fonts, GL windows).
#include "tests/support/display_turn.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    const auto app = testsupport::makeApplicationInTurn<QApplication>(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
