#include "platform/data_folder.h"

#include <QDir>
#include <QFileInfo>

// The build passes where the installation puts the data folder, seen from the programs' folder.
#ifndef RINKFALL_DATA_FROM_PROGRAM
#define RINKFALL_DATA_FROM_PROGRAM "../share/rinkfall"
#endif

namespace platform {

QString dataFolder(const QString& programDir)
{
    // A file that happens to be called Library is no build's data.
    if (QFileInfo(QDir(programDir).filePath(QStringLiteral("Library"))).isDir())
        return programDir;
    return QDir::cleanPath(QDir(programDir).filePath(QStringLiteral(RINKFALL_DATA_FROM_PROGRAM)));
}

} // namespace platform
