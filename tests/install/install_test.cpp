// The data folder the game reads from a build or an installation, and the icon it installs with.

#include "platform/data_folder.h"
#include "tools/icon_gen/icon.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(DataFolder, LibraryBesideTheProgramIsABuildElseTheSharedFolderBesideItsOwn)
{
    QTemporaryDir root;
    const QString bin = root.filePath(QStringLiteral("bin"));
    const QString installed = root.filePath(QStringLiteral("share/rinkfall"));
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("bin")));
    // Found from wherever the program is, and with no "..": it shows in messages about a missing file.
    EXPECT_EQ(platform::dataFolder(bin), installed);
    EXPECT_EQ(platform::dataFolder(bin + QLatin1Char('/')), installed);
    QFile stray(bin + QStringLiteral("/Library"));
    ASSERT_TRUE(stray.open(QIODevice::WriteOnly));
    stray.close();
    EXPECT_EQ(platform::dataFolder(bin), installed) << "a file called Library is no build";
    ASSERT_TRUE(stray.remove() && QDir(bin).mkdir(QStringLiteral("Library")));
    EXPECT_EQ(platform::dataFolder(bin), bin);
}

int difference(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b))
           + std::abs(qAlpha(a) - qAlpha(b));
}

// Every size shows a red handle, small beside the grey granite, on a tile with see-through
// rounded corners; and is the large icon scaled down, not a crop or a differently placed drawing.
TEST(Icon, EverySizeShowsARedHandledStoneOnARoundedTileAsTheLargeOneDoes)
{
    // Premultiplied, so that the colour of nearly transparent edge pixels weighs nothing.
    const QImage large = icongen::paintIcon(256).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (const int size : icongen::IconSizes) {
        SCOPED_TRACE(size);
        const QImage icon = icongen::paintIcon(size);
        ASSERT_EQ(icon.size(), QSize(size, size));
        ASSERT_TRUE(icon.hasAlphaChannel());
        for (const QPoint corner : {QPoint(0, 0), QPoint(size - 1, 0), QPoint(0, size - 1), QPoint(size - 1, size - 1)})
            EXPECT_EQ(qAlpha(icon.pixel(corner)), 0);
        EXPECT_EQ(qAlpha(icon.pixel(size / 2, size / 8)), 255);
        const QImage premultiplied = icon.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        const QImage scaled = large.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        int red = 0, grey = 0;
        long differs = 0;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const QRgb p = icon.pixel(x, y);
                red += qAlpha(p) == 255 && qRed(p) > 150 && qRed(p) > 3 * qGreen(p) && qRed(p) > 3 * qBlue(p);
                grey += qAlpha(p) == 255 && qRed(p) > 60 && std::abs(qRed(p) - qGreen(p)) < 16
                        && std::abs(qRed(p) - qBlue(p)) < 24;
                differs += difference(premultiplied.pixel(x, y), scaled.pixel(x, y));
            }
        }
        const int area = size * size;
        EXPECT_GT(red, area / 50);
        EXPECT_LT(red, area / 8);
        EXPECT_GT(grey, area / 8);
        EXPECT_GT(grey, 2 * red);
        if (size >= 32) { // below that, scaling blurs too much to compare
            EXPECT_LT(double(differs) / (area * 4), 4.0);
        }
    }
}

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(Icon, ThemeFilesAreWrittenTheSameEachTimeAndReadBackAsPainted)
{
    QTemporaryDir first, second;
    icongen::writeIconTheme(first.path(), QStringLiteral("org.example.Game"));
    icongen::writeIconTheme(second.path(), QStringLiteral("org.example.Game"));
    for (const int size : icongen::IconSizes) {
        SCOPED_TRACE(size);
        const QString name = QStringLiteral("/hicolor/%1x%1/apps/org.example.Game.png").arg(size);
        const QByteArray bytes = bytesOf(first.path() + name);
        EXPECT_EQ(bytes, bytesOf(second.path() + name));
        QImage read;
        ASSERT_TRUE(read.loadFromData(bytes, "PNG"));
        // Painting the large sizes once more would only cost time.
        if (size <= 64) {
            EXPECT_EQ(read.convertToFormat(QImage::Format_ARGB32), icongen::paintIcon(size));
        }
    }
    QTemporaryDir blocked;
    QFile file(blocked.filePath(QStringLiteral("hicolor")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)); // a file where the theme folder should go
    file.close();
    EXPECT_THROW(icongen::writeIconTheme(blocked.path(), QStringLiteral("org.example.Game")), std::runtime_error);
}

} // namespace
