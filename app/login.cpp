#include "app/login.h"

#include "online/form_kit.h"
#include "online/messages.h"
#include "online/requests.h"

#include <QLabel>
#include <QPushButton>

#include <cmath>

using namespace online::formkit;

Login::Login(online::OnlineContext& context, online::Screen& accept, online::Screen& regist, GameLauncher launcher)
    : Screen(context)
    , accept_(accept)
    , regist_(regist)
    , launcher_(std::move(launcher))
{
    setWindowTitle(QStringLiteral("Code:Rinkfallログイン"));
    setClientSize(this, 4755, 2940);
    Word[0] = label(this, indexedName("Word", 0), QStringLiteral("Code:Rinkfallへようこそ！"), twips(120, 120, 4455, 255));
    Word[1] = label(this, indexedName("Word", 1), QStringLiteral("説明"), twips(120, 360, 4455, 255));
    CD_Access = button(this, QStringLiteral("CD_Access"), QStringLiteral("アクセス"), twips(120, 720, 1215, 495));
    CD_Login = button(this, QStringLiteral("CD_Login"), QStringLiteral("ログイン"), twips(1680, 720, 1215, 495));
    CD_Regist = button(this, QStringLiteral("CD_Regist"), QStringLiteral("登録"), twips(3360, 720, 1215, 495));
    CD_Login->setEnabled(false);
    CD_Regist->setEnabled(false);
    for (int i = 2; i <= 6; ++i)
        Word[i] = label(this, indexedName("Word", i), QString(), twips(120, 1320 + 240 * (i - 2), 4455, 255));
    Com_Single = button(this, QStringLiteral("Com_Single"), QStringLiteral("個人練習"), twips(120, 2595, 2055, 300));

    connect(CD_Access, &QPushButton::clicked, this, [this] { CD_Access_Click(); });
    connect(CD_Login, &QPushButton::clicked, this, [this] { CD_Login_Click(); });
    connect(CD_Regist, &QPushButton::clicked, this, [this] { CD_Regist_Click(); });
    connect(Com_Single, &QPushButton::clicked, this, [this] { Com_Single_Click(); });
}

void Login::NewGame()
{
    Tag = QStringLiteral("1");
    Word[1]->setText(QStringLiteral("①アクセスボタンを押して下さい。"));
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
    const auto code = reply.code();
    // A lost or garbled answer leaves the menu ready for another try, with nothing taken from it.
    if (!reply.transferred() || !code) {
        Word[1]->setText(reply.transferred() ? online::messages::MalformedReply : reply.failure());
        SetControls(true);
        return;
    }
    const double status = std::floor(*code);
    if (status != 1 && status != -2)
        return; // unexpected code: the buttons stay disabled, the progress text stays
    if (!reply.has(6)) {
        Word[1]->setText(online::messages::MalformedReply);
        SetControls(true);
        return;
    }
    showNotice(reply);
    if (status == 1) {
        AccessState = 1;
        Word[1]->setText(QStringLiteral("②登録 または ログインを押してください。"));
        SetControls(true);
    } else {
        Word[1]->setText(QStringLiteral("②バージョンアップをしてください。"));
    }
}

void Login::showNotice(const online::Reply& reply)
{
    for (int i = 1; i <= 5; ++i)
        Word[i + 1]->setText(reply.field(i));
    context_.master.ClientIP = reply.field(6);
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
