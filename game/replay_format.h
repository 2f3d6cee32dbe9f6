#pragma once

// Input recordings and per-frame state dumps, as JSON Lines (UTF-8).
//
// A recording starts with {"rinkfall_replay":1,"gmode":G,"seed":S}, and for a match also
// "match":{"opponent":"cpu"|"local","level":L,"ends":N,"free_guard_zone":B}, and when the player's
// mouse-look differed from the game's own, "mouse_sensitivity":F and "invert_look":true (the
// replay turns the view as the recorded game did, whatever the player's settings are now); every
// further line is one
// frame's input as that frame's poll saw it: {"t":T,"keys":[K,...],"mouse":[X,Y],"buttons":B},
// with `t` the frame's clock in seconds, `keys` the virtual-key codes down, `mouse` the cursor in
// back-buffer pixels and `buttons` the button-down mask received since the previous poll. Only `t`
// is required (defaults: no key, (320, 240), 0).

#include "game/match/match_setup.h"

#include <cstdint>
#include <istream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct ReplayHeader {
    ReplayHeader() = default;
    ReplayHeader(std::int16_t g, std::uint32_t s, std::optional<match::MatchSetup> m = std::nullopt)
        : gmode(g), seed(s), match(std::move(m))
    {
    }

    std::int16_t gmode = 1;
    std::uint32_t seed = 0;
    std::optional<match::MatchSetup> match;
    double mouseSensitivity = 1.0;
    bool invertLook = false;
};

struct FrameInput {
    double t = 0;
    std::vector<std::uint8_t> keys;
    std::int32_t mouseX = 320;
    std::int32_t mouseY = 240;
    std::int16_t buttons = 0;
};

// A line that is not what the format says; the message says what is wrong.
class ReplayFormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

ReplayHeader parseReplayHeader(std::string_view line);
std::string replayHeaderLine(const ReplayHeader& header);
FrameInput parseFrameInput(std::string_view line);
std::string frameInputLine(const FrameInput& input);

// Reads a recording one frame at a time. Errors name the file and the line.
class ReplayReader {
public:
    explicit ReplayReader(const std::string& path);
    // Reads an already open recording; `name` stands for it in error messages.
    ReplayReader(std::unique_ptr<std::istream> in, const std::string& name);
    const ReplayHeader& header() const { return header_; }
    // The next frame, or nothing after the last one. A malformed line throws ReplayFormatError.
    std::optional<FrameInput> next();

private:
    [[noreturn]] void fail(const std::string& what) const;

    void readHeader();

    std::string path_;
    std::unique_ptr<std::istream> in_;
    ReplayHeader header_;
    long lineNumber_ = 0;
};
