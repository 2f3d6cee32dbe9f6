#pragma once

#include "app/start_up.h"
#include "platform/dialogs.h"

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <QUrlQuery>

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

struct ScriptedReply {
    std::string body;
    int status = 200;
    std::string contentType = "text/html; charset=UTF-8";
    std::chrono::milliseconds delay{0};
    bool unsized = false; // sent without a Content-Length, up to the close
};

// A real HTTP server on 127.0.0.1, served by the event loop the client waits in. It answers each
// script (the last path segment, e.g. "Login.php") from a queue of replies, repeating the last one
// until another is scripted, and records every request target exactly as it came over the wire.
class ScriptServer {
public:
    ScriptServer()
    {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* connection = server_.nextPendingConnection()) {
                QObject::connect(connection, &QTcpSocket::disconnected, connection, &QObject::deleteLater);
                QObject::connect(connection, &QTcpSocket::readyRead, connection, [this, connection] {
                    QByteArray head = connection->property("head").toByteArray() + connection->readAll();
                    connection->setProperty("head", head);
                    if (head.contains("\r\n\r\n") && !connection->property("answered").toBool()) {
                        connection->setProperty("answered", true);
                        answer(connection, head.left(head.indexOf("\r\n")).split(' ').value(1).toStdString());
                    }
                });
            }
        });
    }

    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(server_.serverPort())); }
    void script(const std::string& name, const ScriptedReply& reply)
    {
        // A reply already served and kept only for repeating gives way to the new script.
        if (std::exchange(repeating_[name], false))
            replies_[name].clear();
        replies_[name].push_back(reply);
    }
    void script(const std::string& name, const std::string& body) { script(name, ScriptedReply{body}); }
    std::vector<std::string> targets() const { return targets_; }

private:
    void answer(QTcpSocket* connection, const std::string& target)
    {
        targets_.push_back(target);
        const std::string path = target.substr(0, target.find('?'));
        const std::string name = path.substr(path.rfind('/') + 1);
        auto& queue = replies_[name];
        const ScriptedReply reply = queue.empty() ? ScriptedReply{"no such script", 404} : queue.front();
        if (queue.size() > 1)
            queue.pop_front();
        else
            repeating_[name] = !queue.empty();
        QTimer::singleShot(reply.delay, connection, [connection, reply] {
            std::string response = "HTTP/1.1 " + std::to_string(reply.status) + " Status\r\nContent-Type: "
                                   + reply.contentType + "\r\nConnection: close\r\n";
            if (!reply.unsized)
                response += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
            response += "\r\n" + reply.body;
            connection->write(response.data(), qint64(response.size()));
            connection->disconnectFromHost(); // after the written bytes are out
        });
    }

    QTcpServer server_;
    std::map<std::string, std::deque<ScriptedReply>> replies_;
    std::map<std::string, bool> repeating_;
    std::vector<std::string> targets_;
};

// Decoded value of a query parameter of a request target, as the service's parser sees it.
inline std::string parameter(const std::string& target, const std::string& name)
{
    const size_t question = std::min(target.find('?'), target.size() - 1);
    const QUrlQuery query(QString::fromStdString(target.substr(question + 1)));
    const QString key = QString::fromStdString(name);
    return query.hasQueryItem(key) ? query.queryItemValue(key, QUrl::FullyDecoded).toStdString() : "<absent>";
}

// A port on 127.0.0.1 where nothing listens.
inline int closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

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
