#include "platform/qt_dialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QInputDialog>
#include <QPushButton>
#include <QTimer>

namespace {

// Answers the next modal dialog by closing it, noting its button texts and width first.
struct DialogLook {
    QStringList buttons;
    int width = 0;

    void closeNextDialog()
    {
        QTimer::singleShot(0, [this] {
            QWidget* dialog = QApplication::activeModalWidget();
            ASSERT_NE(dialog, nullptr);
            for (auto* button : dialog->findChildren<QPushButton*>())
                buttons << button->text();
            buttons.sort();
            width = dialog->width();
            dialog->close();
        });
    }
};

} // namespace

TEST(QtDialogs, StandardButtonsSpeakJapaneseAndTheInputBoxShowsItsCaptionWhole)
{
    platform::QtDialogs dialogs;
    DialogLook input;
    input.closeNextDialog();
    EXPECT_EQ(dialogs.inputBox("簡潔な題名を入力してください。", "ゲームルームの作成", "誰でもどうぞ"), std::nullopt);
    EXPECT_EQ(input.buttons, (QStringList{QStringLiteral("OK"), QStringLiteral("キャンセル")}));
    // Room for the caption in a title bar's bold, larger face beside the bar's own buttons.
    QFont titleFont = QApplication::font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    EXPECT_GE(input.width, QFontMetrics(titleFont).horizontalAdvance(QStringLiteral("ゲームルームの作成")) + 120);

    DialogLook message;
    message.closeNextDialog();
    dialogs.messageBox("本文", "題");
    EXPECT_EQ(message.buttons, QStringList{QStringLiteral("OK")});
}
