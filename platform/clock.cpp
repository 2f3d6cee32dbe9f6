#include "platform/clock.h"

#include <thread>

namespace platform {

void SteadyClock::sleepFor(double seconds)
{
    if (seconds > 0)
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

} // namespace platform
