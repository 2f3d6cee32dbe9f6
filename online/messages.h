#pragma once

#include "platform/http_transfer.h"

#include <QString>

// Texts the online screens show for failures of their own.
namespace online::messages {

inline const QString ProgramTitle = QStringLiteral("Code:Rinkfall");
// In the language of the run, so they are made when they are shown.
QString accessing();
QString databaseError();
QString malformedReply();

// What the user reads when a request did not arrive whole.
QString transferFailure(const platform::TransferResult& result);

} // namespace online::messages
