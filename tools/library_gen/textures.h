#pragma once

// The nine bitmaps of the Library. The sheet is laid from one unit-square floor mesh (texture top
// towards +z, left towards -x) scaled over 5 x 5 house and line squares, 1 x 5 strips beside them,
// a 5 x 18 centre strip and plain ice; the far half is turned 180 degrees about y. So every marking
// below is painted in the piece's own units, with the piece's far edge at the top of the image.

#include "game/match/house.h"
#include "tools/library_gen/image.h"

#include <string>
#include <vector>

namespace librarygen {

// Sheet units are roughly metres.
namespace markings {
// The rings are the ones the match counts with.
constexpr double kTwelveFootRadius = house::TwelveFootRadius;
constexpr double kEightFootRadius = house::EightFootRadius;
constexpr double kFourFootRadius = house::FourFootRadius;
constexpr double kButtonRadius = house::ButtonRadius;
constexpr double kThinLine = 0.02;  // tee, back and centre lines: two texels on the house pieces
constexpr double kHogLine = 0.1;
// The hog line square sits 5 units in front of its house's square; its line lies 4.5 from the tee
// (far hog line at z = 31.5), i.e. 0.5 behind the square's centre, towards the house.
constexpr double kHogFromSquareCentre = -0.5;

constexpr Rgb kIce{226, 236, 246};
constexpr Rgb kPaintedWhite{247, 249, 252};
constexpr Rgb kRingBlue{38, 92, 196};
constexpr Rgb kRingRed{204, 38, 46};
constexpr Rgb kLineDark{34, 38, 54};
constexpr Rgb kHogRed{186, 30, 42};
} // namespace markings

// The wall texture is also on the stones: the stone mesh samples only the cap rail at the top and
// bottom of the boards. Its outer rows are speckled grey granite (the stone's body; on the boards a
// grey bumper strip) and the rows inside them are pale (the stone's handle; on the boards the cap).
// The material tints both, so a red stone shows a dark red body and a bright red handle.
namespace wallband {
constexpr int kTextureSize = 256;
constexpr int kRailRows = 32;     // rows 0..31 and the mirrored 224..255
constexpr int kGraniteRows = 20;  // rows 0..19 (and 236..255): with the wrap, 40 rows in one piece
constexpr int kHandleRows = 10;   // rows 20..29; then two rows of the rail's dark edge
// The texture v ranges the stone samples, kept a few rows inside their bands so that filtering and
// the nearer mip levels do not reach the neighbouring band.
constexpr double kGraniteVTop = 2.0 / kTextureSize;
constexpr double kGraniteVBottom = (kGraniteRows - 4.0) / kTextureSize;
constexpr double kHandleVTop = (kGraniteRows + 2.0) / kTextureSize;
constexpr double kHandleVBottom = (kGraniteRows + kHandleRows - 2.0) / kTextureSize;
} // namespace wallband

struct LibraryTexture {
    std::string fileName;
    RgbImage image;
    bool mayHoldKey = false; // only the cursor is meant to have transparent (pure black) texels
};

// The nine bitmaps in slot order (Tex_Ice.bmp first).
std::vector<LibraryTexture> paintTextures();

} // namespace librarygen
