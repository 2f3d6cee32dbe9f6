#include "online/protocol.h"

#include "online/messages.h"

#include <QLabel>

namespace online {

Protocol::Protocol(const Master& master, const QUrl& server, platform::HttpTransfer& transfer)
    : master_(master)
    , transfer_(transfer)
{
    setServer(server);
}

void Protocol::setServer(const QUrl& server)
{
    base_ = QString::fromLatin1(server.toEncoded());
    while (base_.endsWith(QLatin1Char('/')))
        base_.chop(1);
}

Reply Protocol::VBPHP(const QString& Extend, QLabel* mes)
{
    if (mes)
        mes->setText(messages::accessing());
    return request(address(QStringLiteral("PHP"), Extend));
}

Reply Protocol::VBPerl(const QString& Extend)
{
    return request(address(QStringLiteral("Perl"), Extend));
}

QUrl Protocol::address(const QString& backEnd, const QString& Extend) const
{
    const QString text = base_ + QLatin1Char('/') + backEnd + QLatin1Char('/') + master_.GameDir
                         + QLatin1Char('/') + Extend;
    // The query is already percent-encoded; take it byte for byte.
    return QUrl::fromEncoded(text.toUtf8(), QUrl::StrictMode);
}

std::optional<QUrl> Protocol::parseServer(const QString& text)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || url.hasQuery() || url.hasFragment())
        return std::nullopt;
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        return std::nullopt;
    return url;
}

Reply Protocol::request(const QUrl& url)
{
    const platform::TransferResult result = transfer_.get(url);
    if (!result.ok())
        return Reply::transferFailed(messages::transferFailure(result));
    return Reply::fromDocument(result.body);
}

} // namespace online
