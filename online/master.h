#pragma once

#include <QString>

#include <cstdint>

// The program-wide values every online screen shares. The start-up creates one instance and hands
// it by reference to the protocol and the screens; it lives for the whole run.
struct Master {
    int16_t AppVersion = 0;
    QString GameKey;
    QString GameDir;
    QString ClientIP;
    int32_t UserNo = 0; // account numbers pass 32,767 long before they pass this
    QString UserName;
    // Handed out by a service that keeps login sessions; empty with one that does not, and then
    // no request carries it.
    QString SessionToken;
};
