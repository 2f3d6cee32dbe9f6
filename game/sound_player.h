#pragma once

// Plays the game's sound events: a mixer fed frame by frame from the generated WAV files, its
// output going to the sound device, to a WAV file, or both. Each frame adds exactly one frame's
// share of samples (a hundredth of a second), so a replay always writes the same file.

#include "game/sound_events.h"
#include "platform/audio/audio_device.h"
#include "platform/audio/mixer.h"
#include "platform/audio/wav_format.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class SoundPlayer final : public sound::Sink {
public:
    static constexpr int SampleRate = 44100;
    static constexpr int FramesPerSecond = 100;
    static constexpr int SamplesPerFrame = SampleRate / FramesPerSecond;

    // Sounds from `soundDir` (a missing or broken file is a silent sound, not an error); volume in
    // percent.
    SoundPlayer(const std::string& soundDir, int volumePercent);

    // Where the mix goes; either may be left out.
    void setDevice(std::unique_ptr<audio::AudioDevice> device) { device_ = std::move(device); }
    // False when the file cannot be written.
    bool writeTo(const std::string& wavPath);
    // Completes the WAV file; false when writing it failed.
    bool finish();

    void frame(long frame, std::span<const sound::Event> events) override;

    // The samples of the last frame.
    const std::vector<std::int16_t>& lastFrame() const { return samples_; }
    int clipsLoaded() const { return clipsLoaded_; }

private:
    int load(const std::string& dir, const char* file);

    audio::Mixer mixer_{SampleRate};
    int clipsLoaded_ = 0;
    int release_ = -1, rumble_ = -1, clack_ = -1, stroke_ = -1, click_ = -1;
    std::unique_ptr<audio::AudioDevice> device_;
    std::unique_ptr<audio::WavStreamWriter> file_;
    std::vector<std::int16_t> samples_ = std::vector<std::int16_t>(SamplesPerFrame);
};
