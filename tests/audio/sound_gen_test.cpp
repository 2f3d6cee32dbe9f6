// The generator run as the build runs it.

#include "platform/audio/wav_format.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace {

int generate(const QStringList& args)
{
    QProcess gen;
    gen.start(QStringLiteral(RINKFALL_SOUND_GEN), args);
    EXPECT_TRUE(gen.waitForFinished(60000));
    EXPECT_EQ(gen.exitStatus(), QProcess::NormalExit);
    return gen.exitCode();
}

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(SoundGenerator, TwoRunsWriteTheSameBytesAndEverySoundIsAudible)
{
    QTemporaryDir first, second;
    ASSERT_EQ(generate({first.filePath("Sound")}), 0);
    ASSERT_EQ(generate({second.filePath("Sound")}), 0);
    EXPECT_EQ(generate({}), 2) << "no folder given";
    const QStringList names = QDir(first.filePath("Sound")).entryList(QDir::Files, QDir::Name);
    ASSERT_EQ(names,
              (QStringList{"button.wav", "clack.wav", "click.wav", "release.wav", "rumble.wav", "stroke.wav"}));
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray bytes = bytesOf(first.filePath("Sound/" + name));
        EXPECT_TRUE(bytes == bytesOf(second.filePath("Sound/" + name)));
        const auto clip = audio::decodeWav(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                                     std::size_t(bytes.size())));
        ASSERT_TRUE(clip);
        EXPECT_EQ(clip->sampleRate, 44100);
        int peak = 0;
        for (std::int16_t s : clip->samples)
            peak = std::max(peak, std::abs(int(s)));
        EXPECT_GT(peak, 32767 / 3);
        EXPECT_LT(peak, 32767) << "stays below full scale";
        if (name == "rumble.wav") {
            // It loops: the end runs into the start without a jump.
            EXPECT_EQ(clip->samples.size(), 44100u);
            EXPECT_LT(std::abs(clip->samples.back() - clip->samples.front()), peak / 20);
        } else {
            EXPECT_LT(std::abs(int(clip->samples.back())), peak / 20) << "a one-shot ends loud: stopping it clicks";
        }
    }
}

} // namespace
