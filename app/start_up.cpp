#include "app/start_up.h"

void setProtocolConstants(Master& master)
{
    master.AppVersion = 1;
    master.GameKey = QStringLiteral("Rkf=1");
    master.GameDir = QStringLiteral("Rinkfall");
}

StartUp::StartUp(const QUrl& server, platform::Dialogs& dialogs, GameLauncher launcher,
                 online::ExitFunction exitProgram)
    : protocol_(master_, server, transfer_)
    , context_{master_, protocol_, dialogs, std::move(exitProgram)}
    , lobby_(context_)
    , accept_(context_, lobby_)
    , regist_(context_)
    , login_(context_, accept_, regist_, std::move(launcher))
{
    accept_.setTitleMenu(login_);
    regist_.setTitleMenu(login_);
}

void StartUp::run()
{
    setProtocolConstants(master_);
    login_.show();
    login_.NewGame();
}
