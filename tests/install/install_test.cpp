// The data folder the game reads from a build or an installation, and the icon it installs with.

#include "platform/data_folder.h"
#include "tools/icon_gen/icon.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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
    const QString library = bin + QStringLiteral("/Library");
    ASSERT_TRUE(QFile(library).open(QIODevice::WriteOnly));
    EXPECT_EQ(platform::dataFolder(bin), installed) << "a file called Library is no build";
    ASSERT_TRUE(QFile::remove(library) && QDir().mkdir(library));
    EXPECT_EQ(platform::dataFolder(bin), bin);
}

// Every size shows a red handle, small beside the stone, on a tile with see-through rounded corners.
TEST(Icon, EverySizeShowsARedHandleOnARoundedTile)
{
    for (const int size : icongen::IconSizes) {
        const QImage icon = icongen::paintIcon(size);
        ASSERT_EQ(icon.size(), QSize(size, size));
        int red = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const QRgb p = icon.pixel(x, y);
                red += qAlpha(p) == 255 && qRed(p) > 150 && qRed(p) > 3 * qGreen(p) && qRed(p) > 3 * qBlue(p);
            }
        EXPECT_TRUE(red > size * size / 50 && red < size * size / 8) << size << ": " << red << " red";
        EXPECT_EQ(qAlpha(icon.pixel(0, 0)) + qAlpha(icon.pixel(size - 1, size - 1)), 0) << size;
    }
}

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(Icon, ThemeFilesAreWrittenTheSameEachTimeAndReadBackAsPainted)
{
    const QString id = QStringLiteral("org.example.Game");
    QTemporaryDir first, second, blocked;
    icongen::writeIconTheme(first.path(), id);
    icongen::writeIconTheme(second.path(), id);
    for (const int size : icongen::IconSizes) {
        const QString name = QStringLiteral("/hicolor/%1x%1/apps/%2.png").arg(size).arg(id);
        const QByteArray bytes = bytesOf(first.path() + name);
        EXPECT_EQ(bytes, bytesOf(second.path() + name)) << size;
        const QImage read = QImage::fromData(bytes, "PNG").convertToFormat(QImage::Format_ARGB32);
        // Painting the large sizes once more would only cost time.
        EXPECT_TRUE(size > 64 ? read.size() == QSize(size, size) : read == icongen::paintIcon(size)) << size;
    }
    // A file where the theme folder should go.
    ASSERT_TRUE(QFile(blocked.filePath(QStringLiteral("hicolor"))).open(QIODevice::WriteOnly));
    EXPECT_THROW(icongen::writeIconTheme(blocked.path(), id), std::runtime_error);
}

} // namespace
