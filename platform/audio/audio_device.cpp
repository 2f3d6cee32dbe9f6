#include "platform/audio/audio_device.h"

#include "platform/audio/sample_ring.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>

#include <algorithm>

namespace audio {

namespace {

// What the system's audio side reads: the ring, and silence whenever the game is behind, so the
// stream never stops and starts again.
class RingReader final : public QIODevice {
public:
    explicit RingReader(SampleRing& ring) : ring_(ring) {}
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return 4096 + QIODevice::bytesAvailable(); }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        const qint64 samples = std::min<qint64>(maxSize / 2, 4096);
        std::int16_t buffer[4096];
        ring_.pull(std::span<std::int16_t>(buffer, std::size_t(samples)));
        std::copy_n(reinterpret_cast<const char*>(buffer), samples * 2, data);
        return samples * 2;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    SampleRing& ring_;
};

class QtAudioDevice final : public AudioDevice {
public:
    QtAudioDevice(const QAudioDevice& device, const QAudioFormat& format, std::size_t queueSamples)
        : ring_(queueSamples), reader_(ring_), sink_(device, format)
    {
        reader_.open(QIODevice::ReadOnly);
        sink_.start(&reader_);
    }
    ~QtAudioDevice() override { sink_.stop(); }

    bool working() const { return sink_.error() == QAudio::NoError; }
    void push(std::span<const std::int16_t> samples) override { ring_.push(samples); }
    std::size_t queued() const override { return ring_.queued(); }

private:
    SampleRing ring_;
    RingReader reader_;
    QAudioSink sink_;
};

// Looking for outputs on a machine without a sound server makes the audio backend print a warning
// of its own; a silent game is the expected outcome there, so the warning is held back while we look.
QAudioDevice quietDefaultOutput()
{
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    qInstallMessageHandler(previous);
    return device;
}

} // namespace

std::unique_ptr<AudioDevice> AudioDevice::openDefault(int sampleRate, std::size_t queueSamples)
{
    const QAudioDevice device = quietDefaultOutput();
    if (device.isNull())
        return nullptr;
    QAudioFormat format;
    format.setSampleRate(sampleRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format))
        return nullptr;
    auto opened = std::make_unique<QtAudioDevice>(device, format, queueSamples);
    if (!opened->working())
        return nullptr;
    return opened;
}

} // namespace audio
