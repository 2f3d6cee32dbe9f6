#include "script_server.h"

#include <QTcpSocket>
#include <QTimer>
#include <QUrlQuery>

#include <stdexcept>

namespace testing_support {

ScriptServer::ScriptServer()
{
    if (!server_.listen(QHostAddress::LocalHost, 0))
        throw std::runtime_error("test service cannot listen");
    QObject::connect(&server_, &QTcpServer::newConnection, [this] {
        while (QTcpSocket* connection = server_.nextPendingConnection()) {
            QObject::connect(connection, &QTcpSocket::disconnected, connection, &QObject::deleteLater);
            QObject::connect(connection, &QTcpSocket::readyRead, connection, [this, connection] {
                if (connection->property("answered").toBool())
                    return;
                QByteArray head = connection->property("head").toByteArray() + connection->readAll();
                connection->setProperty("head", head);
                if (!head.contains("\r\n\r\n"))
                    return;
                connection->setProperty("answered", true);
                const QList<QByteArray> requestLine = head.left(head.indexOf("\r\n")).split(' ');
                if (requestLine.size() >= 2)
                    answer(connection, requestLine[1].toStdString());
            });
        }
    });
}

void ScriptServer::answer(QTcpSocket* connection, const std::string& target)
{
    targets_.push_back(target);
    const std::string path = target.substr(0, target.find('?'));
    const std::string name = path.substr(path.rfind('/') + 1);
    ScriptedReply reply{"no such script", 404};
    if (auto& queue = replies_[name]; !queue.empty()) {
        reply = queue.front();
        if (queue.size() > 1)
            queue.pop_front();
        else
            repeating_[name] = true;
    }
    QTimer::singleShot(reply.delay, connection, [connection, reply] {
        const std::string status = reply.status == 200 ? "200 OK" : std::to_string(reply.status) + " Status";
        std::string response = "HTTP/1.1 " + status + "\r\nContent-Type: " + reply.contentType + "\r\nConnection: close\r\n";
        if (reply.chunked) {
            response += "Transfer-Encoding: chunked\r\n\r\n";
            constexpr size_t Piece = 64 * 1024;
            for (size_t offset = 0; offset < reply.body.size(); offset += Piece) {
                const std::string piece = reply.body.substr(offset, Piece);
                response += QByteArray::number(qulonglong(piece.size()), 16).toStdString() + "\r\n" + piece + "\r\n";
            }
            response += "0\r\n\r\n";
        } else {
            response += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n\r\n" + reply.body;
        }
        connection->write(response.data(), qint64(response.size()));
        connection->disconnectFromHost(); // after the written bytes are out
    });
}

void ScriptServer::script(const std::string& name, const ScriptedReply& reply)
{
    auto& queue = replies_[name];
    // A reply already served and kept only for repeating gives way to the new script.
    if (repeating_[name] && queue.size() == 1)
        queue.clear();
    repeating_[name] = false;
    queue.push_back(reply);
}

std::string parameter(const std::string& target, const std::string& name)
{
    const size_t question = target.find('?');
    const QUrlQuery query(QString::fromStdString(question == std::string::npos ? "" : target.substr(question + 1)));
    const QString key = QString::fromStdString(name);
    if (!query.hasQueryItem(key))
        return "<absent>";
    return query.queryItemValue(key, QUrl::FullyDecoded).toStdString();
}

int closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace testing_support
