#include "platform/qt_dialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

namespace platform {

void QtDialogs::messageBox(const std::string& text, const std::string& caption)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

std::optional<std::string> QtDialogs::inputBox(const std::string& prompt, const std::string& title,
                                               const std::string& initial)
{
    bool accepted = false;
    const QString answer = QInputDialog::getText(QApplication::activeWindow(), QString::fromStdString(title),
                                                 QString::fromStdString(prompt), QLineEdit::Normal,
                                                 QString::fromStdString(initial), &accepted);
    if (!accepted)
        return std::nullopt;
    return answer.toStdString();
}

} // namespace platform
