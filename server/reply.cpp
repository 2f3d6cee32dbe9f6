#include "server/reply.h"

namespace server {

Reply makeReply(ReplyCode code, std::vector<std::string> fields)
{
    Reply reply;
    reply.reserve(fields.size() + 1);
    reply.push_back(std::to_string(static_cast<int>(code)));
    for (auto &field : fields)
        reply.push_back(std::move(field));
    return reply;
}

std::string joinReply(const Reply &reply)
{
    std::string body;
    for (std::size_t i = 0; i < reply.size(); ++i) {
        if (i > 0)
            body += kFieldMarker;
        body += reply[i];
    }
    return body;
}

Reply splitReply(std::string_view body)
{
    Reply fields;
    for (std::size_t start = 0;;) {
        const std::size_t at = body.find(kFieldMarker, start);
        fields.emplace_back(body.substr(start, at - start));
        if (at == std::string_view::npos)
            return fields;
        start = at + kFieldMarker.size();
    }
}

} // namespace server
