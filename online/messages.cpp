#include "online/messages.h"

namespace online::messages {

QString transferFailure(const platform::TransferResult& result)
{
    using Status = platform::TransferResult::Status;
    switch (result.status) {
    case Status::Ok:
        return {};
    case Status::Refused:
        return QStringLiteral("サーバーに接続できませんでした。");
    case Status::HostNotFound:
        return QStringLiteral("サーバーが見つかりませんでした。");
    case Status::Timeout:
        return QStringLiteral("サーバーから応答がありませんでした。");
    case Status::TooLarge:
        return QStringLiteral("サーバーの応答が大きすぎます。");
    case Status::BadStatus:
        return QStringLiteral("サーバーがエラーを返しました。(HTTP %1)").arg(result.httpStatus);
    case Status::Cancelled:
        return QStringLiteral("通信が中断されました。");
    case Status::NetworkError:
        break;
    }
    return QStringLiteral("通信に失敗しました。");
}

} // namespace online::messages
