#pragma once

#include "lxlib_global.h"

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QList>
#include <QPixmap>

// Icons cut from one strip bitmap holding the images side by side, each imageWidth() wide;
// pixels of the mask colour (magenta by default) are transparent.
class LXLIB_EXPORT TLxImageList
{
public:
    explicit TLxImageList(int imageWidth = 16, int imageHeight = 16);

    int imageWidth() const { return m_width; }
    int imageHeight() const { return m_height; }
    // Changing the size re-cuts the strip.
    void setImageSize(int width, int height);

    QImage imagesBitmap() const { return m_bitmap; }
    // Replaces the images by those cut from the strip; an empty strip keeps the list as it is.
    void setImagesBitmap(const QImage &bitmap);
    bool loadImagesBitmap(const QString &fileName);

    QColor imagesBitmapMaskColor() const { return m_maskColor; }
    void setImagesBitmapMaskColor(const QColor &color);

    int count() const { return int(m_images.size()); }
    // A null icon or pixmap when the index is out of range.
    QIcon icon(int index) const;
    QPixmap pixmap(int index) const;
    void clear() { m_images.clear(); }

private:
    void refresh();

    int m_width;
    int m_height;
    QImage m_bitmap;
    QColor m_maskColor{255, 0, 255};
    QList<QPixmap> m_images;
};
