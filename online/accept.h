#pragma once

#include "online/screen.h"
#include "online/screen_replies.h"

#include <array>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace online {

// The user login: name and password go to Access.php; on success the lobby opens.
class Accept : public Screen {
    Q_OBJECT

public:
    Accept(OnlineContext& context, Screen& lobby);
    void setTitleMenu(Screen& titleMenu) { titleMenu_ = &titleMenu; }
    // The name box starts with `lastName`; after each successful login `keep` is told the name
    // that logged in (never the password).
    void rememberUserName(const QString& lastName, std::function<void(const QString&)> keep);

    void NewGame() override;

private:
    void SetControls(bool enable);
    void CDA_Send_Click();
    void CDA_Return_Click();
    // Ends the send with a message on the message line and the controls ready again.
    void stopWith(const QString& message);
    void enterLobby(const LoginReply& login);

    Screen& lobby_;
    Screen* titleMenu_ = nullptr;
    QString lastName_;
    std::function<void(const QString&)> keepName_;
    std::array<QLabel*, 4> Word{};
    QLineEdit* TEXTU = nullptr;
    QLineEdit* TEXTP = nullptr;
    QPushButton* CDA_Send = nullptr;
    QPushButton* CDA_Return = nullptr;
};

} // namespace online
