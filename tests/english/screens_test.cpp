// Each screen in English, state by state beside its Japanese twin: no Japanese left, no text cut
// that Japanese shows whole.

#include "english_fixture.h"
#include "online_rig.h"

#include <QCheckBox>
#include <QComboBox>

using namespace english;
using testing_support::click;

namespace {

// A version check the service accepts; its notice lines are the service's own words.
const std::string Accepted = "1<QZT>news 1<QZT>news 2<QZT>news 3<QZT>news 4<QZT>news 5<QZT>203.0.113.5";

class Screens : public BothLanguages {
protected:
    static QWidget& menu(StartUp& s) { return s.titleMenu(); }
};

TEST_F(Screens, TitleMenu)
{
    expectEnglishWhole(menu, "fresh");
    service.script("Login.php", "-2<QZT>a<QZT>b<QZT>c<QZT>d<QZT>e<QZT>203.0.113.5");
    onBoth([](StartUp& s) { click(s.titleMenu(), "CD_Access"); });
    expectEnglishWhole(menu, "outdated version");
    onBoth([](StartUp& s) { s.titleMenu().NewGame(); });
    service.script("Login.php", Accepted);
    onBoth([](StartUp& s) { click(s.titleMenu(), "CD_Access"); });
    expectEnglishWhole(menu, "version accepted");
    EXPECT_EQ(english.startUp->titleMenu().windowTitle(), QStringLiteral("Code:Rinkfall Login"));
}

TEST(MatchDialogInEnglish, NoJapaneseAndNothingCut)
{
    MatchDialog japanese;
    japanese.show();
    const auto english = installEnglish();
    MatchDialog dialog;
    dialog.show();
    for (const QString& text : shownTexts(dialog))
        EXPECT_FALSE(hasJapanese(text)) << text.toStdString();
    EXPECT_TRUE(cutControls(japanese).isEmpty()) << cutControls(japanese).join(u',').toStdString();
    EXPECT_TRUE(cutControls(dialog).isEmpty()) << cutControls(dialog).join(u',').toStdString();
    // The opponent list keeps its order: the choice is read from the index.
    dialog.opponent()->setCurrentIndex(3);
    EXPECT_FALSE(dialog.choice().againstCpu);
}

} // namespace
