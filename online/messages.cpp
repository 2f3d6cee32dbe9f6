#include "online/messages.h"

#include <QCoreApplication>

namespace online::messages {

QString accessing()
{
    return QCoreApplication::translate("online::messages", "システムアクセス中...");
}

QString databaseError()
{
    return QCoreApplication::translate("online::messages", "データベースにエラーが発生しました。");
}

QString malformedReply()
{
    return QCoreApplication::translate("online::messages", "サーバーの応答が正しくありません。");
}

QString transferFailure(const platform::TransferResult& result)
{
    using Status = platform::TransferResult::Status;
    switch (result.status) {
    case Status::Ok:
        return {};
    case Status::Refused:
        return QCoreApplication::translate("online::messages", "サーバーに接続できませんでした。");
    case Status::HostNotFound:
        return QCoreApplication::translate("online::messages", "サーバーが見つかりませんでした。");
    case Status::Timeout:
        return QCoreApplication::translate("online::messages", "サーバーから応答がありませんでした。");
    case Status::TooLarge:
        return QCoreApplication::translate("online::messages", "サーバーの応答が大きすぎます。");
    case Status::BadStatus:
        return QCoreApplication::translate("online::messages", "サーバーがエラーを返しました。(HTTP %1)")
            .arg(result.httpStatus);
    case Status::Cancelled:
        return QCoreApplication::translate("online::messages", "通信が中断されました。");
    case Status::NetworkError:
        break;
    }
    return QCoreApplication::translate("online::messages", "通信に失敗しました。");
}

} // namespace online::messages
