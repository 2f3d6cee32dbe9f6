#include "tests/support/display_turn.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

namespace testsupport {

DisplayTurn::DisplayTurn()
{
    const char* display = std::getenv("DISPLAY");
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    const bool usesX = platform == nullptr || *platform == '\0' || std::strncmp(platform, "xcb", 3) == 0;
    if (display == nullptr || *display == '\0' || !usesX)
        return;
    std::string name = display; // such as ":99" or "host:1.0"
    std::replace(name.begin(), name.end(), '/', '_');
    const std::string path = "/tmp/.rinkfall-display-turn-" + name + ".lock";
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
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
