// libFuzzer target for the replay reader, fed a whole recording as the game reads a file: the header
// line, then frame lines until the end. Every input either reads through or is refused with
// ReplayFormatError. Each frame read must also write back to a line that reads as the same frame.

#include "game/replay_format.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>

namespace {

void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

bool sameFrame(const FrameInput& a, const FrameInput& b)
{
    return a.t == b.t && a.keys == b.keys && a.mouseX == b.mouseX && a.mouseY == b.mouseY && a.buttons == b.buttons;
}

// What the reader accepted, the writer writes back to the same values.
void checkRoundTrip(const ReplayHeader& header)
{
    try {
        const ReplayHeader again = parseReplayHeader(replayHeaderLine(header));
        require(again.gmode == header.gmode && again.seed == header.seed && again.match.has_value() == header.match.has_value());
        if (header.match) {
            const match::MatchSetup& a = *again.match;
            const match::MatchSetup& b = *header.match;
            require(a.againstCpu == b.againstCpu && a.cpuLevel == b.cpuLevel && a.rules.ends == b.rules.ends
                    && a.rules.freeGuardZone == b.rules.freeGuardZone);
        }
    } catch (const ReplayFormatError&) {
        __builtin_trap();
    }
}

void checkRoundTrip(const FrameInput& frame)
{
    try {
        require(sameFrame(parseFrameInput(frameInputLine(frame)), frame));
    } catch (const ReplayFormatError&) {
        __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        ReplayReader reader(std::make_unique<std::istringstream>(std::string(reinterpret_cast<const char*>(data), size)),
                            "fuzz.jsonl");
        checkRoundTrip(reader.header());
        while (const auto frame = reader.next())
            checkRoundTrip(*frame);
    } catch (const ReplayFormatError&) {
    }
    return 0;
}
