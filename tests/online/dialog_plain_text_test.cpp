#include "online_rig.h"
#include "platform/qt_dialogs.h"

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

} // namespace

TEST(QtDialogs, MessageAndInputBoxesShowTheirTextsLiterally)
{
    platform::QtDialogs dialogs;
    whenOpen([](QDialog& box) {
        EXPECT_EQ(expectLabelsShowTextLiterally(box), 1);
        EXPECT_EQ(box.windowTitle(), markup(2));
    });
    dialogs.messageBox(markup(1).toStdString(), markup(2).toStdString());

    whenOpen(
        [](QDialog& box) {
            EXPECT_EQ(expectLabelsShowTextLiterally(box), 1);
            EXPECT_EQ(box.windowTitle(), markup(4));
        },
        QDialog::Accepted);
    EXPECT_EQ(dialogs.inputBox(markup(3).toStdString(), markup(4).toStdString(), markup(5).toStdString()),
              markup(5).toStdString());

    whenOpen([](QDialog&) {});
    EXPECT_EQ(dialogs.inputBox("prompt", "title", "initial"), std::nullopt);
}
