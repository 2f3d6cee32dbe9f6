#include "platform/audio/mixer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using audio::Mixer;
using Samples = std::vector<std::int16_t>;

// The next n samples, rendered over garbage so that silence has to be written; or only those at `at`.
Samples render(Mixer& m, std::size_t n, std::initializer_list<std::size_t> at = {})
{
    Samples out(n, 123), picked;
    m.render(out);
    for (std::size_t i : at)
        picked.push_back(out[i]);
    return at.size() ? picked : out;
}

Samples ramp(std::size_t n, int step, int wrap)
{
    Samples r(n);
    for (std::size_t i = 0; i < n; ++i)
        r[i] = std::int16_t(int(i) * step % wrap);
    return r;
}

TEST(Mixer, OneShotsAddUpScaledByGainAndVolumeClipAtFullScaleAndFallSilent)
{
    Mixer m(100);
    EXPECT_EQ(render(m, 10), Samples(10, 0));
    const int half = m.addClip(Samples(20, 16384), 100);
    m.play(half, 1.0f);
    m.play(half, 0.5f);
    EXPECT_EQ(render(m, 10), Samples(10, 24575)) << "(0.5 + 0.25) of full scale";
    m.setGain(0.5f);
    EXPECT_EQ(render(m, 10), Samples(10, 12288));
    EXPECT_EQ(m.voices(), 0) << "both clips ended after twenty samples";
    m.play(half, 0.0f);
    m.play(-1, 1.0f);
    m.play(99, 1.0f);
    EXPECT_EQ(m.voices(), 0) << "an inaudible or unknown clip starts nothing";

    // Loud sums clip instead of wrapping around; too many one-shots let the oldest go.
    Mixer loud(100);
    const int up = loud.addClip(Samples(4, 30000), 100);
    const int down = loud.addClip(Samples(4, -30000), 100);
    loud.play(up, 1.0f);
    loud.play(up, 1.0f);
    EXPECT_EQ(render(loud, 4), Samples(4, 32767));
    for (std::size_t i = 0; i < Mixer::MaxShots + 1; ++i)
        loud.play(i ? down : up, 0.01f);
    EXPECT_EQ(loud.voices(), int(Mixer::MaxShots));
    EXPECT_EQ(render(loud, 1)[0], std::int16_t(std::lrint(-300.0f * Mixer::MaxShots / 32768 * 32767)));
    for (int i = 0; i < 3; ++i)
        loud.play(down, 1.0f);
    EXPECT_EQ(render(loud, 3), Samples(3, -32767));
}

TEST(Mixer, RateAndClipSampleRateSetHowFastAClipIsRead)
{
    Mixer m(100);
    const int same = m.addClip(ramp(8, 1000, 65536), 100);
    const int slow = m.addClip(ramp(8, 1000, 65536), 50);
    m.play(same, 1.0f, 2.0f);
    EXPECT_EQ(render(m, 6), (Samples{0, 2000, 4000, 6000, 0, 0}))
        << "an octave up, the clip is over after half its samples";
    m.play(slow, 1.0f);
    // Between two samples of a clip at half the rate; past the last it fades to silence, not to the first.
    EXPECT_EQ(render(m, 16, {1, 2, 14, 15}), (Samples{500, 1000, 7000, 3500}));
    EXPECT_EQ(render(m, 4), Samples(4, 0));
}

TEST(Mixer, KeptLoopGlidesToItsLevelAndFadesOutWhenNoLongerKept)
{
    Mixer m(100);
    const int hum = m.addClip(Samples(7, 10000), 100);
    m.keep(3, hum, 1.0f, 1.0f);
    EXPECT_EQ(render(m, 10, {0, 4, 9}), (Samples{1000, 5000, 10000})) << "it starts from silence";
    m.keep(3, hum, 0.5f, 1.0f);
    EXPECT_EQ(render(m, 10, {4, 9}), (Samples{7500, 5000}));
    m.keep(3, hum, 0.5f, 1.0f);
    EXPECT_EQ(render(m, 20), Samples(20, 5000)) << "a loop is longer than its clip";
    EXPECT_EQ(render(m, 10, {0, 9}), (Samples{4500, 0})) << "no longer kept";
    EXPECT_EQ(m.voices(), 0);
}

TEST(Mixer, LoopsOfSeveralKeysSoundTogetherFromTheirOwnPlaceInTheClip)
{
    Mixer both(100), first(100), second(100);
    for (Mixer* m : {&both, &first, &second})
        m->addClip(ramp(10007, 1, 3000), 100);
    both.keep(0, 0, 1.0f, 1.0f);
    both.keep(1, 0, 1.0f, 1.0f);
    first.keep(0, 0, 1.0f, 1.0f);
    second.keep(1, 0, 1.0f, 1.0f);
    const Samples a = render(first, 50), b = render(second, 50), sum = render(both, 50);
    EXPECT_NE(a, b);
    for (std::size_t i = 0; i < sum.size(); ++i)
        ASSERT_NEAR(sum[i], a[i] + b[i], 1) << i;
}

} // namespace
