#pragma once

#include <QString>
#include <QUrl>

#include <chrono>

class QNetworkAccessManager;

namespace platform {

// Outcome of one GET. Only Ok carries a body.
struct TransferResult {
    enum class Status { Ok, Refused, HostNotFound, Timeout, TooLarge, BadStatus, Cancelled, NetworkError };
    Status status = Status::NetworkError;
    int httpStatus = 0;  // 0 when no response arrived
    QString body;        // decoded text of the whole document
    QString detail;      // the network layer's own wording, for diagnostics

    bool ok() const { return status == Status::Ok; }
};

// One blocking HTTP(S) GET. While it waits, a local event loop keeps windows painting; user input
// to them is dropped, never held back for later, so the calling screen cannot be clicked into a
// second request. A wait longer than a moment shows a small dialog whose 中止 button ends it
// (the result is Cancelled).
class HttpTransfer {
public:
    static constexpr std::chrono::milliseconds DefaultTimeout{60'000};
    static constexpr std::chrono::milliseconds NoticeDelay{500};
    static constexpr qint64 DefaultMaxBodyBytes = 1024 * 1024;

    HttpTransfer();
    ~HttpTransfer();
    HttpTransfer(const HttpTransfer&) = delete;
    HttpTransfer& operator=(const HttpTransfer&) = delete;

    void setTimeout(std::chrono::milliseconds timeout) { timeout_ = timeout; }
    void setMaxBodyBytes(qint64 bytes) { maxBodyBytes_ = bytes; }

    TransferResult get(const QUrl& url);

private:
    QNetworkAccessManager* network_;
    std::chrono::milliseconds timeout_ = DefaultTimeout;
    qint64 maxBodyBytes_ = DefaultMaxBodyBytes;
};

// Decodes a body by the charset named in a Content-Type header, UTF-8 when none is named or the
// named one is unknown to Qt.
QString decodeBody(const QByteArray& body, const QByteArray& contentType);

} // namespace platform
