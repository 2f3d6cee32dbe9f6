#pragma once

#include "online/master.h"
#include "online/protocol.h"
#include "online/screen.h"
#include "platform/http_transfer.h"
#include "script_server.h"
#include "scripted_dialogs.h"

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStringList>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace testing_support {

// The shared values, a real transfer, scripted dialogs and a recorded exit, aimed at a ScriptServer.
struct OnlineRig {
    OnlineRig()
    {
        master.AppVersion = 1;
        master.GameKey = QStringLiteral("Rkf=1");
        master.GameDir = QStringLiteral("Rinkfall");
    }

    ScriptServer server;
    Master master;
    platform::HttpTransfer transfer;
    online::Protocol protocol{master, server.url(), transfer};
    ScriptedDialogs dialogs;
    std::vector<int> exits;
    online::OnlineContext context{master, protocol, dialogs, [this](int code) { exits.push_back(code); }};
};

// Stands in for a screen that a handler hands over to, counting its resets.
class NextScreen : public online::Screen {
public:
    using Screen::Screen;
    void NewGame() override
    {
        Tag = QStringLiteral("1");
        ++newGames;
    }
    int newGames = 0;
};

// The last entry of a record, or "<none>" when nothing was recorded.
inline std::string lastOf(const std::vector<std::string>& record)
{
    return record.empty() ? std::string("<none>") : record.back();
}

// A Lobby.php document: room i is number 100 + i, titled "room i", in state states[i % size]
// (only the first roomsSent rooms are written when it is given); chat line j reads "s j", "t j", "w j".
inline std::string lobbyDocument(int rooms, int chats, std::vector<int> states = {1, 2, 3, 0}, int roomsSent = -1)
{
    QStringList fields{QStringLiteral("1"), QStringLiteral("2026/12/06 23:00"), QString::number(rooms)};
    for (int i = 0; i < (roomsSent < 0 ? rooms : roomsSent); ++i)
        fields << QString::number(100 + i) << QStringLiteral("room %1").arg(i) << QStringLiteral("date %1").arg(i)
               << QStringLiteral("maker %1").arg(i) << QStringLiteral("rival %1").arg(i)
               << QString::number(states[size_t(i) % states.size()]);
    fields << QString::number(chats);
    for (int j = 0; j < chats; ++j)
        fields << QStringLiteral("s %1").arg(j) << QStringLiteral("t %1").arg(j) << QStringLiteral("w %1").arg(j);
    return fields.join(QStringLiteral("<QZT>")).toStdString();
}

template <typename Control>
Control* control(QWidget& form, const QString& name)
{
    return form.findChild<Control*>(name);
}

inline QString text(QWidget& form, const QString& name)
{
    if (auto* label = control<QLabel>(form, name))
        return label->text();
    if (auto* button = control<QPushButton>(form, name))
        return button->text();
    if (auto* box = control<QLineEdit>(form, name))
        return box->text();
    return QStringLiteral("<no control %1>").arg(name);
}

// The next control that Tab moves to.
inline QWidget* nextTabStop(QWidget* widget)
{
    QWidget* next = widget->nextInFocusChain();
    while (next != widget && !(next->focusPolicy() & Qt::TabFocus))
        next = next->nextInFocusChain();
    return next;
}

inline bool enabled(QWidget& form, const QString& name)
{
    auto* widget = form.findChild<QWidget*>(name);
    return widget && widget->isEnabled();
}

// Text with markup in it, as a hostile service or user would send it; `tag` tells the places apart.
inline QString markup(int tag)
{
    return QStringLiteral("<b>&amp;%1</b><img src=x>").arg(tag);
}

// Every label of `form` shows its text character for character: it looks the same as the same
// text drawn as plain text. Returns how many labels showed markup-looking text, so a test can check
// that its markup arrived at all.
inline int expectLabelsShowTextLiterally(QWidget& form)
{
    int withMarkup = 0;
    for (QLabel* label : form.findChildren<QLabel*>()) {
        if (!label->text().contains(QLatin1Char('<')))
            continue;
        ++withMarkup;
        const QImage shown = label->grab().toImage();
        const Qt::TextFormat format = label->textFormat();
        label->setTextFormat(Qt::PlainText);
        const QImage literal = label->grab().toImage();
        label->setTextFormat(format);
        EXPECT_TRUE(shown == literal) << label->objectName().toStdString() << " renders \""
                                      << label->text().toStdString() << "\" as markup";
    }
    return withMarkup;
}

} // namespace testing_support
