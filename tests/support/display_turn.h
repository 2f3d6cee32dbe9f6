#pragma once
// The virtual X server the tests share (Xvfb 21.1) now and then hangs up on a client that connects
// at the same moment as another, and Qt then ends with "could not connect to display". So each test
// program waits for its turn to connect: an exclusive lock on a file named after the display, held
// while the application object opens its connection.

#include <memory>
#include <utility>

namespace testsupport {

class DisplayTurn {
public:
    // Waits for the turn when Qt is going to use the X display named by DISPLAY.
    DisplayTurn();
    ~DisplayTurn();
    DisplayTurn(const DisplayTurn&) = delete;
    DisplayTurn& operator=(const DisplayTurn&) = delete;

    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// The application object (QApplication, QGuiApplication or a subclass), built in the turn.
// `argc` goes by reference, as Qt keeps it.
template <class Application, class... Args>
std::unique_ptr<Application> makeApplicationInTurn(int& argc, char** argv, Args&&... args)
{
    DisplayTurn turn;
    return std::make_unique<Application>(argc, argv, std::forward<Args>(args)...);
}

} // namespace testsupport
