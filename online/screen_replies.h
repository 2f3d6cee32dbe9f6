#pragma once

// What each online screen reads from a server reply, decided from the reply alone: the screens act
// on these answers (texts, buttons, the next screen), and the fuzz target feeds them any document.

#include "online/reply.h"

#include <QString>

#include <array>
#include <cstdint>

namespace online {

// The title menu's version check (Login.php).
struct TitleReply {
    enum class Outcome {
        TransferFailed, // show the reply's failure
        Malformed,      // show messages::malformedReply()
        Unexpected,     // an unknown code: the menu stays as it is
        Current,        // show the notice; login and registration open
        Outdated,       // show the notice; the client must be updated
    };
    Outcome outcome = Outcome::Malformed;
    std::array<QString, 5> notice; // fields 1 to 5
    QString clientIP;              // field 6
};
TitleReply readTitleReply(const Reply& reply);

// The user login (Access.php).
struct LoginReply {
    enum class Outcome {
        TransferFailed, // message is the reply's failure
        Malformed,
        Refused,        // message is the server's
        DatabaseError,
        LoggedIn,       // userNo and userName are set, sessionToken when the service sent one
        Unknown,        // an unknown code: the progress text stays
    };
    Outcome outcome = Outcome::Malformed;
    QString message;
    int32_t userNo = 0;
    QString userName;
    QString sessionToken; // field 3, from a service with login sessions
};
LoginReply readLoginReply(const Reply& reply);

// Account registration (Regist.php).
struct RegistReply {
    enum class Outcome {
        TransferFailed, // message is the reply's failure
        Malformed,
        LockedOut,      // message is the server's; only closing remains
        Refused,        // message is the server's
        Registered,     // message is the server's
        DatabaseError,
    };
    Outcome outcome = Outcome::Malformed;
    QString message;
};
RegistReply readRegistReply(const Reply& reply);

// The lobby's rule for every request but joining: codes -2 and -1 (with the server's message) and
// 0 end the program; other codes go on.
struct LobbyVerdict {
    enum class Outcome { TransferFailed, Malformed, Fatal, DatabaseError, GoOn };
    Outcome outcome = Outcome::Malformed;
    QString message; // the failure, or the server's message for Fatal
};
LobbyVerdict readLobbyVerdict(const Reply& reply);

// The room number of a MakeGame.php reply that went on.
std::optional<int32_t> readCreatedRoom(const Reply& reply);

// Joining a room (Join.php) is never fatal: the server's word is shown whatever the code.
struct JoinReply {
    enum class Outcome { TransferFailed, Malformed, Shown };
    Outcome outcome = Outcome::Malformed;
    QString message;     // the failure, or the server's word
    bool joined = false; // code 1
};
JoinReply readJoinReply(const Reply& reply);

} // namespace online
