#include "platform/audio/mixer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

using audio::Mixer;

std::vector<std::int16_t> constant(std::size_t n, std::int16_t v)
{
    return std::vector<std::int16_t>(n, v);
}

std::vector<std::int16_t> render(Mixer& m, std::size_t n)
{
    std::vector<std::int16_t> out(n, 123);
    m.render(out);
    return out;
}

bool silent(const std::vector<std::int16_t>& s)
{
    return std::all_of(s.begin(), s.end(), [](std::int16_t v) { return v == 0; });
}

TEST(Mixer, OneShotsAddUpScaledByTheirGainAndTheVolumeAndThenFallSilent)
{
    Mixer m(100);
    EXPECT_TRUE(silent(render(m, 10))) << "nothing playing writes zeros over the buffer";

    const int half = m.addClip(constant(20, 16384), 100);
    m.play(half, 1.0f);
    m.play(half, 0.5f);
    std::vector<std::int16_t> out = render(m, 10);
    EXPECT_EQ(out[0], 24575); // (0.5 + 0.25) of full scale
    EXPECT_EQ(out[9], 24575);
    EXPECT_EQ(m.voices(), 2);

    m.setGain(0.5f);
    out = render(m, 10);
    EXPECT_EQ(out[0], 12288);
    EXPECT_EQ(m.voices(), 0) << "both clips ended after twenty samples";
    EXPECT_TRUE(silent(render(m, 10)));

    m.play(half, 0.0f);
    m.play(-1, 1.0f);
    m.play(99, 1.0f);
    EXPECT_EQ(m.voices(), 0) << "an inaudible or unknown clip starts nothing";
}

TEST(Mixer, LoudSumsClipAtFullScaleInsteadOfWrappingAround)
{
    Mixer m(100);
    const int up = m.addClip(constant(4, 30000), 100);
    const int down = m.addClip(constant(4, -30000), 100);
    m.play(up, 1.0f);
    m.play(up, 1.0f);
    EXPECT_EQ(render(m, 4), constant(4, 32767));
    m.play(down, 1.0f);
    m.play(down, 1.0f);
    m.play(down, 1.0f);
    EXPECT_EQ(render(m, 4), constant(4, -32767));
}

TEST(Mixer, RateAndClipSampleRateSetHowFastAClipIsRead)
{
    Mixer m(100);
    std::vector<std::int16_t> ramp(8);
    for (std::size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = std::int16_t(1000 * i);
    const int same = m.addClip(ramp, 100);
    const int slow = m.addClip(ramp, 50);
    m.play(same, 1.0f, 2.0f);
    std::vector<std::int16_t> out = render(m, 6);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], 2000);
    EXPECT_EQ(out[3], 6000);
    EXPECT_EQ(out[4], 0) << "an octave up, the clip is over after half its samples";

    m.play(slow, 1.0f);
    out = render(m, 16);
    EXPECT_EQ(out[1], 500) << "between two samples of a clip at half the rate";
    EXPECT_EQ(out[2], 1000);
    EXPECT_EQ(out[14], 7000);
    // Past the last sample it fades to silence instead of wrapping to the first.
    EXPECT_EQ(out[15], 3500);
    EXPECT_TRUE(silent(render(m, 4)));
}

TEST(Mixer, KeptLoopGlidesToItsLevelAndFadesOutWhenNoLongerKept)
{
    Mixer m(100);
    const int hum = m.addClip(constant(7, 10000), 100);
    m.keep(3, hum, 1.0f, 1.0f);
    std::vector<std::int16_t> out = render(m, 10);
    EXPECT_EQ(out[0], 1000) << "it starts from silence";
    EXPECT_EQ(out[4], 5000);
    EXPECT_EQ(out[9], 10000);

    m.keep(3, hum, 0.5f, 1.0f);
    out = render(m, 10);
    EXPECT_EQ(out[4], 7500);
    EXPECT_EQ(out[9], 5000);
    m.keep(3, hum, 0.5f, 1.0f);
    EXPECT_EQ(render(m, 20), constant(20, 5000)) << "a loop is longer than its clip";

    out = render(m, 10); // not kept
    EXPECT_EQ(out[0], 4500);
    EXPECT_EQ(out[9], 0);
    EXPECT_EQ(m.voices(), 0);
    EXPECT_TRUE(silent(render(m, 10)));
}

TEST(Mixer, LoopsOfSeveralKeysSoundTogetherFromTheirOwnPlaceInTheClip)
{
    Mixer m(100);
    std::vector<std::int16_t> ramp(10007);
    for (std::size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = std::int16_t(i % 3000);
    const int clip = m.addClip(ramp, 100);
    std::vector<std::vector<std::int16_t>> alone;
    for (int key : {0, 1}) {
        Mixer single(100);
        single.addClip(ramp, 100);
        single.keep(key, clip, 1.0f, 1.0f);
        alone.push_back(render(single, 50));
        m.keep(key, clip, 1.0f, 1.0f);
    }
    EXPECT_NE(alone[0], alone[1]);
    const std::vector<std::int16_t> both = render(m, 50);
    for (std::size_t i = 0; i < both.size(); ++i)
        ASSERT_NEAR(both[i], alone[0][i] + alone[1][i], 1) << i;
    EXPECT_EQ(m.voices(), 2);
}

TEST(Mixer, TooManyOneShotsLetTheOldestGo)
{
    Mixer m(100);
    std::vector<std::int16_t> longer(100, 100);
    const int a = m.addClip(longer, 100);
    const int b = m.addClip(constant(100, 200), 100);
    m.play(a, 1.0f);
    for (std::size_t i = 0; i < Mixer::MaxShots; ++i)
        m.play(b, 1.0f);
    EXPECT_EQ(m.voices(), int(Mixer::MaxShots));
    EXPECT_EQ(render(m, 1)[0], std::int16_t(std::lrint(float(Mixer::MaxShots) * 200 / 32768.0f * 32767)));
}

} // namespace
