#include "platform/qt_dialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>

#include <algorithm>

namespace platform {

namespace {

// Texts may come from the network or from users; Qt would otherwise guess they are markup.
void showPlainText(QWidget& dialog)
{
    for (QLabel* label : dialog.findChildren<QLabel*>())
        label->setTextFormat(Qt::PlainText);
}

// A window manager's title bar sets the caption in a larger, bold face and keeps room for its
// own buttons beside it.
constexpr double TitleFontScale = 1.3;
constexpr int TitleBarButtons = 120;
constexpr int PromptMargins = 40;

int widthShowingWhole(const QWidget& box, const QString& caption, const QString& prompt)
{
    QFont titleFont = box.font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * TitleFontScale);
    const int captionWidth = QFontMetrics(titleFont).horizontalAdvance(caption) + TitleBarButtons;
    const int promptWidth = box.fontMetrics().horizontalAdvance(prompt) + PromptMargins;
    return std::max({box.sizeHint().width(), captionWidth, promptWidth});
}

} // namespace

void QtDialogs::messageBox(const std::string& text, const std::string& caption)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::Ok, QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

std::optional<std::string> QtDialogs::inputBox(const std::string& prompt, const std::string& title,
                                               const std::string& initial)
{
    QInputDialog box(QApplication::activeWindow());
    box.setInputMode(QInputDialog::TextInput);
    box.setWindowTitle(QString::fromStdString(title));
    box.setLabelText(QString::fromStdString(prompt));
    box.setTextValue(QString::fromStdString(initial));
    showPlainText(box);
    box.resize(widthShowingWhole(box, box.windowTitle(), box.labelText()), box.sizeHint().height());
    if (box.exec() != QDialog::Accepted)
        return std::nullopt;
    return box.textValue().toStdString();
}

} // namespace platform
