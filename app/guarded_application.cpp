#include "app/guarded_application.h"

GuardedApplication::GuardedApplication(int& argc, char** argv, ErrorHandler onError)
    : QApplication(argc, argv)
    , onError_(std::move(onError))
{
}

bool GuardedApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        onError_(error);
        return false;
    }
}

bool hasVisibleDesktop()
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return false;
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}
