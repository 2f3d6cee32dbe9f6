#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace online {

// The fields of one server reply, or why the transfer failed.
class Reply {
public:
    static Reply fromDocument(const QString& document);
    static Reply transferFailed(const QString& reason);

    bool transferred() const { return failure_.isEmpty(); }
    const QString& failure() const { return failure_; }
    const QStringList& fields() const { return fields_; }
    bool has(qint64 index) const { return index >= 0 && index < fields_.size(); }
    QString field(qint64 index) const { return has(index) ? fields_.at(index) : QString(); }
    // Field 0 as a number; nothing when it is not one.
    std::optional<double> code() const;

private:
    QStringList fields_;
    QString failure_;
};

// Splits at every "<QZT>", keeping empty pieces.
QStringList splitReply(const QString& document);

// A field read as a decimal number, surrounding blanks allowed; nothing for text or infinities.
std::optional<double> replyNumber(const QString& text);
// Whole numbers of the reply, rounded half to even; nothing when out of range.
std::optional<int16_t> replyInteger(const QString& text);
std::optional<int32_t> replyLong(const QString& text);

} // namespace online
