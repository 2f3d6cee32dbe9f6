// rinkfall-library-preview LIBRARY_DIR OUT_DIR: PNGs to look at: every bitmap (small ones enlarged)
// with the smaller mip levels of the large ones, the laid-out sheet from above, and the sheet
// through a few of the game's cameras.

#include "tools/library_gen/sheet_view.h"

#include "platform/bmp_texture.h"

#include <QGuiApplication>

#include <cmath>
#include <iostream>
#include <string>

namespace {

QImage toImage(const platform::TextureLevel& level, int enlarge)
{
    QImage image(level.width * enlarge, level.height * enlarge, QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const std::uint8_t* p = &level.rgba[(std::size_t(y / enlarge) * level.width + x / enlarge) * 4];
            // Transparent texels shown as magenta so that the key is visible.
            image.setPixel(x, y, p[3] == 0 ? qRgb(255, 0, 255) : qRgb(p[0], p[1], p[2]));
        }
    return image;
}

// The orbit camera of the game: eye = anchor - d * u, look-at = anchor + u.
void orbit(const librarygen::Vec3d& anchor, double yawDeg, double pitchDeg, double distance, librarygen::Vec3d& eye,
           librarygen::Vec3d& lookAt)
{
    const double y = yawDeg / 180 * 3.14159265358979, p = pitchDeg / 180 * 3.14159265358979;
    const librarygen::Vec3d u{-std::abs(std::cos(p)) * std::sin(y), std::sin(p), std::abs(std::cos(p)) * std::cos(y)};
    for (int i = 0; i < 3; ++i) {
        eye[i] = anchor[i] - distance * u[i];
        lookAt[i] = anchor[i] + u[i];
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: rinkfall-library-preview LIBRARY_DIR OUT_DIR\n";
        return 2;
    }
    QGuiApplication app(argc, argv);
    const std::filesystem::path library = argv[1], out = argv[2];
    std::filesystem::create_directories(out);
    try {
        for (const char* name : {"Tex_Ice", "Tex_House", "Tex_Wall", "Tex_Side", "Tex_Line", "Tex_Center",
                                 "Tex_LineSide", "Tex_Cursor", "Tex_Bar"}) {
            const platform::TextureImage t = platform::loadBmpTexture(library / (std::string(name) + ".bmp"));
            const int enlarge = t.width() <= 32 ? 8 : (t.height() <= 8 ? 4 : 1);
            toImage(t.levels.front(), enlarge).save(QString::fromStdString((out / (std::string(name) + ".png")).string()));
            // Every smaller mip level of the sheet's and the boards' textures, blown back up to the
            // first level's size texel by texel, to judge what the cameras see in the distance.
            if (t.width() < 128 || t.height() < 128)
                continue;
            for (std::size_t level = 1; level < t.levels.size() && t.levels[level].width >= 4; ++level) {
                const std::string file = std::string(name) + "_mip" + std::to_string(level) + ".png";
                toImage(t.levels[level], t.width() / t.levels[level].width)
                    .save(QString::fromStdString((out / file).string()));
            }
        }
        const librarygen::SheetView sheet(library);
        sheet.renderTopDown(24).save(QString::fromStdString((out / "sheet_top.png").string()));
        librarygen::Vec3d eye, at;
        orbit({3, 0.5, 1}, 0, -6, 1, eye, at); // aiming from the delivery point, looking a little down
        sheet.renderCamera(eye, at, 45, 640, 480).save(QString::fromStdString((out / "view_aim.png").string()));
        orbit({3, 1, 14}, 0, -15, 6, eye, at); // free camera, zoomed out, mid-sheet
        sheet.renderCamera(eye, at, 45, 640, 480).save(QString::fromStdString((out / "view_free.png").string()));
        sheet.renderCamera({3, 6, 28}, {3, 0, 36}, 45, 640, 480)
            .save(QString::fromStdString((out / "view_house.png").string()));
        orbit({0, 1, 0}, 0, -1, 2, eye, at); // the free camera as a game starts
        sheet.renderCamera(eye, at, 45, 640, 480).save(QString::fromStdString((out / "view_start.png").string()));
    } catch (const std::exception& e) {
        std::cerr << "rinkfall-library-preview: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
