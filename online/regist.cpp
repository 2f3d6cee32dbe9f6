#include "online/regist.h"

#include "online/form_kit.h"
#include "online/messages.h"
#include "online/requests.h"
#include "online/screen_replies.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace online {

using namespace formkit;

Regist::Regist(OnlineContext& context)
    : Screen(context)
{
    setWindowTitle(tr("Code:Rinkfallユーザー登録"));
    setClientSize(this, 4755, 2940);
    Word[0] = label(this, indexedName("Word", 0), tr("内容を記述して、登録ボタンを押してください。"),
                    twips(120, 120, 4335, 255));
    Word[5] = label(this, indexedName("Word", 5), tr("★ユーザー名は半角英数字のみ可能です。"),
                    twips(120, 360, 4335, 255));
    Word[6] = label(this, indexedName("Word", 6), tr("また、自動で小文字に置換されます。"),
                    twips(120, 600, 4335, 255));
    Word[1] = label(this, indexedName("Word", 1), tr("ユーザー名"), twips(120, 960, 1575, 255));
    TextB[0] = textBox(this, indexedName("TextB", 0), twips(1800, 960, 2655, 270), 16);
    Word[2] = label(this, indexedName("Word", 2), tr("パスワード"), twips(120, 1200, 1575, 255));
    TextB[1] = textBox(this, indexedName("TextB", 1), twips(1800, 1200, 2655, 270), 16, true);
    Word[3] = label(this, indexedName("Word", 3), tr("確認用パスワード"), twips(120, 1440, 1575, 255));
    TextB[2] = textBox(this, indexedName("TextB", 2), twips(1800, 1440, 2655, 270), 16, true);
    CDR_Send = button(this, QStringLiteral("CDR_Send"), tr("送信"), twips(360, 1800, 1215, 495));
    CDR_Return = button(this, QStringLiteral("CDR_Return"), tr("戻る"), twips(3000, 1800, 1215, 495));
    Word[4] = label(this, indexedName("Word", 4), QString(), twips(120, 2400, 4335, 495));

    setDefaultButton(CDR_Send);
    setTabOrder(TextB[0], TextB[1]);
    setTabOrder(TextB[1], TextB[2]);
    setTabOrder(TextB[2], CDR_Send);
    setTabOrder(CDR_Send, CDR_Return);

    for (int i = 0; i < 3; ++i)
        connect(TextB[i], &QLineEdit::textChanged, this, [this, i] { TextB_Change(i); });
    connect(CDR_Send, &QPushButton::clicked, this, [this] { CDR_Send_Click(); });
    connect(CDR_Return, &QPushButton::clicked, this, [this] { CDR_Return_Click(); });
}

void Regist::NewGame()
{
    Tag = QStringLiteral("1");
    Word[4]->setText(QStringLiteral(" "));
    for (QLineEdit* box : TextB)
        box->clear();
    RegistState = 0;
    SetControls(true);
}

void Regist::SetControls(bool enable)
{
    CDR_Send->setEnabled(false);
    CDR_Return->setEnabled(false);
    if (!enable)
        return;
    CDR_Send->setEnabled(RegistState == 0);
    CDR_Return->setEnabled(RegistState == 0 || RegistState == 1);
}

void Regist::TextB_Change(int index)
{
    QLineEdit* box = TextB[index];
    const QString text = box->text();
    if (!text.contains(QLatin1Char(' ')))
        return;
    // Keep the caret where the user was typing, less the blanks removed before it.
    const int blanksBeforeCaret = int(text.left(box->cursorPosition()).count(QLatin1Char(' ')));
    const int caret = box->cursorPosition() - blanksBeforeCaret;
    box->setText(QString(text).remove(QLatin1Char(' ')));
    box->setCursorPosition(caret);
}

bool Regist::inputsComplete()
{
    // Every check runs; the last failing one leaves its message.
    bool complete = true;
    if (TextB[2]->text() != TextB[1]->text()) {
        Word[4]->setText(tr("２つのパスワードが一致しません。"));
        complete = false;
    }
    if (TextB[1]->text().isEmpty()) {
        Word[4]->setText(tr("パスワードが空欄です"));
        complete = false;
    }
    if (TextB[0]->text().isEmpty()) {
        Word[4]->setText(tr("ユーザー名が空欄です"));
        complete = false;
    }
    return complete;
}

void Regist::CDR_Send_Click()
{
    SetControls(false);
    if (!inputsComplete()) {
        SetControls(true);
        return;
    }
    Word[4]->setText(tr("データを送信しています。"));
    applyReply(context_.protocol.VBPHP(requests::regist(context_.master, TextB[0]->text(), TextB[1]->text())));
}

void Regist::applyReply(const Reply& reply)
{
    const RegistReply regist = readRegistReply(reply);
    switch (regist.outcome) {
    case RegistReply::Outcome::TransferFailed:
    case RegistReply::Outcome::Refused:
        Word[4]->setText(regist.message);
        break;
    case RegistReply::Outcome::Malformed:
        Word[4]->setText(messages::malformedReply());
        break;
    case RegistReply::Outcome::LockedOut:
        Word[4]->setText(regist.message); // this client is locked out: only closing remains
        return;
    case RegistReply::Outcome::Registered:
        RegistState = 1;
        Word[4]->setText(regist.message);
        SetControls(true);
        CDR_Return->setFocus();
        return;
    case RegistReply::Outcome::DatabaseError:
        Word[4]->setText(messages::databaseError());
        break;
    }
    SetControls(true);
}

void Regist::CDR_Return_Click()
{
    if (titleMenu_)
        handOverTo(*titleMenu_);
}

} // namespace online
