#include "tools/icon_gen/icon.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

bool isRed(QRgb p)
{
    return qAlpha(p) == 255 && qRed(p) > 150 && qRed(p) > 3 * qGreen(p) && qRed(p) > 3 * qBlue(p);
}

bool isGrey(QRgb p)
{
    return qAlpha(p) == 255 && qRed(p) > 60 && std::abs(qRed(p) - qGreen(p)) < 16 &&
           std::abs(qRed(p) - qBlue(p)) < 24;
}

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(Icon, EverySizeShowsARedHandledStoneOnARoundedTile)
{
    for (const int size : icongen::IconSizes) {
        SCOPED_TRACE(size);
        const QImage icon = icongen::paintIcon(size);
        ASSERT_EQ(icon.size(), QSize(size, size));
        ASSERT_TRUE(icon.hasAlphaChannel());

        // Rounded corners are see-through; the middle of every edge is tile.
        for (const QPoint corner : {QPoint(0, 0), QPoint(size - 1, 0), QPoint(0, size - 1), QPoint(size - 1, size - 1)})
            EXPECT_EQ(qAlpha(icon.pixel(corner)), 0);
        EXPECT_EQ(qAlpha(icon.pixel(size / 2, size / 8)), 255);

        int red = 0, grey = 0;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                red += isRed(icon.pixel(x, y));
                grey += isGrey(icon.pixel(x, y));
            }
        }
        // The handle is small beside the granite, and both are seen at 16 pixels too.
        const int area = size * size;
        EXPECT_GT(red, area / 50);
        EXPECT_LT(red, area / 8);
        EXPECT_GT(grey, area / 8);
        EXPECT_GT(grey, 2 * red);
    }
}

// Every size is the same picture: a small icon is close to the large one scaled down, not a crop
// or a differently placed drawing.
TEST(Icon, SmallSizesMatchTheLargeOneScaledDown)
{
    // Premultiplied, so that the colour of nearly transparent edge pixels weighs nothing.
    const QImage large = icongen::paintIcon(256).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (const int size : {32, 64, 128}) {
        SCOPED_TRACE(size);
        const QImage small = icongen::paintIcon(size).convertToFormat(QImage::Format_ARGB32_Premultiplied);
        const QImage scaled = large.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        long difference = 0;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const QRgb a = small.pixel(x, y), b = scaled.pixel(x, y);
                difference += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                              std::abs(qBlue(a) - qBlue(b)) + std::abs(qAlpha(a) - qAlpha(b));
            }
        }
        EXPECT_LT(double(difference) / (size * size * 4), 4.0);
    }
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
        ASSERT_FALSE(bytes.isEmpty());
        EXPECT_TRUE(bytes.startsWith("\x89PNG"));
        EXPECT_EQ(bytes, bytesOf(second.path() + name));

        // The file keeps the painted pixels; painting the large sizes once more would only cost time.
        if (size <= 64) {
            QImage read;
            ASSERT_TRUE(read.loadFromData(bytes, "PNG"));
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
