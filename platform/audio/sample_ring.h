#pragma once

// Samples handed from the game thread to the audio thread: one writer, one reader, no locks, so
// neither side ever waits for the other. A full ring drops what does not fit; an empty ring reads
// as silence.

#include <atomic>
#include <cstdint>
#include <span>
#include <vector>

namespace audio {

class SampleRing {
public:
    explicit SampleRing(std::size_t capacity) : buffer_(capacity + 1) {}

    // Writer side. Returns how many samples were taken.
    std::size_t push(std::span<const std::int16_t> samples)
    {
        const std::size_t size = buffer_.size();
        std::size_t w = write_.load(std::memory_order_relaxed);
        const std::size_t r = read_.load(std::memory_order_acquire);
        const std::size_t free = (r + size - w - 1) % size;
        const std::size_t n = samples.size() < free ? samples.size() : free;
        for (std::size_t i = 0; i < n; ++i) {
            buffer_[w] = samples[i];
            w = w + 1 == size ? 0 : w + 1;
        }
        write_.store(w, std::memory_order_release);
        return n;
    }

    // Reader side: fills all of `out`, with zeros past what was queued. Returns the samples that
    // came from the ring.
    std::size_t pull(std::span<std::int16_t> out)
    {
        const std::size_t size = buffer_.size();
        std::size_t r = read_.load(std::memory_order_relaxed);
        const std::size_t w = write_.load(std::memory_order_acquire);
        const std::size_t queued = (w + size - r) % size;
        const std::size_t n = out.size() < queued ? out.size() : queued;
        for (std::size_t i = 0; i < n; ++i) {
            out[i] = buffer_[r];
            r = r + 1 == size ? 0 : r + 1;
        }
        for (std::size_t i = n; i < out.size(); ++i)
            out[i] = 0;
        read_.store(r, std::memory_order_release);
        return n;
    }

    std::size_t queued() const
    {
        const std::size_t size = buffer_.size();
        return (write_.load(std::memory_order_acquire) + size - read_.load(std::memory_order_acquire)) % size;
    }
    std::size_t capacity() const { return buffer_.size() - 1; }

private:
    std::vector<std::int16_t> buffer_;
    std::atomic<std::size_t> write_{0};
    std::atomic<std::size_t> read_{0};
};

} // namespace audio
