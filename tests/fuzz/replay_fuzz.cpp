// libFuzzer target for the replay reader, fed a whole recording: it reads through or is refused with
// ReplayFormatError; what it accepted, the writer writes back to a line that reads as the same values.

#include "game/replay_format.h"
#include "tests/fuzz/fuzz_check.h"

#include <sstream>

namespace {

using fuzz::require;

void checkRoundTrip(const ReplayHeader& header)
{
    const ReplayHeader again = parseReplayHeader(replayHeaderLine(header));
    require(again.gmode == header.gmode && again.seed == header.seed
            && again.match.has_value() == header.match.has_value());
    if (header.match) {
        const match::MatchSetup& a = *again.match;
        const match::MatchSetup& b = *header.match;
        require(a.againstCpu == b.againstCpu && a.cpuLevel == b.cpuLevel && a.rules.ends == b.rules.ends
                && a.rules.freeGuardZone == b.rules.freeGuardZone);
    }
}

void checkRoundTrip(const FrameInput& frame)
{
    const FrameInput again = parseFrameInput(frameInputLine(frame));
    require(again.t == frame.t && again.keys == frame.keys && again.mouseX == frame.mouseX
            && again.mouseY == frame.mouseY && again.buttons == frame.buttons);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::optional<ReplayHeader> header;
    std::vector<FrameInput> frames;
    fuzz::refusedOr<ReplayFormatError>([&] {
        const std::string text(reinterpret_cast<const char*>(data), size);
        ReplayReader reader(std::make_unique<std::istringstream>(text), "fuzz.jsonl");
        header = reader.header();
        while (const auto frame = reader.next())
            frames.push_back(*frame);
    });
    if (header)
        checkRoundTrip(*header);
    for (const FrameInput& frame : frames)
        checkRoundTrip(frame);
    return 0;
}
