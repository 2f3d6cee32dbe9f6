#pragma once

#include "app/login.h"
#include "app/settings.h"
#include "online/accept.h"
#include "online/lobby.h"
#include "online/master.h"
#include "online/protocol.h"
#include "online/regist.h"
#include "platform/http_transfer.h"

#include <QUrl>

// Sets the values every request carries: client version, game key and the game's directory.
void setProtocolConstants(Master& master);

// Everything the online side of one run consists of, wired together: the shared values, the
// transfer, the four screens. The entry procedure is run().
class StartUp {
public:
    StartUp(const QUrl& server, platform::Dialogs& dialogs, GameLauncher launcher, online::ExitFunction exitProgram);
    StartUp(const StartUp&) = delete;
    StartUp& operator=(const StartUp&) = delete;

    // Fixes the constants, shows the title menu and resets it.
    void run();
    // Remembers the last user's name and offers the settings button, both kept where QSettings
    // keeps the application's settings. Choices made in the dialog apply to this run at once: the
    // service here, the rest through `applyToGame`.
    void rememberSettings(std::function<void(const StoredSettings&)> applyToGame);

    Master& master() { return master_; }
    platform::HttpTransfer& transfer() { return transfer_; }
    online::Protocol& protocol() { return protocol_; }
    Login& titleMenu() { return login_; }
    online::Accept& accept() { return accept_; }
    online::Regist& regist() { return regist_; }
    online::Lobby& lobby() { return lobby_; }

private:
    Master master_;
    platform::HttpTransfer transfer_;
    online::Protocol protocol_;
    online::OnlineContext context_;
    online::Lobby lobby_;
    online::Accept accept_;
    online::Regist regist_;
    Login login_;
};
