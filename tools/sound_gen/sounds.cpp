#include "tools/sound_gen/sounds.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace soundgen {

namespace {

constexpr double Pi = std::numbers::pi;

// A fixed noise source: the same numbers on every machine, unlike the standard distributions.
class Noise {
public:
    explicit Noise(std::uint32_t seed) : state_(seed ? seed : 1) {}
    // Uniform in [-1, 1).
    double next()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return double(state_) / 2147483648.0 - 1.0;
    }

private:
    std::uint32_t state_;
};

std::vector<double> silence(double seconds)
{
    return std::vector<double>(std::size_t(seconds * SampleRate), 0.0);
}

double timeOf(std::size_t i)
{
    return double(i) / SampleRate;
}

// Scales to `peak` of full scale and rounds to 16 bits.
audio::PcmClip finished(const std::vector<double>& signal, double peak)
{
    double most = 0;
    for (double v : signal)
        most = std::max(most, std::fabs(v));
    const double scale = most > 0 ? peak * 32767.0 / most : 0;
    audio::PcmClip clip{SampleRate, {}};
    clip.samples.reserve(signal.size());
    for (double v : signal)
        clip.samples.push_back(std::int16_t(std::lround(std::clamp(v * scale, -32767.0, 32767.0))));
    return clip;
}

// A one-pole low-pass at `hz`, run in place.
void lowPass(std::vector<double>& s, double hz)
{
    const double a = 1 - std::exp(-2 * Pi * hz / SampleRate);
    double y = 0;
    for (double& v : s) {
        y += a * (v - y);
        v = y;
    }
}

void highPass(std::vector<double>& s, double hz)
{
    const double a = 1 - std::exp(-2 * Pi * hz / SampleRate);
    double low = 0;
    for (double& v : s) {
        low += a * (v - low);
        v -= low;
    }
}

// The granite sliding over pebbled ice: a low, rough roar. Built from whole-hertz partials over
// exactly one second, so the loop joins without a seam.
audio::PcmClip rumble()
{
    std::vector<double> s = silence(1.0);
    Noise noise(11);
    std::vector<double> phase(400), amp(400);
    for (int k = 0; k < 400; ++k) {
        const double hz = 25 + k;
        phase[std::size_t(k)] = (noise.next() + 1) * Pi;
        amp[std::size_t(k)] = (0.6 + 0.4 * noise.next()) / std::sqrt(hz);
    }
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = timeOf(i);
        double v = 0;
        for (int k = 0; k < 400; ++k)
            v += amp[std::size_t(k)] * std::sin(2 * Pi * (25 + k) * t + phase[std::size_t(k)]);
        s[i] = v;
    }
    return finished(s, 0.8);
}

// Stone on stone: a hard knock with a few inharmonic ringing partials.
audio::PcmClip clack()
{
    std::vector<double> s = silence(0.3);
    Noise noise(23);
    const double partials[][3] = {{1180, 1.0, 0.045}, {2650, 0.7, 0.03}, {4230, 0.45, 0.02}, {610, 0.5, 0.07}};
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = timeOf(i);
        double v = 0;
        for (const auto& p : partials)
            v += p[1] * std::exp(-t / p[2]) * std::sin(2 * Pi * p[0] * t);
        v += 1.2 * std::exp(-t / 0.003) * noise.next(); // the contact itself
        s[i] = v;
    }
    return finished(s, 0.95);
}

// A broom stroke: a bright swish that swells and fades.
audio::PcmClip stroke()
{
    std::vector<double> s = silence(0.24);
    Noise noise(37);
    for (double& v : s)
        v = noise.next();
    highPass(s, 1800);
    lowPass(s, 7000);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = timeOf(i);
        const double attack = std::min(1.0, t / 0.04);
        s[i] *= attack * std::exp(-std::max(0.0, t - 0.04) / 0.06);
    }
    return finished(s, 0.7);
}

// Letting go of the handle: a low push off the hack and the first scrape on the ice.
audio::PcmClip release()
{
    std::vector<double> s = silence(0.45);
    std::vector<double> scrape = silence(0.45);
    Noise noise(41);
    for (double& v : scrape)
        v = noise.next();
    lowPass(scrape, 900);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = timeOf(i);
        const double thump = std::exp(-t / 0.06) * std::sin(2 * Pi * (95 - 30 * t) * t);
        const double scrapeEnvelope = std::min(1.0, t / 0.05) * std::exp(-t / 0.18);
        s[i] = thump + 2.5 * scrape[i] * scrapeEnvelope;
    }
    return finished(s, 0.85);
}

// A gauge notch: short and soft.
audio::PcmClip click()
{
    std::vector<double> s = silence(0.03);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = timeOf(i);
        s[i] = std::exp(-t / 0.004) * std::sin(2 * Pi * 2300 * t);
    }
    return finished(s, 0.5);
}

// A menu button: two rising notes.
audio::PcmClip button()
{
    std::vector<double> s = silence(0.1);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = timeOf(i);
        const bool second = t >= 0.045;
        const double local = second ? t - 0.045 : t;
        const double hz = second ? 1320 : 880;
        const double envelope = std::min(1.0, local / 0.004) * std::exp(-local / 0.02);
        s[i] = envelope * std::sin(2 * Pi * hz * local);
    }
    return finished(s, 0.6);
}

} // namespace

std::vector<NamedSound> makeSounds()
{
    return {
        {"rumble.wav", rumble()},
        {"clack.wav", clack()},
        {"stroke.wav", stroke()},
        {"release.wav", release()},
        {"click.wav", click()},
        {"button.wav", button()},
    };
}

} // namespace soundgen
