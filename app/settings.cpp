#include "app/settings.h"

#include "game/mouse_feel.h"
#include "online/protocol.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSettings>

#include <algorithm>

namespace {

namespace Key {
const QString Server = QStringLiteral("online/server");
const QString UserName = QStringLiteral("online/userName");
const QString WindowGeometry = QStringLiteral("window/geometry");
const QString FullScreen = QStringLiteral("window/fullScreen");
const QString Volume = QStringLiteral("sound/volume");
const QString MouseSensitivity = QStringLiteral("mouse/sensitivity");
const QString InvertLook = QStringLiteral("mouse/invertLook");
} // namespace Key

} // namespace

void nameTheApplication()
{
    QCoreApplication::setOrganizationName(QStringLiteral("rinkfall"));
    QCoreApplication::setApplicationName(QStringLiteral("rinkfall"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0"));
}

StoredSettings readSettings(const QSettings& settings)
{
    StoredSettings s;
    s.server = settings.value(Key::Server).toString().trimmed();
    s.userName = settings.value(Key::UserName).toString();
    const QRect geometry = settings.value(Key::WindowGeometry).toRect();
    if (geometry.isValid() && !geometry.isEmpty())
        s.window = platform::WindowPlacement{geometry, settings.value(Key::FullScreen).toBool()};
    bool ok = false;
    const int volume = settings.value(Key::Volume).toInt(&ok);
    if (ok)
        s.volume = std::clamp(volume, 0, 100);
    const double sensitivity = settings.value(Key::MouseSensitivity).toDouble(&ok);
    if (ok && mousefeel::inRange(sensitivity))
        s.mouseSensitivity = sensitivity;
    s.invertLook = settings.value(Key::InvertLook).toBool();
    return s;
}

void writeSettings(QSettings& settings, const StoredSettings& stored)
{
    if (stored.server.isEmpty())
        settings.remove(Key::Server);
    else
        settings.setValue(Key::Server, stored.server);
    if (stored.userName.isEmpty())
        settings.remove(Key::UserName);
    else
        settings.setValue(Key::UserName, stored.userName);
    if (stored.window) {
        settings.setValue(Key::WindowGeometry, stored.window->geometry);
        settings.setValue(Key::FullScreen, stored.window->fullScreen);
    }
    settings.setValue(Key::Volume, stored.volume);
    settings.setValue(Key::MouseSensitivity, stored.mouseSensitivity);
    settings.setValue(Key::InvertLook, stored.invertLook);
    settings.sync();
}

QUrl storedServer(const StoredSettings& stored)
{
    if (const auto url = online::Protocol::parseServer(stored.server))
        return *url;
    return QUrl(QString::fromLatin1(online::Protocol::DefaultServer));
}

std::optional<QUrl> serverForRun(const QCommandLineParser& parser, const QString& serverOption,
                                 const StoredSettings& stored)
{
    if (parser.isSet(serverOption))
        return online::Protocol::parseServer(parser.value(serverOption));
    return storedServer(stored);
}
