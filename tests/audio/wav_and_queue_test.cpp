#include "platform/audio/audio_device.h"
#include "platform/audio/clip_player.h"
#include "platform/audio/sample_ring.h"
#include "platform/audio/wav_format.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include <chrono>
#include <cstring>
#include <fstream>

namespace {

using audio::PcmClip;

TEST(WavFormat, ClipsReadBackAndOnlySixteenBitMonoPcmIsTaken)
{
    const PcmClip clip{22050, {0, 1, -1, 32767, -32768, 1234}};
    const std::vector<std::uint8_t> bytes = audio::encodeWav(clip);
    ASSERT_EQ(bytes.size(), 44u + 12u);
    const auto back = audio::decodeWav(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->sampleRate, 22050);
    EXPECT_EQ(back->samples, clip.samples);

    // A chunk before the samples is stepped over.
    std::vector<std::uint8_t> withList(bytes.begin(), bytes.begin() + 36);
    const std::uint8_t list[] = {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0};
    withList.insert(withList.end(), std::begin(list), std::end(list));
    withList.insert(withList.end(), bytes.begin() + 36, bytes.end());
    ASSERT_TRUE(audio::decodeWav(withList));
    EXPECT_EQ(audio::decodeWav(withList)->samples, clip.samples);

    auto stereo = bytes;
    stereo[22] = 2;
    auto eightBit = bytes;
    eightBit[34] = 8;
    auto cut = bytes;
    cut.resize(cut.size() - 3);
    auto notWave = bytes;
    notWave[8] = 'X';
    for (const auto& bad : {stereo, eightBit, cut, notWave})
        EXPECT_FALSE(audio::decodeWav(bad));
    EXPECT_FALSE(audio::decodeWav(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 20)));
}

TEST(WavFormat, StreamWriterFillsInTheSizesAtTheEnd)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("stream.wav").toStdString();
    {
        audio::WavStreamWriter writer(path, 44100);
        ASSERT_TRUE(writer.isOpen());
        const std::int16_t first[] = {1, 2, 3};
        const std::int16_t second[] = {-4, 5};
        writer.append(first);
        writer.append(second);
        EXPECT_EQ(writer.samplesWritten(), 5);
    } // the destructor finishes the file
    const auto clip = audio::readWavFile(path);
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->sampleRate, 44100);
    EXPECT_EQ(clip->samples, (std::vector<std::int16_t>{1, 2, 3, -4, 5}));

    audio::WavStreamWriter nowhere(dir.filePath("missing/x.wav").toStdString(), 44100);
    EXPECT_FALSE(nowhere.isOpen());
    EXPECT_TRUE(nowhere.finish());
}

TEST(SampleRing, FullRingDropsEmptyRingReadsSilenceAndOrderSurvivesWrapping)
{
    audio::SampleRing ring(5);
    const std::int16_t seven[] = {1, 2, 3, 4, 5, 6, 7};
    EXPECT_EQ(ring.push(seven), 5u);
    EXPECT_EQ(ring.queued(), 5u);

    std::int16_t out[3];
    EXPECT_EQ(ring.pull(out), 3u);
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[2], 3);
    const std::int16_t more[] = {8, 9, 10, 11};
    EXPECT_EQ(ring.push(more), 3u);

    std::int16_t rest[7];
    std::memset(rest, 0x7f, sizeof rest);
    EXPECT_EQ(ring.pull(rest), 5u);
    const std::int16_t expected[] = {4, 5, 8, 9, 10, 0, 0};
    EXPECT_TRUE(std::equal(std::begin(rest), std::end(rest), std::begin(expected)));
    EXPECT_EQ(ring.queued(), 0u);
}

} // namespace

namespace {

TEST(ClipPlayer, ClipIsReadyAtTheDeviceRateAndVolumeAndAMissingFileIsSilent)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("beep.wav").toStdString();
    ASSERT_TRUE(audio::writeWavFile(path, PcmClip{22050, {20000, 20000, -20000, 0}}));
    const audio::ClipPlayer half(path, 50, true);
    ASSERT_EQ(half.samples().size(), 8u) << "twice the samples at twice the rate";
    EXPECT_EQ(half.samples()[0], 10000);
    EXPECT_EQ(half.samples()[2], 10000);
    EXPECT_EQ(half.samples()[4], -10000);
    EXPECT_EQ(half.samples()[6], 0);

    audio::ClipPlayer missing(dir.filePath("none.wav").toStdString(), 100, true);
    EXPECT_TRUE(missing.samples().empty());
    missing.play();
}

} // namespace

namespace {

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
    const std::vector<std::int16_t> frame(441, 1000);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 1000; ++i)
        device->push(frame);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_LE(device->queued(), 2205u) << "what does not fit is dropped";
}

} // namespace
