#pragma once

#include "online/master.h"
#include "online/reply.h"
#include "platform/http_transfer.h"

#include <QString>
#include <QUrl>

#include <optional>

class QLabel;

namespace online {

// Every request of the online screens: one GET of base + "/PHP/" + GameDir + "/" + script-and-query.
class Protocol {
public:
    static constexpr const char* DefaultServer = "http://localhost:8080";

    Protocol(const Master& master, const QUrl& server, platform::HttpTransfer& transfer);
    // Later requests go to this service.
    void setServer(const QUrl& server);

    // Extend is the script name, "?" and the query; mes, when given, shows the progress text.
    Reply VBPHP(const QString& Extend, QLabel* mes = nullptr);
    // The same request against the Perl back end.
    Reply VBPerl(const QString& Extend);

    QUrl address(const QString& backEnd, const QString& Extend) const;

    // Accepts "scheme://host[:port][/path]" with scheme http or https.
    static std::optional<QUrl> parseServer(const QString& text);

private:
    Reply request(const QUrl& url);

    const Master& master_;
    QString base_; // without a trailing slash
    platform::HttpTransfer& transfer_;
};

} // namespace online
