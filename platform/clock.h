#pragma once

#include <chrono>

namespace platform {

// Seconds as double on a monotonic time line. Real play reads a steady clock; replays and tests
// drive a virtual one, so every frame's timing can be reproduced exactly.
class Clock {
public:
    virtual ~Clock() = default;
    virtual double now() const = 0;
    // Waits for about `seconds`; a virtual clock returns at once.
    virtual void sleepFor(double seconds) = 0;
    // Waits until now() reads `deadline` or later; a virtual clock returns at once.
    virtual void sleepUntil(double deadline) { sleepFor(deadline - now()); }
};

class SteadyClock final : public Clock {
public:
    SteadyClock() : start_(std::chrono::steady_clock::now()) {}
    double now() const override
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }
    void sleepFor(double seconds) override;
    // One absolute-deadline sleep: no drift from the time spent before it, no waking early.
    void sleepUntil(double deadline) override;

private:
    std::chrono::steady_clock::time_point start_;
};

class VirtualClock final : public Clock {
public:
    explicit VirtualClock(double start = 0.0) : now_(start) {}
    double now() const override { return now_; }
    void sleepFor(double seconds) override { (void)seconds; }
    void sleepUntil(double deadline) override { (void)deadline; }
    void set(double seconds) { now_ = seconds; }
    void advance(double seconds) { now_ += seconds; }

private:
    double now_;
};

} // namespace platform
