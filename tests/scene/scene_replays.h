#pragma once

// Recorded inputs that bring a practice game to the moments the picture tests look at. Every
// frame is 1/80 s apart; the seed fixes the balance triangle's start angle.

#include "game/replay_format.h"

#include <cstdint>
#include <string>
#include <vector>

namespace scenetest {

constexpr std::uint8_t KeyA = 65, KeyD = 68, KeySpace = 32;

class ReplayScript {
public:
    explicit ReplayScript(std::uint32_t seed) { lines_.push_back(replayHeaderLine({1, seed})); }

    ReplayScript& idle(int frames) { return hold({}, frames); }
    ReplayScript& hold(std::vector<std::uint8_t> keys, int frames)
    {
        for (int i = 0; i < frames; ++i) {
            FrameInput in;
            in.t = 3.0 + double(lines_.size()) / 80;
            in.keys = keys;
            lines_.push_back(frameInputLine(in));
        }
        return *this;
    }
    // One frame with the cursor off the middle: mouse-look turns the view by the offset.
    ReplayScript& mouse(int dx, int dy)
    {
        FrameInput in;
        in.t = 3.0 + double(lines_.size()) / 80;
        in.mouseX += dx;
        in.mouseY += dy;
        lines_.push_back(frameInputLine(in));
        return *this;
    }
    // A key down for one frame and up for the next.
    ReplayScript& tap(std::uint8_t key) { return hold({key}, 1).idle(1); }

    // Free camera, then place the stone, aim right, and go to the spin phase with some spin.
    ReplayScript& toSpinPhase()
    {
        idle(170).tap(KeySpace).hold({KeyD}, 8).tap(KeySpace); // after two seconds the frame rate is known
        return hold({KeyA}, 12);
    }
    // On to the power phase with some power, then ready.
    ReplayScript& toReady()
    {
        toSpinPhase().tap(KeySpace).hold({KeyD}, 40);
        return tap(KeySpace);
    }

    const std::vector<std::string>& lines() const { return lines_; }
    std::string text() const
    {
        std::string all;
        for (const std::string& l : lines_)
            all += l + '\n';
        return all;
    }

private:
    std::vector<std::string> lines_;
};

} // namespace scenetest
