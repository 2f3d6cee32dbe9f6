#include "online/requests.h"

#include <QUrl>

namespace online::requests {

namespace {

// GameKey is already a name=value pair and opens every query as it stands.
class Query {
public:
    Query(const QString& script, const Master& master)
        : text_(script + QLatin1Char('?') + master.GameKey)
    {
    }
    Query& add(const char* name, const QString& value)
    {
        text_ += QLatin1Char('&') + QLatin1String(name) + QLatin1Char('=') + percentEncoded(value);
        return *this;
    }
    Query& add(const char* name, qint64 value) { return add(name, QString::number(value)); }
    // The login session goes last, and only when the service gave one: with a service that keeps
    // no sessions the query stays exactly as before.
    Query& session(const Master& master)
    {
        return master.SessionToken.isEmpty() ? *this : add("Sid", master.SessionToken);
    }
    QString text() const { return text_; }

private:
    QString text_;
};

} // namespace

QString percentEncoded(const QString& value)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

qsizetype characterCount(const QString& text)
{
    return text.toUcs4().size();
}

QString firstCharacters(const QString& text, qsizetype count)
{
    qsizetype end = 0;
    for (qsizetype taken = 0; taken < count && end < text.size(); ++taken) {
        const bool pair = text.at(end).isHighSurrogate() && end + 1 < text.size() && text.at(end + 1).isLowSurrogate();
        end += pair ? 2 : 1;
    }
    return text.left(end);
}

QString login(const Master& master)
{
    return Query(QStringLiteral("Login.php"), master).add("Version", master.AppVersion).text();
}

QString access(const Master& master, const QString& name, const QString& password)
{
    return Query(QStringLiteral("Access.php"), master).add("NAME", name).add("PASS", password).text();
}

QString regist(const Master& master, const QString& name, const QString& password)
{
    return Query(QStringLiteral("Regist.php"), master)
        .add("NAME", name)
        .add("PASS", password)
        .add("LENG", characterCount(name))
        .add("IP", master.ClientIP)
        .text();
}

QString say(const Master& master, const QString& speaker, const QString& words)
{
    return Query(QStringLiteral("Say.php"), master)
        .add("Speaker", speaker)
        .add("Words", words)
        .add("Belong", 0)
        .session(master)
        .text();
}

QString lobby(const Master& master, int32_t myRoom)
{
    Query query(QStringLiteral("Lobby.php"), master);
    if (myRoom != -1)
        query.add("Having", myRoom);
    return query.session(master).text();
}

QString join(const Master& master, int32_t room)
{
    return Query(QStringLiteral("Join.php"), master).add("Room", room).add("Name", master.UserName).session(master).text();
}

QString makeGame(const Master& master, const QString& title)
{
    return Query(QStringLiteral("MakeGame.php"), master).add("Title", title).add("Name", master.UserName).session(master).text();
}

QString delGame(const Master& master)
{
    return Query(QStringLiteral("DelGame.php"), master).add("Name", master.UserName).session(master).text();
}

QString delJoin(const Master& master)
{
    return Query(QStringLiteral("DelJoin.php"), master).add("Name", master.UserName).session(master).text();
}

} // namespace online::requests
