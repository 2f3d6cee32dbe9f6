#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace server {

// Every reply is a list of text fields joined with this marker; field 0 is the status code.
inline constexpr std::string_view kFieldMarker = "<QZT>";

// Status codes the game client compares. -1 refuses one request; -2 refuses for good: the
// client is too old, or its address made too many accounts today. The lobby's requests end the
// client on 0, -1 and -2, so there they are kept for a session that cannot go on; 2 tells the
// user why a request was not carried out, and the session goes on.
enum class ReplyCode { DatabaseError = 0, Success = 1, Refused = -1, Rejected = -2, NotDone = 2 };

using Reply = std::vector<std::string>;

Reply makeReply(ReplyCode code, std::vector<std::string> fields = {});
std::string joinReply(const Reply &reply);
// The fields of a reply body: every piece between markers, empty ones kept (joinReply undone).
Reply splitReply(std::string_view body);

} // namespace server
