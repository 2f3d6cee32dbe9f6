#include "platform/http_transfer.h"

#include <QApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTimer>
#include <QWindow>

#include <functional>

namespace platform {

namespace {

using Status = TransferResult::Status;

Status statusForNetworkError(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
        return Status::Refused;
    case QNetworkReply::HostNotFoundError:
        return Status::HostNotFound;
    case QNetworkReply::TimeoutError:
        return Status::Timeout;
    default:
        return Status::NetworkError;
    }
}

QByteArray charsetOf(const QByteArray& contentType)
{
    static const QRegularExpression charset(QStringLiteral("charset\\s*=\\s*\"?([^\";\\s]+)"),
                                            QRegularExpression::CaseInsensitiveOption);
    const auto match = charset.match(QString::fromLatin1(contentType));
    return match.hasMatch() ? match.captured(1).toLatin1() : QByteArray();
}

// Why the transfer ended, as seen from inside the waiting loop.
enum class Ending { Running, Finished, TimedOut, Oversized, Cancelled };

bool isUserInput(const QEvent& event)
{
    switch (event.type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
    case QEvent::ContextMenu:
        return true;
    case QEvent::Close:
        return event.spontaneous(); // the window manager's close button
    default:
        return false;
    }
}

// Holds for the length of one wait: drops the user's input to every window but its own notice,
// and shows that notice (with a 中止 button that calls `cancel`) once the wait passes `delay`.
class WaitGuard final : public QObject {
public:
    WaitGuard(std::chrono::milliseconds delay, std::function<void()> cancel)
        : cancel_(std::move(cancel))
    {
        if (QCoreApplication* application = QCoreApplication::instance())
            application->installEventFilter(this);
        if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
            return; // no widgets: nothing to show
        noticeTimer_.setSingleShot(true);
        QObject::connect(&noticeTimer_, &QTimer::timeout, this, [this] { showNotice(); });
        noticeTimer_.start(delay);
    }
    ~WaitGuard() override
    {
        if (QCoreApplication* application = QCoreApplication::instance())
            application->removeEventFilter(this);
        delete notice_;
    }
    WaitGuard(const WaitGuard&) = delete;
    WaitGuard& operator=(const WaitGuard&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        return isUserInput(*event) && !belongsToNotice(watched);
    }

private:
    bool belongsToNotice(QObject* watched) const
    {
        if (!notice_)
            return false;
        if (auto* widget = qobject_cast<QWidget*>(watched))
            return widget->window() == notice_;
        if (auto* window = qobject_cast<QWindow*>(watched))
            return window == notice_->windowHandle();
        return false;
    }

    void showNotice()
    {
        notice_ = new QProgressDialog(
            QCoreApplication::translate("platform::HttpTransfer", "サーバーの応答を待っています…"),
            QCoreApplication::translate("platform::HttpTransfer", "中止"), 0, 0, QApplication::activeWindow());
        notice_->setObjectName(QStringLiteral("WaitNotice"));
        notice_->setWindowTitle(QCoreApplication::translate("platform::HttpTransfer", "通信中"));
        notice_->setWindowModality(Qt::ApplicationModal);
        notice_->setMinimumDuration(0);
        QObject::connect(notice_, &QProgressDialog::canceled, this, [this] { cancel_(); });
        notice_->show();
    }

    std::function<void()> cancel_;
    QTimer noticeTimer_;
    QPointer<QProgressDialog> notice_;
};

} // namespace

QString decodeBody(const QByteArray& body, const QByteArray& contentType)
{
    const QByteArray charset = charsetOf(contentType);
    if (!charset.isEmpty()) {
        QStringDecoder decoder(charset.constData());
        if (decoder.isValid())
            return decoder.decode(body);
    }
    return QString::fromUtf8(body);
}

HttpTransfer::HttpTransfer()
    : network_(new QNetworkAccessManager)
{
}

HttpTransfer::~HttpTransfer()
{
    delete network_;
}

TransferResult HttpTransfer::get(const QUrl& url)
{
    QNetworkRequest request(url);
    QNetworkReply* reply = network_->get(request);
    Ending ending = Ending::Running;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);

    auto finish = [&](Ending why) {
        if (ending != Ending::Running)
            return;
        ending = why;
        loop.quit();
    };
    QObject::connect(reply, &QNetworkReply::finished, &loop, [&] { finish(Ending::Finished); });
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] { finish(Ending::TimedOut); });
    // The declared length is refused up front; a body that grows past the limit is cut off as it comes.
    QObject::connect(reply, &QNetworkReply::metaDataChanged, &loop, [&] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > maxBodyBytes_)
            finish(Ending::Oversized);
    });
    QObject::connect(reply, &QNetworkReply::downloadProgress, &loop, [&](qint64 received, qint64) {
        if (received > maxBodyBytes_)
            finish(Ending::Oversized);
    });

    deadline.start(timeout_);
    if (!reply->isFinished()) {
        WaitGuard guard(NoticeDelay, [&] { finish(Ending::Cancelled); });
        loop.exec();
    } else {
        ending = Ending::Finished;
    }
    deadline.stop();

    TransferResult result;
    result.httpStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    switch (ending) {
    case Ending::Running: // the loop was ended from outside, e.g. the application is quitting
    case Ending::Cancelled:
        result.status = Status::Cancelled;
        break;
    case Ending::TimedOut:
        result.status = Status::Timeout;
        break;
    case Ending::Oversized:
        result.status = Status::TooLarge;
        break;
    case Ending::Finished:
        if (reply->error() != QNetworkReply::NoError && result.httpStatus == 0) {
            result.status = statusForNetworkError(reply->error());
            result.detail = reply->errorString();
        } else if (result.httpStatus < 200 || result.httpStatus > 299) {
            result.status = Status::BadStatus;
        } else {
            const QByteArray body = reply->readAll();
            if (body.size() > maxBodyBytes_) {
                result.status = Status::TooLarge;
            } else {
                result.status = Status::Ok;
                result.body = decodeBody(body, reply->header(QNetworkRequest::ContentTypeHeader).toByteArray());
            }
        }
        break;
    }
    if (!reply->isFinished())
        reply->abort();
    reply->deleteLater();
    return result;
}

} // namespace platform
