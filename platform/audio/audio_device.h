#pragma once

// The default sound output of the system, fed from a SampleRing. Opening it is the only step that
// may take a moment; pushing samples afterwards never waits. A machine without any sound output
// gets no device and no message: the game is simply silent.

#include <cstdint>
#include <memory>
#include <span>

namespace audio {

class AudioDevice {
public:
    virtual ~AudioDevice() = default;
    // Queues samples for playing; what does not fit into the queue is dropped.
    virtual void push(std::span<const std::int16_t> samples) = 0;
    // Samples queued and not yet handed to the system.
    virtual std::size_t queued() const = 0;

    // The system's default output playing 16-bit mono at `sampleRate`, with room for `queueSamples`
    // waiting samples; null when there is no output or it cannot play that format. Needs a Qt
    // application object.
    static std::unique_ptr<AudioDevice> openDefault(int sampleRate, std::size_t queueSamples);
};

} // namespace audio
