#pragma once

#include "app/start_up.h"
#include "script_server.h"
#include "platform/dialogs.h"

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStringList>
#include <QTest>

#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

// Answers input boxes from a queue (cancel when empty) and keeps every message shown.
class ScriptedDialogs : public platform::Dialogs {
public:
    void messageBox(const std::string& text, const std::string&) override { messages.push_back(text); }
    std::optional<std::string> inputBox(const std::string&, const std::string&, const std::string&) override
    {
        if (answers.empty())
            return std::nullopt;
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::vector<std::string> messages;
    std::deque<std::optional<std::string>> answers;
};

template <typename Control>
Control* control(QWidget& form, const QString& name)
{
    return form.findChild<Control*>(name);
}

// What a label, button or box reads.
inline QString text(QWidget& form, const QString& name)
{
    auto* widget = form.findChild<QWidget*>(name);
    return widget ? widget->property("text").toString() : QStringLiteral("<no control %1>").arg(name);
}

inline bool enabled(QWidget& form, const QString& name)
{
    auto* widget = form.findChild<QWidget*>(name);
    return widget && widget->isEnabled();
}

inline void click(QWidget& form, const QString& name)
{
    QTest::mouseClick(control<QPushButton>(form, name), Qt::LeftButton);
}

inline void type(QWidget& form, const QStringList& boxes, const QStringList& texts)
{
    for (qsizetype i = 0; i < boxes.size(); ++i)
        QTest::keyClicks(control<QLineEdit>(form, boxes[i]), texts[i]);
}

// The whole online side as the program builds it, aimed at a scripted service, with scripted
// dialogs and the game launches and program exits recorded. The title menu is shown.
class OnlineScreens : public ::testing::Test {
protected:
    OnlineScreens() { startUp.run(); }

    Login& menu() { return startUp.titleMenu(); }
    // Makes `screen` the current one, as the screen before it would.
    static void open(online::Screen& screen)
    {
        screen.show();
        screen.NewGame();
    }
    std::vector<std::string> sentSince(size_t first) const
    {
        const auto all = service.targets();
        return {all.begin() + std::ptrdiff_t(std::min(first, all.size())), all.end()};
    }

    ScriptServer service;
    ScriptedDialogs dialogs;
    std::vector<int16_t> launched;
    std::vector<int> exits;
    StartUp startUp{service.url(), dialogs,
                    [this](int16_t gmode) {
                        launched.push_back(gmode);
                        return 3;
                    },
                    [this](int code) { exits.push_back(code); }};
};

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
