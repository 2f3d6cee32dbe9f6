#pragma once

#include <QApplication>

#include <exception>
#include <functional>

// The program's application object. Qt cannot carry an exception out of an event handler, so one
// that escapes any handler is given to `onError` right where it was caught; the program reports it
// and ends there.
class GuardedApplication : public QApplication {
public:
    using ErrorHandler = std::function<void(const std::exception&)>;

    GuardedApplication(int& argc, char** argv, ErrorHandler onError);

    bool notify(QObject* receiver, QEvent* event) override;

private:
    ErrorHandler onError_;
};

// Whether a message box could be shown and answered: there is a widget application, and it is not
// on the offscreen or minimal platform that headless runs and tests use.
bool hasVisibleDesktop();
