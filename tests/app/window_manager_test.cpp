// Behaviour that shows as on a desktop only under a window manager and beside another window:
// where a screen and the game window come back, and who owns the cursor.
#include "online_rig.h"
#include "platform/window_host.h"

#include <gtest/gtest.h>

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

using namespace testing_support;

namespace {

bool activate(QWindow* window)
{
    window->requestActivate();
    return QTest::qWaitForWindowActive(window);
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

// Mouse-look hides the cursor and puts it back in the middle of the picture after each step; it
// may do so only while the game's window is active and shown.
TEST(MouseLookBesideAnotherWindow, TheCursorIsTheGamesOnlyWhileItsWindowIsActiveAndShown)
{
    platform::WindowHost game;
    game.setCaption(QStringLiteral("game"));
    QWidget other;
    other.setGeometry(800, 300, 300, 200);
    game.show();
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(game.window()) && QTest::qWaitForWindowExposed(&other));
    ASSERT_TRUE(activate(game.window()));
    game.setCursorVisible(false);
    game.setCursor(320, 240);
    EXPECT_EQ(QCursor::pos(), game.window()->mapToGlobal(QPoint(320, 240))); // the window is 1:1
    EXPECT_EQ(game.window()->cursor().shape(), Qt::BlankCursor);
    // The view after the pointer moved over the game twice: the first move may only enter the window.
    const auto passOver = [&] {
        for (const QPoint to : {QPoint(30, 30), QPoint(50, 50)}) {
            QCursor::setPos(game.window()->mapToGlobal(to));
            QTest::qWait(150);
        }
        return QPoint(game.cursorX(), game.cursorY());
    };

    ASSERT_TRUE(activate(other.windowHandle()));
    EXPECT_EQ(passOver(), QPoint(320, 240)) << "the inactive game's view turned";
    const QPoint elsewhere = other.mapToGlobal(QPoint(40, 40));
    QCursor::setPos(elsewhere);
    game.setCursor(320, 240);
    EXPECT_EQ(QCursor::pos(), elsewhere) << "the cursor was taken from the active window";
    EXPECT_NE(game.window()->cursor().shape(), Qt::BlankCursor);

    ASSERT_TRUE(activate(game.window()));
    game.window()->showMinimized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !game.window()->isExposed(); }));
    game.setCursor(320, 240);
    EXPECT_EQ(QCursor::pos(), elsewhere) << "the cursor was taken while minimised";

    // Back in the game, the cursor is wherever the user left it: the view does not jump to it.
    game.window()->showNormal();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(game.window()) && activate(game.window()));
    EXPECT_EQ(passOver(), QPoint(320, 240)) << "the view jumped on return";
}

// The game window opens where the player left it, kept in sight, and tells where it is at the
// end: full screen, where it goes back to, not the screen. One saved full screen opens so.
TEST(GameWindowPlacement, OpensWhereItWasInSightAndRemembersItsNormalPlace)
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    platform::WindowHost host;
    host.place({QRect(screen.left() + 40, screen.top() + 30, 800, 600), false});
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(host.window()));
    const QRect normal = host.placement().geometry;
    EXPECT_EQ(normal, QRect(screen.left() + 40, screen.top() + 30, 800, 600));
    host.toggleFullScreen();
    const QRect whole = QGuiApplication::primaryScreen()->geometry();
    ASSERT_TRUE(QTest::qWaitFor([&] { return host.window()->geometry() == whole; })) << "not full screen";
    EXPECT_TRUE(host.placement().fullScreen);
    EXPECT_EQ(host.placement().geometry, normal);

    platform::WindowHost lost;
    lost.place({QRect(screen.right() + 3000, screen.bottom() + 2000, 640, 480), false});
    lost.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(lost.window()));
    EXPECT_TRUE(screen.contains(lost.window()->geometry())) << "opened out of sight";
    EXPECT_EQ(lost.window()->size(), QSize(640, 480));

    platform::WindowHost full;
    full.place({QRect(screen.left() + 10, screen.top() + 10, 640, 480), true});
    full.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return full.window()->visibility() == QWindow::FullScreen; }));
    EXPECT_EQ(full.placement().geometry, QRect(screen.left() + 10, screen.top() + 10, 640, 480));
}

} // namespace
