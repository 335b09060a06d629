#include "lximagelist.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QColor kMagenta(255, 0, 255);

// A strip of images 16x16 in the given colours, each with a magenta top-left corner pixel.
QImage strip(const QList<QColor> &colours, int extraWidth = 0)
{
    QImage image(16 * int(colours.size()) + extraWidth, 16, QImage::Format_RGB32);
    image.fill(Qt::black);
    for (int i = 0; i < colours.size(); ++i) {
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x)
                image.setPixelColor(16 * i + x, y, colours[i]);
        }
        image.setPixelColor(16 * i, 0, kMagenta);
    }
    return image;
}

QColor pixel(const TLxImageList &list, int index, int x, int y)
{
    return list.pixmap(index).toImage().pixelColor(x, y);
}

TEST(ImageListTest, CutsTheStripWithMagentaTransparent)
{
    TLxImageList list;
    list.setImagesBitmap(strip({Qt::red, Qt::green, Qt::blue}, 7));
    ASSERT_EQ(list.count(), 3);
    EXPECT_FALSE(list.icon(2).isNull());
    EXPECT_TRUE(list.icon(3).isNull());
    EXPECT_TRUE(list.icon(-1).isNull());
    EXPECT_EQ(list.pixmap(1).size(), QSize(16, 16));

    EXPECT_EQ(pixel(list, 0, 0, 0).alpha(), 0);
    EXPECT_EQ(pixel(list, 0, 5, 5), QColor(Qt::red));
    EXPECT_EQ(pixel(list, 1, 5, 5), QColor(Qt::green));
    EXPECT_EQ(pixel(list, 2, 0, 0).alpha(), 0);
    EXPECT_EQ(pixel(list, 2, 15, 15), QColor(Qt::blue));
}

TEST(ImageListTest, NewMaskColourRecutsTheImages)
{
    TLxImageList list;
    list.setImagesBitmap(strip({Qt::red, Qt::green}));
    list.setImagesBitmapMaskColor(Qt::green);
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(pixel(list, 1, 5, 5).alpha(), 0);
    EXPECT_EQ(pixel(list, 0, 0, 0), kMagenta);
    EXPECT_EQ(pixel(list, 0, 5, 5), QColor(Qt::red));
}

TEST(ImageListTest, EmptyBitmapKeepsTheListAndFilesLoad)
{
    TLxImageList list;
    list.setImagesBitmap(strip({Qt::red, Qt::green}));
    list.setImagesBitmap(QImage());
    EXPECT_EQ(list.count(), 2);

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("strip.bmp"));
    ASSERT_TRUE(strip({Qt::red, Qt::green, Qt::blue, Qt::yellow}).save(file));
    EXPECT_TRUE(list.loadImagesBitmap(file));
    EXPECT_EQ(list.count(), 4);
    EXPECT_FALSE(list.loadImagesBitmap(dir.filePath(QStringLiteral("missing.bmp"))));
    EXPECT_EQ(list.count(), 4);

    list.setImageSize(32, 16);
    EXPECT_EQ(list.count(), 2);
}

} // namespace
