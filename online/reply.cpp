#include "online/reply.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace online {

namespace {

const QString Marker = QStringLiteral("<QZT>");

template <typename Int>
std::optional<Int> replyWhole(const QString& text)
{
    const auto number = replyNumber(text);
    if (!number)
        return std::nullopt;
    const double rounded = std::nearbyint(*number);
    if (rounded < std::numeric_limits<Int>::min() || rounded > std::numeric_limits<Int>::max())
        return std::nullopt;
    return static_cast<Int>(rounded);
}

} // namespace

Reply Reply::fromDocument(const QString& document)
{
    Reply reply;
    reply.fields_ = splitReply(document);
    return reply;
}

Reply Reply::transferFailed(const QString& reason)
{
    Reply reply;
    reply.failure_ = reason;
    return reply;
}

std::optional<double> Reply::code() const
{
    return has(0) ? replyNumber(fields_.at(0)) : std::nullopt;
}

QStringList splitReply(const QString& document)
{
    return document.split(Marker, Qt::KeepEmptyParts, Qt::CaseSensitive);
}

std::optional<double> replyNumber(const QString& text)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<int16_t> replyInteger(const QString& text)
{
    return replyWhole<int16_t>(text);
}

std::optional<int32_t> replyLong(const QString& text)
{
    return replyWhole<int32_t>(text);
}

} // namespace online
