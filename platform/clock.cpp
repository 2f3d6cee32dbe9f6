#include "platform/clock.h"

#include <cerrno>
#include <ctime>
#include <thread>

namespace platform {

void SteadyClock::sleepFor(double seconds)
{
    if (seconds > 0)
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

void SteadyClock::sleepUntil(double deadline)
{
    if (!(deadline > now()) || deadline > 1e9) // a NaN, a passed or an absurd deadline
        return;
    // steady_clock reads CLOCK_MONOTONIC, so its time points are that clock's readings.
    const auto at = start_ + std::chrono::ceil<std::chrono::nanoseconds>(std::chrono::duration<double>(deadline));
    const auto sinceEpoch = std::chrono::duration_cast<std::chrono::nanoseconds>(at.time_since_epoch()).count();
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(sinceEpoch / 1000000000);
    ts.tv_nsec = static_cast<long>(sinceEpoch % 1000000000);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}

} // namespace platform
