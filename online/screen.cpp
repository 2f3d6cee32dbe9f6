#include "online/screen.h"

#include "online/messages.h"

#include <QCloseEvent>
#include <QHideEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <QShowEvent>
#include <QWindow>

namespace online {

Screen::Screen(OnlineContext& context)
    : context_(context)
{
}

void Screen::handOverTo(Screen& next)
{
    Tag = QStringLiteral("0");
    next.show();
    hide();
    next.NewGame();
}

void Screen::showMessage(const QString& text)
{
    context_.dialogs.messageBox(text.toStdString(), messages::ProgramTitle.toStdString());
}

void Screen::setDefaultButton(QPushButton* button)
{
    defaultButton_ = button;
    button->setDefault(true);
}

void Screen::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (!enter || event->modifiers() & ~Qt::KeypadModifier) {
        QWidget::keyPressEvent(event);
        return;
    }
    auto* focused = qobject_cast<QPushButton*>(focusWidget());
    QPushButton* target = focused ? focused : defaultButton_;
    if (target && target->isEnabled() && target->isVisible())
        target->click();
    event->accept();
}

void Screen::hideEvent(QHideEvent* event)
{
    if (!event->spontaneous()) // not minimised but hidden by the program
        place_ = geometry().topLeft();
    QWidget::hideEvent(event);
}

void Screen::showEvent(QShowEvent* event)
{
    // Before the window is mapped again, its client area is asked for where it stood, the frame
    // left around it: without a position of its own the window manager places the window anew,
    // and a position taken for the frame's corner lets the window creep by its title bar.
    if (!event->spontaneous() && place_ && windowHandle())
        windowHandle()->setPosition(*place_);
    QWidget::showEvent(event);
}

void Screen::closeEvent(QCloseEvent* event)
{
    event->accept();
    if (!isCurrent())
        return;
    beforeProgramEnds();
    endProgram(0);
}

} // namespace online
