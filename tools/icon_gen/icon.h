#pragma once

// The application icon: a red-handled curling stone standing on a tile of ice, painted in code so
// that every build writes the same bytes at every size a desktop asks for.

#include <QImage>
#include <QString>

#include <array>

namespace icongen {

// The square sizes of the hicolor theme that the desktop picks from.
inline constexpr std::array<int, 6> IconSizes{16, 32, 48, 64, 128, 256};

// The icon at size x size pixels, straight ARGB; outside the rounded tile it is transparent.
QImage paintIcon(int size);

// Writes <dir>/hicolor/<n>x<n>/apps/<appId>.png for every size in IconSizes.
// Throws std::runtime_error when a file cannot be written.
void writeIconTheme(const QString& dir, const QString& appId);

} // namespace icongen
