#pragma once

#include "online/master.h"

#include <QString>

#include <cstdint>

// The script-and-query text of every request of the game's web service. Values are percent-encoded
// as UTF-8 so that "&", "=", "#", "%" or a blank typed by the user reach the service as typed.
namespace online::requests {

QString percentEncoded(const QString& value);
// Characters as the user sees them (code points), which is what the service counts.
qsizetype characterCount(const QString& text);
// The first count characters (code points) of text.
QString firstCharacters(const QString& text, qsizetype count);

QString login(const Master& master);
QString access(const Master& master, const QString& name, const QString& password);
QString regist(const Master& master, const QString& name, const QString& password);
QString say(const Master& master, const QString& speaker, const QString& words);
// No "&Having=" when the user has created no room (room -1).
QString lobby(const Master& master, int32_t myRoom);
QString join(const Master& master, int32_t room);
QString makeGame(const Master& master, const QString& title);
QString delGame(const Master& master);
QString delJoin(const Master& master);

} // namespace online::requests
