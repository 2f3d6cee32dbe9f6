// The generator run as the build runs it.

#include "platform/audio/wav_format.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

int generate(const QStringList& args)
{
    QProcess gen;
    gen.start(QStringLiteral(RINKFALL_SOUND_GEN), args);
    EXPECT_TRUE(gen.waitForFinished(60000));
    return gen.exitStatus() == QProcess::NormalExit ? gen.exitCode() : -1;
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
    const QStringList names = QDir(first.filePath("Sound")).entryList(QDir::Files);
    EXPECT_EQ(names.size(), 6);
    for (const QString& name : names) {
        const QByteArray bytes = bytesOf(first.filePath("Sound/" + name));
        EXPECT_TRUE(bytes == bytesOf(second.filePath("Sound/" + name))) << name.toStdString();
        const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
        const auto clip = audio::decodeWav({data, std::size_t(bytes.size())});
        ASSERT_TRUE(clip && clip->sampleRate == 44100) << name.toStdString();
        const auto [low, high] = std::minmax_element(clip->samples.begin(), clip->samples.end());
        const int peak = std::max(-int(*low), int(*high));
        EXPECT_TRUE(peak > 32767 / 3 && peak < 32767) << name.toStdString() << " peaks at " << peak;
    }
}

} // namespace
