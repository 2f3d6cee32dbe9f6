#include "online_rig.h"
#include "platform/qt_dialogs.h"
#include "platform/translations.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QTimer>

using namespace testing_support;

namespace {

// Runs `inspect` on the modal dialog once it is open, then closes it with `result`.
void whenOpen(std::function<void(QDialog&)> inspect, int result = QDialog::Rejected)
{
    QTimer::singleShot(0, [inspect, result] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        inspect(*dialog);
        dialog->done(result);
    });
}

QStringList buttonTexts(QDialog& dialog)
{
    QStringList texts;
    for (auto* button : dialog.findChildren<QPushButton*>())
        texts << button->text();
    texts.sort();
    return texts;
}

} // namespace

TEST(QtDialogs, BoxesShowTheirTextsLiterallyInJapaneseWithTheCaptionWhole)
{
    const platform::Translations japanese(platform::Language::Japanese);
    platform::QtDialogs dialogs;
    whenOpen([](QDialog& box) {
        EXPECT_EQ(expectLabelsShowTextLiterally(box), 1);
        EXPECT_EQ(box.windowTitle(), markup(2));
        EXPECT_EQ(buttonTexts(box), QStringList{QStringLiteral("OK")});
    });
    dialogs.messageBox(markup(1).toStdString(), markup(2).toStdString());

    whenOpen(
        [](QDialog& box) {
            EXPECT_EQ(expectLabelsShowTextLiterally(box), 1);
            EXPECT_EQ(box.windowTitle(), markup(4));
            EXPECT_EQ(buttonTexts(box), (QStringList{QStringLiteral("OK"), QStringLiteral("キャンセル")}));
            // Room for the caption in a title bar's bold, larger face beside the bar's own buttons.
            QFont titleFont = QApplication::font();
            titleFont.setBold(true);
            titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
            EXPECT_GE(box.width(), QFontMetrics(titleFont).horizontalAdvance(markup(4)) + 120);
        },
        QDialog::Accepted);
    EXPECT_EQ(dialogs.inputBox(markup(3).toStdString(), markup(4).toStdString(), markup(5).toStdString()),
              markup(5).toStdString());
    whenOpen([](QDialog&) {});
    EXPECT_EQ(dialogs.inputBox("簡潔な題名を入力してください。", "ゲームルームの作成", "誰でもどうぞ"), std::nullopt);
}
