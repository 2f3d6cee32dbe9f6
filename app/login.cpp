#include "app/login.h"

#include "online/form_kit.h"
#include "online/messages.h"
#include "online/requests.h"
#include "online/screen_replies.h"

#include <QLabel>
#include <QPushButton>

using namespace online::formkit;

Login::Login(online::OnlineContext& context, online::Screen& accept, online::Screen& regist, GameLauncher launcher)
    : Screen(context)
    , accept_(accept)
    , regist_(regist)
    , launcher_(std::move(launcher))
{
    setWindowTitle(tr("Code:Rinkfallログイン"));
    setClientSize(this, 4755, 3660);
    Word[0] = label(this, indexedName("Word", 0), tr("Code:Rinkfallへようこそ！"), twips(120, 120, 4455, 255));
    Word[1] = label(this, indexedName("Word", 1), tr("説明"), twips(120, 360, 4455, 255));
    CD_Access = button(this, QStringLiteral("CD_Access"), tr("アクセス"), twips(120, 720, 1215, 495));
    CD_Login = button(this, QStringLiteral("CD_Login"), tr("ログイン"), twips(1680, 720, 1215, 495));
    CD_Regist = button(this, QStringLiteral("CD_Regist"), tr("登録"), twips(3360, 720, 1215, 495));
    CD_Login->setEnabled(false);
    CD_Regist->setEnabled(false);
    for (int i = 2; i <= 6; ++i)
        Word[i] = label(this, indexedName("Word", i), QString(), twips(120, 1320 + 240 * (i - 2), 4455, 255));
    Com_Single = button(this, QStringLiteral("Com_Single"), tr("個人練習"), twips(120, 2595, 2055, 300));
    // Below every other control, so that none of them moves.
    Com_Match = button(this, QStringLiteral("Com_Match"), tr("試合"), twips(120, 2955, 2055, 300));
    Com_Match->setEnabled(false);
    // Below the match button in turn; the form grew downwards to hold it.
    Com_Settings = button(this, QStringLiteral("Com_Settings"), tr("設定"), twips(120, 3315, 2055, 300));
    Com_Settings->setEnabled(false);

    connect(CD_Access, &QPushButton::clicked, this, [this] { CD_Access_Click(); });
    connect(CD_Login, &QPushButton::clicked, this, [this] { CD_Login_Click(); });
    connect(CD_Regist, &QPushButton::clicked, this, [this] { CD_Regist_Click(); });
    connect(Com_Single, &QPushButton::clicked, this, [this] { Com_Single_Click(); });
    connect(Com_Match, &QPushButton::clicked, this, [this] { Com_Match_Click(); });
    connect(Com_Settings, &QPushButton::clicked, this, [this] { Com_Settings_Click(); });
}

void Login::NewGame()
{
    Tag = QStringLiteral("1");
    Word[1]->setText(tr("①アクセスボタンを押して下さい。"));
    for (int i = 2; i <= 6; ++i)
        Word[i]->setText(QStringLiteral(" "));
    AccessState = 0;
    SetControls(true);
}

void Login::SetControls(bool enable)
{
    CD_Access->setEnabled(false);
    CD_Login->setEnabled(false);
    CD_Regist->setEnabled(false);
    if (!enable)
        return;
    CD_Access->setEnabled(AccessState == 0);
    CD_Login->setEnabled(AccessState == 1);
    CD_Regist->setEnabled(AccessState == 1);
}

void Login::CD_Access_Click()
{
    SetControls(false);
    const online::Reply reply = context_.protocol.VBPHP(online::requests::login(context_.master), Word[1]);
    using Outcome = online::TitleReply::Outcome;
    const online::TitleReply title = online::readTitleReply(reply);
    if (title.outcome == Outcome::TransferFailed || title.outcome == Outcome::Malformed) {
        Word[1]->setText(title.outcome == Outcome::Malformed ? online::messages::malformedReply()
                                                              : reply.failure());
        SetControls(true);
        return;
    }
    if (title.outcome == Outcome::Unexpected)
        return; // the buttons stay disabled, the progress text stays
    showNotice(title);
    if (title.outcome == Outcome::Current) {
        AccessState = 1;
        Word[1]->setText(tr("②登録 または ログインを押してください。"));
        SetControls(true);
    } else {
        Word[1]->setText(tr("②バージョンアップをしてください。"));
    }
}

void Login::showNotice(const online::TitleReply& title)
{
    for (int i = 1; i <= 5; ++i)
        Word[i + 1]->setText(title.notice[i - 1]);
    context_.master.ClientIP = title.clientIP;
}

void Login::CD_Login_Click()
{
    handOverTo(accept_);
}

void Login::CD_Regist_Click()
{
    handOverTo(regist_);
}

void Login::Com_Single_Click()
{
    Tag = QStringLiteral("0");
    hide();
    // The game runs its own loop inside this call; when it ends, so does the program.
    const int exitCode = launcher_(1);
    endProgram(exitCode);
}

void Login::setMatchLauncher(MatchLauncher launcher)
{
    matchLauncher_ = std::move(launcher);
    Com_Match->setEnabled(static_cast<bool>(matchLauncher_));
}

void Login::Com_Match_Click()
{
    if (!matchLauncher_)
        return;
    MatchDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    Tag = QStringLiteral("0");
    hide();
    const int exitCode = matchLauncher_(dialog.choice());
    endProgram(exitCode);
}

void Login::setSettingsHandler(std::function<void()> handler)
{
    settingsHandler_ = std::move(handler);
    Com_Settings->setEnabled(static_cast<bool>(settingsHandler_));
}

void Login::Com_Settings_Click()
{
    if (settingsHandler_)
        settingsHandler_();
}
