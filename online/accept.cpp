#include "online/accept.h"

#include "online/form_kit.h"
#include "online/messages.h"
#include "online/requests.h"
#include "online/screen_replies.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace online {

using namespace formkit;

Accept::Accept(OnlineContext& context, Screen& lobby)
    : Screen(context)
    , lobby_(lobby)
{
    setWindowTitle(tr("ユーザーログイン"));
    setClientSize(this, 4755, 2940);
    Word[0] = label(this, indexedName("Word", 0), tr("ユーザー認証を行います。"), twips(120, 120, 4455, 255));
    Word[1] = label(this, indexedName("Word", 1), tr("ユーザー名"), twips(120, 960, 1575, 255));
    TEXTU = textBox(this, QStringLiteral("TEXTU"), twips(1800, 960, 2655, 270), 16);
    Word[2] = label(this, indexedName("Word", 2), tr("パスワード"), twips(120, 1200, 1575, 255));
    TEXTP = textBox(this, QStringLiteral("TEXTP"), twips(1800, 1200, 2655, 270), 16, true);
    CDA_Send = button(this, QStringLiteral("CDA_Send"), tr("送信"), twips(360, 1680, 1215, 495));
    CDA_Return = button(this, QStringLiteral("CDA_Return"), tr("戻る"), twips(3000, 1680, 1215, 495));
    Word[3] = label(this, indexedName("Word", 3), QString(), twips(120, 2280, 4335, 375));

    setDefaultButton(CDA_Send);
    setTabOrder(TEXTU, TEXTP);
    setTabOrder(TEXTP, CDA_Send);
    setTabOrder(CDA_Send, CDA_Return);

    connect(CDA_Send, &QPushButton::clicked, this, [this] { CDA_Send_Click(); });
    connect(CDA_Return, &QPushButton::clicked, this, [this] { CDA_Return_Click(); });
}

void Accept::NewGame()
{
    Tag = QStringLiteral("1");
    Word[3]->setText(QStringLiteral(" "));
    TEXTU->setText(lastName_);
    TEXTP->clear();
    SetControls(true);
    if (lastName_.isEmpty())
        TEXTU->setFocus();
    else
        TEXTP->setFocus();
}

void Accept::rememberUserName(const QString& lastName, std::function<void(const QString&)> keep)
{
    lastName_ = lastName;
    keepName_ = std::move(keep);
}

void Accept::SetControls(bool enable)
{
    for (QWidget* control : {static_cast<QWidget*>(CDA_Send), static_cast<QWidget*>(CDA_Return),
                             static_cast<QWidget*>(TEXTU), static_cast<QWidget*>(TEXTP)})
        control->setEnabled(enable);
}

void Accept::stopWith(const QString& message)
{
    Word[3]->setText(message);
    SetControls(true);
}

void Accept::CDA_Send_Click()
{
    SetControls(false);
    const QString name = TEXTU->text();
    const QString password = TEXTP->text();
    // Both checks run, so with both boxes empty the name message is the one left showing.
    bool missing = false;
    if (password.isEmpty()) {
        stopWith(tr("パスワードを入力してください。"));
        missing = true;
    }
    if (name.isEmpty()) {
        stopWith(tr("ユーザー名を入力してください。"));
        missing = true;
    }
    if (missing)
        return;

    Word[3]->setText(tr("ログイン中"));
    const Reply reply = context_.protocol.VBPHP(requests::access(context_.master, name, password));
    const LoginReply login = readLoginReply(reply);
    switch (login.outcome) {
    case LoginReply::Outcome::TransferFailed:
    case LoginReply::Outcome::Refused:
        return stopWith(login.message);
    case LoginReply::Outcome::Malformed:
        return stopWith(messages::malformedReply());
    case LoginReply::Outcome::DatabaseError:
        return stopWith(messages::databaseError());
    case LoginReply::Outcome::LoggedIn:
        if (keepName_) {
            lastName_ = name;
            keepName_(name);
        }
        return enterLobby(login);
    case LoginReply::Outcome::Unknown:
        break;
    }
    SetControls(true); // an unknown code leaves "ログイン中" showing
}

void Accept::enterLobby(const LoginReply& login)
{
    Word[3]->setText(tr("ログイン成功 しばらくお待ち下さい。"));
    context_.master.UserNo = login.userNo;
    context_.master.UserName = login.userName;
    context_.master.SessionToken = login.sessionToken;
    // The arrival notice is a courtesy to the others in the lobby; its reply is not examined, and
    // if it fails the lobby's own refresh will report an unreachable service. Every player reads it
    // as it is, so it stays in the service's language.
    context_.protocol.VBPHP(requests::say(context_.master, QStringLiteral("システム"),
                                          context_.master.UserName + QStringLiteral(" さんがログインしました。")));
    handOverTo(lobby_);
}

void Accept::CDA_Return_Click()
{
    if (titleMenu_)
        handOverTo(*titleMenu_);
}

} // namespace online
