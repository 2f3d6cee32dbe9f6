// Behaviour that only shows under a window manager and beside another window: where a screen
// comes back, and who owns the cursor.
#include "online_rig.h"
#include "platform/window_host.h"

#include <gtest/gtest.h>

#include <QCursor>
#include <QWindow>

using namespace testing_support;

namespace {

void activate(QWindow* window)
{
    window->requestActivate();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window)) << window->title().toStdString();
}

// Lets the pointer's motion reach the windows.
void settle()
{
    QTest::qWait(150);
}

using UnderAWindowManager = OnlineScreens;

TEST_F(UnderAWindowManager, TheTitleMenuComesBackExactlyWhereItWas)
{
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return menu().frameGeometry() != menu().geometry(); }))
        << "no window manager frames the menu";
    settle();
    const QRect first = menu().frameGeometry();
    service.script("Login.php", "1<QZT>a<QZT>b<QZT>c<QZT>d<QZT>e<QZT>ip");
    for (int round = 1; round <= 3; ++round) {
        click(menu(), "CD_Access");
        click(menu(), "CD_Login");
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&startUp.accept()));
        click(startUp.accept(), "CDA_Return");
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu()));
        settle();
        EXPECT_EQ(menu().frameGeometry(), first) << "shown again " << round << " times";
    }
}

class MouseLookBesideAnotherWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        game.setCaption(QStringLiteral("game"));
        game.show();
        other.setWindowTitle(QStringLiteral("other"));
        other.setGeometry(800, 300, 300, 200);
        other.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(game.window()));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
        activate(game.window());
        game.setCursorVisible(false); // as mouse-look has it
    }

    // Mouse-look's step: the game puts the cursor back in the middle of the picture.
    void centre()
    {
        game.setCursor(320, 240);
        settle();
    }
    QPoint centreOnScreen() const { return game.window()->mapToGlobal(QPoint(320, 240)); } // the window is 1:1
    QPoint cursorRead() const { return {game.cursorX(), game.cursorY()}; }
    // Motion the game should see: waited for, as a busy X server may deliver it late.
    bool cursorReadBecomes(QPoint expected)
    {
        return QTest::qWaitFor([&] { return cursorRead() == expected; }, 3000);
    }
    bool cursorHidden() const { return game.window()->cursor().shape() == Qt::BlankCursor; }
    void pointTo(QPoint global)
    {
        QCursor::setPos(global);
        settle();
    }

    platform::WindowHost game;
    QWidget other;
};

TEST_F(MouseLookBesideAnotherWindow, TheCursorIsTheGamesOnlyWhileItsWindowIsActiveAndShown)
{
    centre();
    EXPECT_EQ(QCursor::pos(), centreOnScreen());
    EXPECT_TRUE(cursorHidden());
    pointTo(centreOnScreen() + QPoint(10, 0));
    EXPECT_TRUE(cursorReadBecomes(QPoint(330, 240))) << "motion turns the view";

    activate(other.windowHandle());
    const QPoint elsewhere = other.mapToGlobal(QPoint(40, 40));
    pointTo(elsewhere);
    centre();
    EXPECT_EQ(QCursor::pos(), elsewhere) << "the cursor was taken from the active window";
    EXPECT_FALSE(cursorHidden());
    pointTo(game.window()->mapToGlobal(QPoint(20, 20)));
    EXPECT_EQ(cursorRead(), QPoint(320, 240)) << "passing over the inactive game turned the view";

    activate(game.window());
    game.window()->showMinimized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !game.window()->isExposed(); }));
    pointTo(elsewhere);
    centre();
    EXPECT_EQ(QCursor::pos(), elsewhere) << "the cursor was taken while minimised";
    EXPECT_FALSE(cursorHidden());

    // Back in the game, the cursor is wherever the user left it: the view does not jump to it.
    game.window()->showNormal();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(game.window()));
    activate(game.window());
    pointTo(game.window()->mapToGlobal(QPoint(30, 30)));
    EXPECT_EQ(cursorRead(), QPoint(320, 240)) << "the view jumped on return";
    EXPECT_TRUE(cursorHidden());
    centre();
    EXPECT_EQ(QCursor::pos(), centreOnScreen());
    pointTo(centreOnScreen() + QPoint(0, -8));
    EXPECT_TRUE(cursorReadBecomes(QPoint(320, 232))) << "motion turns the view again";
}

} // namespace
