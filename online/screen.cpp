#include "online/screen.h"

#include "online/messages.h"

#include <QCloseEvent>

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

void Screen::closeEvent(QCloseEvent* event)
{
    event->accept();
    if (!isCurrent())
        return;
    beforeProgramEnds();
    endProgram(0);
}

} // namespace online
