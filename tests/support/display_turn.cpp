#include "tests/support/display_turn.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace testsupport {

namespace {

bool qtWillUseX()
{
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    return platform == nullptr || *platform == '\0' || std::strncmp(platform, "xcb", 3) == 0;
}

} // namespace

std::string DisplayTurn::lockPathFor(const std::string& display)
{
    std::string name;
    for (char c : display)
        name += (c == '/' ? '_' : c);
    return "/tmp/.rinkfall-display-turn-" + name + ".lock";
}

DisplayTurn::DisplayTurn()
{
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0' || !qtWillUseX())
        return;
    fd_ = ::open(lockPathFor(display).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0) {
        ::close(fd_);
        fd_ = -1; // without the lock the connection is merely less certain, as before
    }
}

DisplayTurn::~DisplayTurn()
{
    if (fd_ >= 0)
        ::close(fd_); // closing the only descriptor releases the lock
}

} // namespace testsupport
