#include "lximagelist.h"

TLxImageList::TLxImageList(int imageWidth, int imageHeight)
    : m_width(imageWidth)
    , m_height(imageHeight)
{}

void TLxImageList::setImageSize(int width, int height)
{
    m_width = width;
    m_height = height;
    refresh();
}

void TLxImageList::setImagesBitmap(const QImage &bitmap)
{
    m_bitmap = bitmap;
    refresh();
}

bool TLxImageList::loadImagesBitmap(const QString &fileName)
{
    QImage bitmap;
    if (!bitmap.load(fileName))
        return false;
    setImagesBitmap(bitmap);
    return true;
}

void TLxImageList::setImagesBitmapMaskColor(const QColor &color)
{
    m_maskColor = color;
    refresh();
}

void TLxImageList::refresh()
{
    if (m_bitmap.isNull() || m_width <= 0 || m_height <= 0)
        return;
    m_images.clear();
    const QImage source = m_bitmap.convertToFormat(QImage::Format_ARGB32);
    const QRgb transparent = m_maskColor.rgb();
    for (int x = 0; x + m_width <= source.width(); x += m_width) {
        QImage image = source.copy(x, 0, m_width, m_height);
        for (int y = 0; y < image.height(); ++y) {
            QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int i = 0; i < image.width(); ++i) {
                if ((line[i] & RGB_MASK) == (transparent & RGB_MASK))
                    line[i] = qRgba(0, 0, 0, 0);
            }
        }
        m_images.append(QPixmap::fromImage(image));
    }
}

QIcon TLxImageList::icon(int index) const
{
    const QPixmap image = pixmap(index);
    return image.isNull() ? QIcon() : QIcon(image);
}

QPixmap TLxImageList::pixmap(int index) const
{
    if (index < 0 || index >= m_images.size())
        return QPixmap();
    return m_images.at(index);
}
