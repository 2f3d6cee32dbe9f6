#include "app/guarded_application.h"
#include "tests/support/display_turn.h"

#include <gtest/gtest.h>

#include <QTimer>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

std::vector<std::string> reported;

// Throws from inside Qt's event delivery, as a failing click handler would.
struct ThrowingObject : QObject {
    bool event(QEvent*) override { throw std::length_error("deep inside a handler"); }
};

} // namespace

TEST(GuardedApplication, AnErrorEscapingAnEventHandlerReachesTheProgramsHandler)
{
    ThrowingObject target;
    QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
    QTimer::singleShot(0, [] { throw std::runtime_error("in a slot"); });
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(reported, (std::vector<std::string>{"deep inside a handler", "in a slot"}));
}

int main(int argc, char* argv[])
{
    const auto application = testsupport::makeApplicationInTurn<GuardedApplication>(
        argc, argv, [](const std::exception& error) { reported.push_back(error.what()); });
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
