#include "platform/audio/clip_player.h"

#include "platform/audio/mixer.h"
#include "platform/audio/wav_format.h"

#include <algorithm>

namespace audio {

ClipPlayer::ClipPlayer(const std::string& wavPath, int volumePercent, bool muted)
{
    std::optional<PcmClip> clip = readWavFile(wavPath);
    if (!clip || clip->samples.empty())
        return;
    // Through the mixer, so that a clip of another rate and the volume come out as in the game.
    Mixer mixer(SampleRate);
    mixer.setGain(float(std::clamp(volumePercent, 0, 100)) / 100.0f);
    const std::size_t length = clip->samples.size() * SampleRate / std::size_t(clip->sampleRate);
    mixer.play(mixer.addClip(std::move(clip->samples), clip->sampleRate), 1.0f);
    samples_.resize(length);
    mixer.render(samples_);
    if (!muted && volumePercent > 0)
        device_ = AudioDevice::openDefault(SampleRate, 2 * samples_.size());
}

void ClipPlayer::play()
{
    if (device_)
        device_->push(samples_);
}

} // namespace audio
