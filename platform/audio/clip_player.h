#pragma once

// One sound played on demand outside the game's frames, such as the title menu's buttons: each
// play() queues the whole clip on the device at once. Silent without the file or a device.

#include "platform/audio/audio_device.h"

#include <memory>
#include <string>
#include <vector>

namespace audio {

class ClipPlayer {
public:
    static constexpr int SampleRate = 44100;

    // Opens the device (needs a Qt application object) unless muted or at volume 0.
    ClipPlayer(const std::string& wavPath, int volumePercent, bool muted);
    void play();

    // The samples play() queues: the clip at the device's rate and the volume (also when muted).
    const std::vector<std::int16_t>& samples() const { return samples_; }

private:
    std::vector<std::int16_t> samples_;
    std::unique_ptr<AudioDevice> device_;
};

} // namespace audio
