#include "platform/audio/mixer.h"

#include <algorithm>
#include <cmath>

namespace audio {

Mixer::Mixer(int sampleRate) : sampleRate_(sampleRate) {}

int Mixer::addClip(std::vector<std::int16_t> samples, int clipRate)
{
    Clip clip;
    clip.samples.reserve(samples.size());
    for (std::int16_t s : samples)
        clip.samples.push_back(float(s) / 32768.0f);
    clip.step = double(clipRate) / sampleRate_;
    clips_.push_back(std::move(clip));
    return int(clips_.size()) - 1;
}

void Mixer::play(int clip, float gain, float rate)
{
    if (clip < 0 || clip >= int(clips_.size()) || clips_[clip].samples.empty() || gain <= 0 || rate <= 0)
        return;
    if (shots_.size() >= MaxShots)
        shots_.erase(shots_.begin());
    shots_.push_back({clip, gain, clips_[clip].step * rate});
}

void Mixer::keep(int key, int clip, float level, float rate)
{
    if (clip < 0 || clip >= int(clips_.size()) || clips_[clip].samples.empty())
        return;
    auto [it, isNew] = loops_.try_emplace(key);
    Loop& loop = it->second;
    if (isNew || loop.clip != clip) {
        loop = Loop{};
        loop.clip = clip;
        loop.rate = rate;
        // Spread the keys over the clip by a step that shares no factor with usual lengths.
        const std::size_t n = clips_[clip].samples.size();
        loop.pos = double((std::size_t(key) * 7919u) % n);
    }
    loop.targetLevel = std::max(level, 0.0f);
    loop.targetRate = std::max(rate, 0.01f);
    loop.kept = true;
}

// Linear interpolation between neighbouring samples; a one-shot clip is silent past its end.
float Mixer::sampleAt(const Clip& clip, double pos, bool wrap) const
{
    const std::size_t n = clip.samples.size();
    const std::size_t i = std::size_t(pos);
    const float frac = float(pos - double(i));
    const float a = clip.samples[i % n];
    std::size_t j = i + 1;
    if (j >= n) {
        if (!wrap)
            return a * (1 - frac);
        j %= n;
    }
    return a + (clip.samples[j] - a) * frac;
}

void Mixer::render(std::span<std::int16_t> out)
{
    const std::size_t n = out.size();
    bus_.assign(n, 0.0f);

    for (Shot& shot : shots_) {
        const Clip& clip = clips_[shot.clip];
        const double end = double(clip.samples.size());
        for (std::size_t k = 0; k < n && shot.pos < end; ++k) {
            bus_[k] += sampleAt(clip, shot.pos, false) * shot.gain;
            shot.pos += shot.step;
        }
    }
    std::erase_if(shots_, [this](const Shot& s) { return s.pos >= double(clips_[s.clip].samples.size()); });

    for (auto& [key, loop] : loops_) {
        if (!loop.kept)
            loop.targetLevel = 0;
        const Clip& clip = clips_[loop.clip];
        const double length = double(clip.samples.size());
        // Level and rate glide across the render, so a frame's change never clicks.
        const float levelStep = (loop.targetLevel - loop.level) / float(n ? n : 1);
        const float rateStep = (loop.targetRate - loop.rate) / float(n ? n : 1);
        for (std::size_t k = 0; k < n; ++k) {
            loop.level += levelStep;
            loop.rate += rateStep;
            bus_[k] += sampleAt(clip, loop.pos, true) * loop.level;
            loop.pos = std::fmod(loop.pos + clip.step * loop.rate, length);
        }
        loop.level = loop.targetLevel;
        loop.rate = loop.targetRate;
        loop.kept = false;
    }
    std::erase_if(loops_, [](const auto& entry) { return entry.second.level <= 0 && entry.second.targetLevel <= 0; });

    for (std::size_t k = 0; k < n; ++k) {
        const float v = std::clamp(bus_[k] * gain_, -1.0f, 1.0f) * 32767.0f;
        out[k] = std::int16_t(std::lrint(v));
    }
}

} // namespace audio
