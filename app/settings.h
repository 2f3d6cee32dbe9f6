#pragma once

// What the game remembers between runs, kept with QSettings where the platform keeps such things
// (on Linux ~/.config/rinkfall/rinkfall.conf). A password is never among it.

#include "platform/window_placement.h"

#include <QString>
#include <QUrl>

#include <optional>

class QCommandLineParser;
class QSettings;

struct StoredSettings {
    QString server;                  // as the player typed it; empty: the default service
    QString userName;                // the last user who logged in
    std::optional<platform::WindowPlacement> window;
    int volume = 100;                // percent
    double mouseSensitivity = 1.0;
    bool invertLook = false;
};

// Sets the organisation and application names QSettings files its settings under.
void nameTheApplication();

// Values that are missing or that a hand edit spoiled read as their defaults.
StoredSettings readSettings(const QSettings& settings);
void writeSettings(QSettings& settings, const StoredSettings& stored);

// The stored service address if it is a valid one, else the default.
QUrl storedServer(const StoredSettings& stored);
// The service of this run: the address the command line gives under `serverOption` (kept for this
// run only), else the stored one if it is a valid address, else the default. Nothing when the
// command line's address is not one.
std::optional<QUrl> serverForRun(const QCommandLineParser& parser, const QString& serverOption,
                                 const StoredSettings& stored);
