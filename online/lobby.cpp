#include "online/lobby.h"

#include "online/form_kit.h"
#include "online/messages.h"
#include "online/requests.h"
#include "online/screen_replies.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>

namespace online {

using namespace formkit;

namespace {

// Columns of a room row after its state button: title, creation time, creator, opponent.
constexpr std::array<int, 4> RoomColumnLeft{720, 3600, 5280, 6960};
constexpr std::array<int, 4> RoomColumnWidth{2895, 1695, 1695, 1695};
constexpr std::array<int, 3> ChatColumnLeft{120, 1800, 3480};
constexpr std::array<int, 3> ChatColumnWidth{1695, 1695, 5175};

constexpr int FirstRoomLabel = 9;
constexpr int FirstChatLabel = 49;

} // namespace

Lobby::Lobby(OnlineContext& context)
    : Screen(context)
{
    buildControls();
    connect(MakeGameB, &QPushButton::clicked, this, [this] { MakeGameB_Click(); });
    connect(ReloadB, &QPushButton::clicked, this, [this] { ReloadB_Click(); });
    connect(SayB, &QPushButton::clicked, this, [this] { SayB_Click(); });
    for (int k = 0; k < RoomRows; ++k)
        connect(Command[k], &QPushButton::clicked, this, [this, k] { Command_Click(k); });
    connect(Scr, &QScrollBar::valueChanged, this, [this] { showRoomRows(); });
    connect(ChatScr, &QScrollBar::valueChanged, this, [this] { showChatRows(); });
}

void Lobby::buildControls()
{
    setWindowTitle(QStringLiteral("Code:Rinkfall [Lobby]"));
    setClientSize(this, 9060, 7455);
    Word[0] = label(this, indexedName("Word", 0), tr("ユーザー名"), twips(120, 120, 1095, 255));
    Word[1] = label(this, indexedName("Word", 1), QString(), twips(1200, 120, 2175, 255));
    Word[2] = label(this, indexedName("Word", 2), tr("最終更新時刻"), twips(3480, 120, 1215, 255));
    Word[3] = label(this, indexedName("Word", 3), QString(), twips(4680, 120, 2175, 255));
    MakeGameB = button(this, QStringLiteral("MakeGameB"), tr("ゲームルーム作成"), twips(6960, 120, 2055, 255));

    const std::array<QString, 5> headers{tr("状態"), tr("題名"), tr("作成日時"), tr("作成者"), tr("相手")};
    const std::array<int, 5> headerLeft{120, 720, 3600, 5280, 6960};
    const std::array<int, 5> headerWidth{615, 2895, 1695, 1695, 1695};
    for (int h = 0; h < 5; ++h) {
        Word[4 + h] = label(this, indexedName("Word", 4 + h), headers[h], twips(headerLeft[h], 480, headerWidth[h], 255));
        Word[4 + h]->setFont(proportionalGothic(9, true));
    }

    for (int k = 0; k < RoomRows; ++k) {
        const int top = 720 + 240 * k;
        Command[k] = button(this, indexedName("Command", k), QString(), twips(120, top, 615, 255));
        for (int c = 0; c < 4; ++c) {
            const int index = FirstRoomLabel + 4 * k + c;
            Word[index] = label(this, indexedName("Word", index), QString(),
                                twips(RoomColumnLeft[c], top, RoomColumnWidth[c], 255));
        }
    }
    Scr = verticalScrollBar(this, QStringLiteral("Scr"), twips(8760, 480, 255, 2655));

    for (int j = 0; j < ChatRows; ++j) {
        for (int c = 0; c < 3; ++c) {
            const int index = FirstChatLabel + 3 * j + c;
            Word[index] = label(this, indexedName("Word", index), QString(),
                                twips(ChatColumnLeft[c], 3240 + 240 * j, ChatColumnWidth[c], 255));
        }
    }
    ChatScr = verticalScrollBar(this, QStringLiteral("ChatScr"), twips(8760, 3240, 255, 3735));
    ChatScr->setRange(0, 15);
    ChatScr->setValue(15);

    ReloadB = button(this, QStringLiteral("ReloadB"), tr("リロード"), twips(120, 6960, 1215, 375));
    SayB = button(this, QStringLiteral("SayB"), tr("発言"), twips(2040, 6960, 1215, 375));
    ChatTX = textBox(this, QStringLiteral("ChatTX"), twips(3480, 6960, 5175, 270), 40);
    setDefaultButton(SayB);
}

void Lobby::NewGame()
{
    Tag = QStringLiteral("1");
    RoomMode = 0;
    SetControls(true);
    ChatTX->setFocus();
    MyRoom = -1;
    init();
}

void Lobby::init()
{
    refresh();
}

void Lobby::SetControls(bool enable)
{
    MakeGameB->setEnabled(false);
    ReloadB->setEnabled(false);
    SayB->setEnabled(false);
    for (QPushButton* row : Command)
        row->setEnabled(false);
    if (!enable)
        return;
    MakeGameB->setEnabled(true);
    ReloadB->setEnabled(true);
    SayB->setEnabled(true);
    static constexpr std::array<const char*, 3> captions{QT_TR_NOOP("ゲームルーム作成"), QT_TR_NOOP("ゲームルーム削除"),
                                                         QT_TR_NOOP("ゲームルーム退席")};
    if (RoomMode >= 0 && RoomMode < int(captions.size()))
        MakeGameB->setText(tr(captions[RoomMode]));
    for (QPushButton* row : Command)
        row->setEnabled(RoomMode == 0);
}

Lobby::Outcome Lobby::applyFatalRule(const Reply& reply)
{
    const LobbyVerdict verdict = readLobbyVerdict(reply);
    switch (verdict.outcome) {
    case LobbyVerdict::Outcome::TransferFailed:
        showMessage(verdict.message);
        return Outcome::Failed;
    case LobbyVerdict::Outcome::Malformed:
        showMessage(messages::malformedReply());
        return Outcome::Failed;
    case LobbyVerdict::Outcome::Fatal:
    case LobbyVerdict::Outcome::DatabaseError:
        showMessage(verdict.outcome == LobbyVerdict::Outcome::Fatal ? verdict.message
                                                                    : messages::databaseError());
        endProgram(0);
        return Outcome::Ended;
    case LobbyVerdict::Outcome::GoOn:
        break;
    }
    return Outcome::Done;
}

Lobby::Outcome Lobby::refresh()
{
    SetControls(false);
    const Reply reply = context_.protocol.VBPHP(requests::lobby(context_.master, MyRoom));
    const Outcome outcome = applyFatalRule(reply);
    if (outcome == Outcome::Ended)
        return outcome;
    if (outcome == Outcome::Failed) {
        SetControls(true);
        return outcome;
    }
    if (*reply.code() == 1) {
        const auto content = parseLobbyReply(reply);
        if (!content) {
            showMessage(messages::malformedReply());
            SetControls(true);
            return Outcome::Failed;
        }
        fillView(*content);
    }
    setWindowTitle(QStringLiteral("Debug") + QString::number(MyRoom));
    SetControls(true);
    return Outcome::Done;
}

void Lobby::fillView(const LobbyContent& content)
{
    Word[1]->setText(context_.master.UserName);
    Word[3]->setText(content.lastUpdate);
    // The bar never reaches past the last table entry, however many rooms the server counts.
    const int shownRooms = std::min<int32_t>(content.roomCount, LobbyContent::MaxRooms);
    Scr->setRange(0, std::max(0, shownRooms - RoomRows));
    Scr->setValue(0);
    Rooms.fill(RoomRec{});
    Chats.fill(ChatRec{});
    std::copy(content.rooms.begin(), content.rooms.end(), Rooms.begin());
    std::copy(content.chats.begin(), content.chats.end(), Chats.begin());
    showRoomRows();
    showChatRows();
}

void Lobby::showRoomRows()
{
    for (int k = 0; k < RoomRows; ++k) {
        const int r = Scr->value() + k;
        if (r >= int(Rooms.size()))
            break;
        const RoomRec& room = Rooms[r];
        const std::array<const QString*, 4> columns{&room.Title, &room.Created, &room.Creator, &room.Opponent};
        for (int c = 0; c < 4; ++c)
            Word[FirstRoomLabel + 4 * k + c]->setText(*columns[c]);
        static constexpr std::array<const char*, 4> stateCaptions{QT_TR_NOOP("無"), QT_TR_NOOP("待機"),
                                                                  QT_TR_NOOP("満室"), QT_TR_NOOP("開始")};
        if (room.State >= 0 && room.State <= 3) {
            Command[k]->setText(tr(stateCaptions[room.State]));
            Command[k]->setEnabled(room.State != 0);
        }
    }
}

void Lobby::showChatRows()
{
    for (int j = 0; j < ChatRows; ++j) {
        const ChatRec& chat = Chats[29 - (ChatScr->value() + j)];
        Word[FirstChatLabel + 3 * j]->setText(chat.Col1);
        Word[FirstChatLabel + 3 * j + 1]->setText(chat.Col2);
        Word[FirstChatLabel + 3 * j + 2]->setText(chat.Col3);
    }
}

void Lobby::ReloadB_Click()
{
    SetControls(false);
    if (refresh() == Outcome::Ended)
        return;
    SetControls(true);
}

void Lobby::SayB_Click()
{
    SetControls(false);
    if (!ChatTX->text().isEmpty()) {
        const QString words = requests::firstCharacters(ChatTX->text(), 64);
        const Outcome said = applyFatalRule(context_.protocol.VBPHP(requests::say(context_.master,
                                                                                 context_.master.UserName, words)));
        if (said == Outcome::Ended)
            return;
        if (said == Outcome::Done) {
            ChatTX->clear();
            if (refresh() == Outcome::Ended)
                return;
        }
    }
    SetControls(true);
}

void Lobby::MakeGameB_Click()
{
    SetControls(false);
    Outcome outcome = Outcome::Done;
    switch (RoomMode) {
    case 0:
        outcome = createRoom();
        break;
    case 1:
        outcome = leaveRoom(requests::delGame(context_.master));
        break;
    case 2:
        outcome = leaveRoom(requests::delJoin(context_.master));
        break;
    default:
        break;
    }
    if (outcome == Outcome::Ended)
        return;
    SetControls(true);
}

Lobby::Outcome Lobby::createRoom()
{
    const auto answer = context_.dialogs.inputBox(tr("簡潔な題名を入力してください。").toStdString(),
                                                  tr("ゲームルームの作成").toStdString(),
                                                  tr("誰でもどうぞ").toStdString());
    const QString title = answer ? QString::fromStdString(*answer) : QString();
    if (!title.isEmpty()) {
        const Reply reply = context_.protocol.VBPHP(requests::makeGame(context_.master, title));
        const Outcome outcome = applyFatalRule(reply);
        if (outcome != Outcome::Done)
            return outcome;
        if (*reply.code() != 1) {
            // Not made, for a reason the service tells (a full lobby); the user may try again.
            showMessage(reply.has(1) ? reply.field(1) : messages::malformedReply());
            return Outcome::Failed;
        }
        const auto room = readCreatedRoom(reply);
        if (!room) {
            showMessage(messages::malformedReply());
            return Outcome::Failed;
        }
        MyRoom = *room;
        RoomMode = 1;
    }
    return refresh();
}

Lobby::Outcome Lobby::leaveRoom(const QString& extend)
{
    const Outcome outcome = applyFatalRule(context_.protocol.VBPHP(extend));
    if (outcome != Outcome::Done)
        return outcome;
    RoomMode = 0;
    return refresh();
}

void Lobby::Command_Click(int k)
{
    SetControls(false);
    const int r = k + Scr->value();
    if (r < int(Rooms.size()) && joinRoom(r) == Outcome::Failed) {
        SetControls(true);
        return;
    }
    if (refresh() == Outcome::Ended)
        return;
    SetControls(true);
}

Lobby::Outcome Lobby::joinRoom(int r)
{
    const RoomRec& room = Rooms[r];
    if (room.ID == MyRoom)
        return Outcome::Done;
    showMessage(tr("%1に入室試行\r\nID:%2").arg(r).arg(room.ID));
    const Reply reply = context_.protocol.VBPHP(requests::join(context_.master, room.ID));
    const JoinReply join = readJoinReply(reply);
    if (join.outcome != JoinReply::Outcome::Shown) {
        showMessage(join.outcome == JoinReply::Outcome::Malformed ? messages::malformedReply()
                                                                  : join.message);
        return Outcome::Failed;
    }
    showMessage(join.message);
    if (join.joined)
        RoomMode = 2;
    return Outcome::Done;
}

void Lobby::beforeProgramEnds()
{
    // The logout notice goes out whether or not the service answers.
    // Every player reads this chat line as it is, so it stays in the service's language.
    context_.protocol.VBPHP(requests::say(context_.master, QStringLiteral("システム"),
                                          context_.master.UserName + QStringLiteral(" さんがログアウトしました。")));
}

} // namespace online
