#include "app/start_up.h"

#include "app/settings_dialog.h"

#include <QSettings>

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

void StartUp::rememberSettings(std::function<void(const StoredSettings&)> applyToGame)
{
    accept_.rememberUserName(readSettings(QSettings()).userName, [](const QString& name) {
        QSettings settings;
        StoredSettings stored = readSettings(settings);
        stored.userName = name;
        writeSettings(settings, stored);
    });
    login_.setSettingsHandler([this, applyToGame = std::move(applyToGame)] {
        QSettings settings;
        const std::optional<StoredSettings> chosen = editSettings(settings, &login_);
        if (!chosen)
            return;
        protocol_.setServer(storedServer(*chosen));
        if (applyToGame)
            applyToGame(*chosen);
    });
}
