#pragma once

// The game's sounds, synthesised: the same samples come out of every run.

#include "platform/audio/wav_format.h"

#include <string>
#include <vector>

namespace soundgen {

constexpr int SampleRate = 44100;

struct NamedSound {
    std::string file; // e.g. "rumble.wav"
    audio::PcmClip clip;
};

std::vector<NamedSound> makeSounds();

} // namespace soundgen
