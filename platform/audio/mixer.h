#pragma once

// Mixes the game's sounds sample by sample: one-shot voices (a clip played once at a gain and
// rate) and looping voices kept alive by a level and pitch given every frame. Rendering is pure
// arithmetic on the caller's thread, so the same calls always give the same samples.

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <vector>

namespace audio {

class Mixer {
public:
    explicit Mixer(int sampleRate);

    int sampleRate() const { return sampleRate_; }

    // A clip at its own sample rate; played faster or slower so that rate 1 keeps its pitch.
    // Returns the id the play calls take.
    int addClip(std::vector<std::int16_t> samples, int clipRate);

    // Master gain, 0..1 (the volume).
    void setGain(float gain) { gain_ = gain; }

    // Plays clip `clip` once from its start at `gain` and `rate` (2 = an octave up, twice as short).
    void play(int clip, float gain, float rate = 1);
    // Keeps looping voice `key` sounding at `level` and `rate` through the next render(); the
    // voice glides there from where it was. A voice not kept this way before a render fades out
    // over that render and is gone. The first call starts the clip at an offset of its own per key,
    // so that equal voices do not double up.
    void keep(int key, int clip, float level, float rate);

    // The next `out.size()` samples of the mix, clipped to 16 bits.
    void render(std::span<std::int16_t> out);

    int voices() const { return int(shots_.size() + loops_.size()); }

    // At most this many one-shot voices sound at once: the oldest gives way.
    static constexpr std::size_t MaxShots = 24;

private:
    struct Clip {
        std::vector<float> samples;
        double step = 1; // clip samples per output sample at rate 1
    };
    struct Shot {
        int clip;
        float gain;
        double step;
        double pos = 0;
    };
    struct Loop {
        int clip;
        float level = 0, rate = 1;
        float targetLevel = 0, targetRate = 1;
        double pos = 0;
        bool kept = false;
    };

    float sampleAt(const Clip& clip, double pos, bool wrap) const;

    int sampleRate_;
    float gain_ = 1;
    std::vector<Clip> clips_;
    std::vector<Shot> shots_;
    std::map<int, Loop> loops_;
    std::vector<float> bus_;
};

} // namespace audio
