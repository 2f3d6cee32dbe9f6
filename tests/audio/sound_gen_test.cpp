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

void generate(const QString& dir)
{
    QProcess gen;
    gen.start(QStringLiteral(RINKFALL_SOUND_GEN), {dir});
    ASSERT_TRUE(gen.waitForFinished(60000));
    ASSERT_EQ(gen.exitStatus(), QProcess::NormalExit);
    ASSERT_EQ(gen.exitCode(), 0) << gen.readAllStandardError().toStdString();
}

TEST(SoundGenerator, TwoRunsWriteTheSameBytesAndEverySoundIsAudible)
{
    QTemporaryDir first, second;
    generate(first.filePath("Sound"));
    generate(second.filePath("Sound"));
    const QStringList names = QDir(first.filePath("Sound")).entryList(QDir::Files, QDir::Name);
    ASSERT_EQ(names, (QStringList{"button.wav", "clack.wav", "click.wav", "release.wav", "rumble.wav", "stroke.wav"}));
    for (const QString& name : names) {
        QFile a(first.filePath("Sound/" + name)), b(second.filePath("Sound/" + name));
        ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        const QByteArray bytes = a.readAll();
        EXPECT_TRUE(bytes == b.readAll()) << name.toStdString();

        const auto clip = audio::decodeWav(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                                     std::size_t(bytes.size())));
        ASSERT_TRUE(clip) << name.toStdString();
        EXPECT_EQ(clip->sampleRate, 44100);
        int peak = 0;
        for (std::int16_t s : clip->samples)
            peak = std::max(peak, std::abs(int(s)));
        EXPECT_GT(peak, 32767 / 3) << name.toStdString();
        EXPECT_LT(peak, 32767) << name.toStdString() << " stays below full scale";
        if (name == "rumble.wav") {
            // It loops: the end runs into the start without a jump.
            EXPECT_EQ(clip->samples.size(), 44100u);
            EXPECT_LT(std::abs(clip->samples.back() - clip->samples.front()), peak / 20);
        } else {
            // One-shot sounds end quietly, or stopping them would click.
            EXPECT_LT(std::abs(int(clip->samples.back())), peak / 20) << name.toStdString();
        }
    }

    QProcess gen;
    gen.start(QStringLiteral(RINKFALL_SOUND_GEN), {});
    ASSERT_TRUE(gen.waitForFinished(60000));
    EXPECT_EQ(gen.exitCode(), 2) << "no folder given";
}

} // namespace
