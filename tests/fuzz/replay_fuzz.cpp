// libFuzzer target for the replay reader, fed a whole recording: it reads through or is refused with
// ReplayFormatError; what it accepted, the writer writes back to a line that reads as the same values.

#include "game/replay_format.h"
#include "tests/fuzz/fuzz_check.h"

#include <sstream>

using fuzz::require;

FUZZ_TARGET(fuzz::NothingRefused)
{
    std::optional<ReplayHeader> header;
    std::vector<FrameInput> frames;
    try {
        ReplayReader reader(std::make_unique<std::istringstream>(std::string(input)), "fuzz.jsonl");
        header = reader.header();
        while (const auto frame = reader.next())
            frames.push_back(*frame);
    } catch (const ReplayFormatError&) {
    }
    if (header) {
        const ReplayHeader again = parseReplayHeader(replayHeaderLine(*header));
        require(again.gmode == header->gmode && again.seed == header->seed
                && again.match.has_value() == header->match.has_value());
        if (const auto& a = again.match, &b = header->match; a && b)
            require(a->againstCpu == b->againstCpu && a->cpuLevel == b->cpuLevel
                    && a->rules.ends == b->rules.ends && a->rules.freeGuardZone == b->rules.freeGuardZone);
    }
    for (const FrameInput& frame : frames) {
        const FrameInput again = parseFrameInput(frameInputLine(frame));
        require(again.t == frame.t && again.keys == frame.keys && again.mouseX == frame.mouseX
                && again.mouseY == frame.mouseY && again.buttons == frame.buttons);
    }
}
