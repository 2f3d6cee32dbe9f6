#include "game/sound_player.h"

#include <algorithm>

SoundPlayer::SoundPlayer(const std::string& soundDir, int volumePercent)
{
    mixer_.setGain(float(std::clamp(volumePercent, 0, 100)) / 100.0f);
    release_ = load(soundDir, "release.wav");
    rumble_ = load(soundDir, "rumble.wav");
    clack_ = load(soundDir, "clack.wav");
    stroke_ = load(soundDir, "stroke.wav");
    click_ = load(soundDir, "click.wav");
}

int SoundPlayer::load(const std::string& dir, const char* file)
{
    std::optional<audio::PcmClip> clip = audio::readWavFile(dir + "/" + file);
    if (!clip || clip->samples.empty())
        return -1;
    ++clipsLoaded_;
    return mixer_.addClip(std::move(clip->samples), clip->sampleRate);
}

bool SoundPlayer::writeTo(const std::string& wavPath)
{
    file_ = std::make_unique<audio::WavStreamWriter>(wavPath, SampleRate);
    if (!file_->isOpen()) {
        file_.reset();
        return false;
    }
    return true;
}

bool SoundPlayer::finish()
{
    return !file_ || file_->finish();
}

void SoundPlayer::frame(long, std::span<const sound::Event> events)
{
    for (const sound::Event& e : events) {
        switch (e.kind) {
        case sound::Kind::Release:
            mixer_.play(release_, e.level);
            break;
        case sound::Kind::Rumble:
            mixer_.keep(e.stone, rumble_, e.level, e.pitch);
            break;
        case sound::Kind::Clack:
            // A harder hit also rings a little higher.
            mixer_.play(clack_, e.level, 0.9f + 0.2f * e.level);
            break;
        case sound::Kind::Stroke:
            mixer_.play(stroke_, e.level);
            break;
        case sound::Kind::Click:
            mixer_.play(click_, e.level);
            break;
        }
    }
    mixer_.render(samples_);
    if (file_)
        file_->append(samples_);
    if (device_)
        device_->push(samples_);
}
