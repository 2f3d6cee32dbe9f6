// Behaviour that only shows under a window manager and beside another window: where a screen
// comes back, and who owns the cursor.
#include "online_rig.h"
#include "platform/window_host.h"

#include <gtest/gtest.h>

#include <QCursor>
#include <QWindow>

using namespace testing_support;

namespace {

bool activate(QWindow* window)
{
    window->requestActivate();
    return QTest::qWaitForWindowActive(window);
}

// Puts the pointer at `global` and lets its motion reach the windows.
void pointTo(QPoint global)
{
    QCursor::setPos(global);
    QTest::qWait(150);
}

using UnderAWindowManager = OnlineScreens;

TEST_F(UnderAWindowManager, TheTitleMenuComesBackExactlyWhereItWas)
{
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return menu().frameGeometry() != menu().geometry(); }))
        << "no window manager frames the menu";
    QTest::qWait(150);
    const QRect first = menu().frameGeometry();
    service.script("Login.php", "1<QZT>a<QZT>b<QZT>c<QZT>d<QZT>e<QZT>ip");
    for (int round = 1; round <= 3; ++round) {
        click(menu(), "CD_Access");
        click(menu(), "CD_Login");
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&startUp.accept()));
        click(startUp.accept(), "CDA_Return");
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu()));
        QTest::qWait(150);
        EXPECT_EQ(menu().frameGeometry(), first) << "shown again " << round << " times";
    }
}

// Mouse-look hides the cursor and puts it back in the middle of the picture after each step.
TEST(MouseLookBesideAnotherWindow, TheCursorIsTheGamesOnlyWhileItsWindowIsActiveAndShown)
{
    platform::WindowHost game;
    QWidget other;
    other.setGeometry(800, 300, 300, 200);
    game.show();
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(game.window()) && QTest::qWaitForWindowExposed(&other));
    ASSERT_TRUE(activate(game.window()));
    game.setCursorVisible(false);
    const QPoint centre = game.window()->mapToGlobal(QPoint(320, 240)); // the window is 1:1
    const QPoint elsewhere = other.mapToGlobal(QPoint(40, 40));
    const auto read = [&] { return QPoint(game.cursorX(), game.cursorY()); };
    // Waited for, as a busy X server may deliver the motion late.
    const auto viewTurnedTo = [&](QPoint to) { return QTest::qWaitFor([&] { return read() == to; }, 3000); };
    const auto hidden = [&] { return game.window()->cursor().shape() == Qt::BlankCursor; };
    game.setCursor(320, 240);
    EXPECT_EQ(QCursor::pos(), centre);
    EXPECT_TRUE(hidden());
    pointTo(centre + QPoint(10, 0));
    EXPECT_TRUE(viewTurnedTo(QPoint(330, 240)));

    ASSERT_TRUE(activate(other.windowHandle()));
    pointTo(elsewhere);
    game.setCursor(320, 240);
    EXPECT_EQ(QCursor::pos(), elsewhere) << "the cursor was taken from the active window";
    EXPECT_FALSE(hidden());
    pointTo(game.window()->mapToGlobal(QPoint(20, 20)));
    EXPECT_EQ(read(), QPoint(320, 240)) << "passing over the inactive game turned the view";

    ASSERT_TRUE(activate(game.window()));
    game.window()->showMinimized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !game.window()->isExposed(); }));
    pointTo(elsewhere);
    game.setCursor(320, 240);
    EXPECT_EQ(QCursor::pos(), elsewhere) << "the cursor was taken while minimised";
    EXPECT_FALSE(hidden());

    // Back in the game, the cursor is wherever the user left it: the view does not jump to it.
    game.window()->showNormal();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(game.window()) && activate(game.window()));
    pointTo(game.window()->mapToGlobal(QPoint(30, 30)));
    EXPECT_EQ(read(), QPoint(320, 240)) << "the view jumped on return";
    EXPECT_TRUE(hidden());
    game.setCursor(320, 240);
    QTest::qWait(150);
    pointTo(centre + QPoint(0, -8));
    EXPECT_TRUE(viewTurnedTo(QPoint(320, 232))) << "motion turns the view again";
}

} // namespace
