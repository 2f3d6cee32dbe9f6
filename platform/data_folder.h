#pragma once

#include <QString>

namespace platform {

// The folder that holds the game's data folders (Library/, Sound/), found from the folder of the
// running program: the program's own folder when Library/ sits beside it (a build), otherwise the
// data folder of an installation, relative to the program so that an installed tree can be moved.
QString dataFolder(const QString& programDir);

} // namespace platform
