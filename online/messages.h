#pragma once

#include "platform/http_transfer.h"

#include <QString>

// Texts the online screens show for failures of their own.
namespace online::messages {

inline const QString ProgramTitle = QStringLiteral("Code:Rinkfall");
inline const QString Accessing = QStringLiteral("システムアクセス中...");
inline const QString DatabaseError = QStringLiteral("データベースにエラーが発生しました。");
inline const QString MalformedReply = QStringLiteral("サーバーの応答が正しくありません。");

// What the user reads when a request did not arrive whole.
QString transferFailure(const platform::TransferResult& result);

} // namespace online::messages
