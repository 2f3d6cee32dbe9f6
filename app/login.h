#pragma once

#include "app/match_dialog.h"
#include "online/screen.h"
#include "online/screen_replies.h"

#include <array>
#include <cstdint>
#include <functional>

class QLabel;
class QPushButton;

// Runs the game window with a game mode and returns the program's exit code when the game ends.
using GameLauncher = std::function<int(int16_t gmode)>;

// The title menu: version check, then login or registration; or single practice at any time.
class Login : public online::Screen {
    Q_OBJECT

public:
    Login(online::OnlineContext& context, online::Screen& accept, online::Screen& regist, GameLauncher launcher);

    void NewGame() override;
    // What the match button starts, once the set-up dialog is answered. Without one the button
    // stays disabled.
    void setMatchLauncher(MatchLauncher launcher);
    // What the settings button does. Without it the button stays disabled.
    void setSettingsHandler(std::function<void()> handler);

    int16_t AccessState = 0; // 1 once a version check was accepted

private:
    void SetControls(bool enable);
    void CD_Access_Click();
    void showNotice(const online::TitleReply& title);
    void CD_Login_Click();
    void CD_Regist_Click();
    void Com_Single_Click();
    void Com_Match_Click();
    void Com_Settings_Click();

    online::Screen& accept_;
    online::Screen& regist_;
    GameLauncher launcher_;
    MatchLauncher matchLauncher_;
    std::function<void()> settingsHandler_;
    std::array<QLabel*, 7> Word{};
    QPushButton* CD_Access = nullptr;
    QPushButton* CD_Login = nullptr;
    QPushButton* CD_Regist = nullptr;
    QPushButton* Com_Single = nullptr;
    QPushButton* Com_Match = nullptr;
    QPushButton* Com_Settings = nullptr;
};
