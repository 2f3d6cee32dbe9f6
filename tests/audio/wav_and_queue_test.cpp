#include "platform/audio/audio_device.h"
#include "platform/audio/clip_player.h"
#include "platform/audio/sample_ring.h"
#include "platform/audio/wav_format.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include <chrono>

namespace {

using audio::PcmClip;
using Bytes = std::vector<std::uint8_t>;
using Samples = std::vector<std::int16_t>;

TEST(WavFormat, ClipsReadBackAChunkBeforeTheSamplesIsSkippedAndOnlySixteenBitMonoPcmIsTaken)
{
    const PcmClip clip{22050, {0, 1, -1, 32767, -32768, 1234}};
    const Bytes bytes = audio::encodeWav(clip);
    ASSERT_EQ(bytes.size(), 44u + 12u);
    Bytes listed = bytes;
    listed.insert(listed.begin() + 36, {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0});
    for (const Bytes& file : {bytes, listed}) {
        const auto back = audio::decodeWav(file);
        ASSERT_TRUE(back && back->sampleRate == 22050);
        EXPECT_EQ(back->samples, clip.samples);
    }
    // {offset, new byte}, or {-cut, 0} for a file cut short.
    const std::pair<int, int> damage[] = {{22, 2}, {34, 8}, {8, 'X'}, {-3, 0}, {-36, 0}};
    for (const auto& [at, value] : damage) {
        Bytes bad(bytes.begin(), bytes.end() + std::min(at, 0));
        if (at > 0)
            bad[std::size_t(at)] = std::uint8_t(value);
        EXPECT_FALSE(audio::decodeWav(bad)) << at;
    }
}

TEST(WavFiles, StreamWriterFillsInTheSizesAtTheEndAndAClipPlayerReadsAtTheDeviceRateAndVolume)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("stream.wav").toStdString();
    {
        audio::WavStreamWriter writer(path, 44100);
        ASSERT_TRUE(writer.isOpen());
        writer.append(Samples{1, 2, 3});
        writer.append(Samples{-4, 5});
        EXPECT_EQ(writer.samplesWritten(), 5);
    } // the destructor finishes the file
    const auto clip = audio::readWavFile(path);
    ASSERT_TRUE(clip && clip->sampleRate == 44100);
    EXPECT_EQ(clip->samples, (Samples{1, 2, 3, -4, 5}));

    audio::WavStreamWriter nowhere(dir.filePath("missing/x.wav").toStdString(), 44100);
    EXPECT_FALSE(nowhere.isOpen());
    EXPECT_TRUE(nowhere.finish());

    // A clip player has its clip ready at the device rate and volume; a missing file plays silence.
    const std::string beep = dir.filePath("beep.wav").toStdString();
    ASSERT_TRUE(audio::writeWavFile(beep, PcmClip{22050, {20000, 20000, -20000, 0}}));
    const audio::ClipPlayer half(beep, 50, true);
    ASSERT_EQ(half.samples().size(), 8u) << "twice the samples at twice the rate";
    for (std::size_t i = 0; i < 8; i += 2)
        EXPECT_EQ(half.samples()[i], (Samples{10000, 10000, -10000, 0}[i / 2])) << i;
    audio::ClipPlayer missing(dir.filePath("none.wav").toStdString(), 100, true);
    EXPECT_TRUE(missing.samples().empty());
    missing.play();
}

TEST(SampleRing, FullRingDropsEmptyRingReadsSilenceAndOrderSurvivesWrapping)
{
    audio::SampleRing ring(5);
    EXPECT_EQ(ring.push(Samples{1, 2, 3, 4, 5, 6, 7}), 5u);
    Samples out(3);
    EXPECT_EQ(ring.pull(out), 3u);
    EXPECT_EQ(out, (Samples{1, 2, 3}));
    EXPECT_EQ(ring.push(Samples{8, 9, 10, 11}), 3u);
    out.assign(7, 0x7f7f);
    EXPECT_EQ(ring.pull(out), 5u);
    EXPECT_EQ(out, (Samples{4, 5, 8, 9, 10, 0, 0}));
    EXPECT_EQ(ring.queued(), 0u);
}

// With or without a sound server on the machine: no message, and pushing never waits.
TEST(AudioDevice, OpeningSaysNothingAndPushingNeverWaits)
{
    int argc = 1;
    char name[] = "audio_tests";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    testing::internal::CaptureStderr();
    std::unique_ptr<audio::AudioDevice> device = audio::AudioDevice::openDefault(44100, 2205);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    if (!device)
        return; // no sound output here: being silent about it is all there is to check
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 1000; ++i)
        device->push(Samples(441, 1000));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_LE(device->queued(), 2205u) << "what does not fit is dropped";
}

} // namespace
