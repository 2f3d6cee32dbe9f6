#include "game/replay_format.h"

#include "game/mouse_feel.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <charconv>
#include <fstream>
#include <cmath>
#include <limits>

namespace {

QJsonObject parseObject(std::string_view line)
{
    QJsonParseError error;
    const QJsonDocument doc =
        QJsonDocument::fromJson(QByteArray(line.data(), static_cast<qsizetype>(line.size())), &error);
    if (error.error != QJsonParseError::NoError)
        throw ReplayFormatError("not JSON: " + error.errorString().toStdString());
    if (!doc.isObject())
        throw ReplayFormatError("not a JSON object");
    return doc.object();
}

// An integral JSON number within [low, high].
long long integerField(const QJsonValue& value, const char* name, long long low, long long high)
{
    const double d = value.toDouble(std::numeric_limits<double>::quiet_NaN());
    if (!value.isDouble() || !std::isfinite(d) || d != std::floor(d) || d < double(low) || d > double(high))
        throw ReplayFormatError(std::string("\"") + name + "\" must be an integer from " + std::to_string(low)
                                + " to " + std::to_string(high));
    return static_cast<long long>(d);
}

void append(std::string& out, long long v)
{
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

void appendDouble(std::string& out, double v)
{
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

} // namespace

ReplayHeader parseReplayHeader(std::string_view line)
{
    const QJsonObject o = parseObject(line);
    if (integerField(o.value("rinkfall_replay"), "rinkfall_replay", 1, 1) != 1)
        throw ReplayFormatError("unknown replay version");
    ReplayHeader h;
    h.gmode = static_cast<std::int16_t>(integerField(o.value("gmode"), "gmode", -32768, 32767));
    h.seed = static_cast<std::uint32_t>(integerField(o.value("seed"), "seed", 0, 4294967295LL));
    if (o.contains("match")) {
        const QJsonValue v = o.value("match");
        if (!v.isObject())
            throw ReplayFormatError("\"match\" must be an object");
        const QJsonObject m = v.toObject();
        match::MatchSetup setup;
        const QString opponent = m.value("opponent").toString();
        if (opponent != "cpu" && opponent != "local")
            throw ReplayFormatError("\"opponent\" must be \"cpu\" or \"local\"");
        setup.againstCpu = opponent == "cpu";
        setup.cpuLevel = static_cast<int>(integerField(m.value("level"), "level", 1, 3));
        setup.rules.ends = static_cast<int>(integerField(m.value("ends"), "ends", match::MinEnds, match::MaxEnds));
        if (!m.value("free_guard_zone").isBool())
            throw ReplayFormatError("\"free_guard_zone\" must be true or false");
        setup.rules.freeGuardZone = m.value("free_guard_zone").toBool();
        h.match = setup;
    }
    if (o.contains("mouse_sensitivity")) {
        const QJsonValue v = o.value("mouse_sensitivity");
        if (!v.isDouble() || !mousefeel::inRange(v.toDouble()))
            throw ReplayFormatError("\"mouse_sensitivity\" must be a number from "
                                    + QString::number(mousefeel::MinSensitivity).toStdString() + " to "
                                    + QString::number(mousefeel::MaxSensitivity).toStdString());
        h.mouseSensitivity = v.toDouble();
    }
    if (o.contains("invert_look")) {
        if (!o.value("invert_look").isBool())
            throw ReplayFormatError("\"invert_look\" must be true or false");
        h.invertLook = o.value("invert_look").toBool();
    }
    return h;
}

std::string replayHeaderLine(const ReplayHeader& header)
{
    std::string out = "{\"rinkfall_replay\":1,\"gmode\":";
    append(out, header.gmode);
    out += ",\"seed\":";
    append(out, header.seed);
    if (header.match) {
        const match::MatchSetup& m = *header.match;
        out += ",\"match\":{\"opponent\":";
        out += m.againstCpu ? "\"cpu\"" : "\"local\"";
        out += ",\"level\":";
        append(out, m.cpuLevel);
        out += ",\"ends\":";
        append(out, m.rules.ends);
        out += ",\"free_guard_zone\":";
        out += m.rules.freeGuardZone ? "true" : "false";
        out += '}';
    }
    // Only a feel other than the game's own is written, so recordings made without one keep their
    // header as it always was.
    if (header.mouseSensitivity != 1.0) {
        out += ",\"mouse_sensitivity\":";
        appendDouble(out, header.mouseSensitivity);
    }
    if (header.invertLook)
        out += ",\"invert_look\":true";
    out += '}';
    return out;
}

FrameInput parseFrameInput(std::string_view line)
{
    const QJsonObject o = parseObject(line);
    FrameInput in;
    const QJsonValue t = o.value("t");
    if (!t.isDouble() || !std::isfinite(t.toDouble()))
        throw ReplayFormatError("\"t\" must be a number of seconds");
    in.t = t.toDouble();
    if (o.contains("keys")) {
        const QJsonValue keys = o.value("keys");
        if (!keys.isArray())
            throw ReplayFormatError("\"keys\" must be an array");
        for (const QJsonValue& k : keys.toArray())
            in.keys.push_back(static_cast<std::uint8_t>(integerField(k, "keys", 0, 255)));
    }
    if (o.contains("mouse")) {
        const QJsonArray mouse = o.value("mouse").toArray();
        if (!o.value("mouse").isArray() || mouse.size() != 2)
            throw ReplayFormatError("\"mouse\" must be [x, y]");
        in.mouseX = static_cast<std::int32_t>(integerField(mouse[0], "mouse", -32768, 32767));
        in.mouseY = static_cast<std::int32_t>(integerField(mouse[1], "mouse", -32768, 32767));
    }
    if (o.contains("buttons"))
        in.buttons = static_cast<std::int16_t>(integerField(o.value("buttons"), "buttons", -32768, 32767));
    return in;
}

std::string frameInputLine(const FrameInput& input)
{
    std::string out = "{\"t\":";
    appendDouble(out, input.t);
    out += ",\"keys\":[";
    for (std::size_t i = 0; i < input.keys.size(); ++i) {
        if (i > 0)
            out += ',';
        append(out, input.keys[i]);
    }
    out += "],\"mouse\":[";
    append(out, input.mouseX);
    out += ',';
    append(out, input.mouseY);
    out += "],\"buttons\":";
    append(out, input.buttons);
    out += '}';
    return out;
}

ReplayReader::ReplayReader(const std::string& path) : path_(path), in_(std::make_unique<std::ifstream>(path))
{
    if (!*in_)
        throw ReplayFormatError(path_ + ": cannot be read");
    readHeader();
}

ReplayReader::ReplayReader(std::unique_ptr<std::istream> in, const std::string& name) : path_(name), in_(std::move(in))
{
    readHeader();
}

void ReplayReader::readHeader()
{
    std::string line;
    if (!std::getline(*in_, line))
        fail("no header line");
    lineNumber_ = 1;
    try {
        header_ = parseReplayHeader(line);
    } catch (const ReplayFormatError& e) {
        fail(e.what());
    }
}

std::optional<FrameInput> ReplayReader::next()
{
    std::string line;
    while (std::getline(*in_, line)) {
        ++lineNumber_;
        if (line.find_first_not_of(" \t\r") == std::string::npos)
            continue; // blank lines, e.g. a trailing one, carry no frame
        try {
            return parseFrameInput(line);
        } catch (const ReplayFormatError& e) {
            fail(e.what());
        }
    }
    return std::nullopt;
}

void ReplayReader::fail(const std::string& what) const
{
    throw ReplayFormatError(path_ + ":" + std::to_string(lineNumber_ == 0 ? 1 : lineNumber_) + ": " + what);
}
