#include "studentgriddelegate.h"

#include <colorgridutils.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QPainter>
#include <QStyle>

namespace {

const QColor kCurrentRow(204, 222, 245);
const QColor kCurrentCell(170, 198, 238);
const int kPictureCacheCost = 64 * 1024 * 1024; // bytes of decoded pictures kept

QString fieldNameOf(const QModelIndex &index)
{
    return index.model()->headerData(index.column(), Qt::Horizontal, Qt::UserRole).toString();
}

} // namespace

TStudentGridDelegate::TStudentGridDelegate(const QString &gridKind, QObject *parent)
    : QStyledItemDelegate(parent)
    , m_gridKind(gridKind)
{
    m_pictures.setMaxCost(kPictureCacheCost);
}

void TStudentGridDelegate::initStyleOption(QStyleOptionViewItem *option,
                                           const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    // The grid kind's colours for every cell, then those of the cell's field (velmlib caches).
    QColor background;
    QColor foreground;
    GetColorSettings(m_gridKind, QStringLiteral("Default"), option->font, background, foreground);
    GetColorSettings(m_gridKind, fieldNameOf(index), option->font, background, foreground);
    if (background.isValid())
        option->backgroundBrush = background;
    if (foreground.isValid())
        option->palette.setColor(QPalette::Text, foreground);
    // The current row stands out even when it is not marked.
    const auto *view = qobject_cast<const QAbstractItemView *>(option->widget);
    if (view && view->currentIndex().row() == index.row()
        && !(option->state & QStyle::State_Selected))
        option->backgroundBrush
                = view->currentIndex().column() == index.column() ? kCurrentCell : kCurrentRow;
}

bool TStudentGridDelegate::paintPhoto(QPainter *painter,
                                      const QStyleOptionViewItem &option,
                                      const QModelIndex &index) const
{
    const QVariant value = index.data(Qt::EditRole);
    if (value.typeId() != QMetaType::QByteArray)
        return false;
    const QByteArray bytes = value.toByteArray();
    if (bytes.isEmpty())
        return false;
    QImage *picture = m_pictures.object(bytes);
    if (!picture) {
        QImage decoded;
        if (!decoded.loadFromData(bytes, "JPEG"))
            return false;
        const int cost = int(std::min<qsizetype>(decoded.sizeInBytes(), kPictureCacheCost));
        picture = new QImage(decoded);
        if (!m_pictures.insert(bytes, picture, cost))
            return false;
    }
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &background, painter, widget);
    painter->drawImage(option.rect, *picture);
    return true;
}

void TStudentGridDelegate::paint(QPainter *painter,
                                 const QStyleOptionViewItem &option,
                                 const QModelIndex &index) const
{
    if (fieldNameOf(index).compare(QLatin1String("Photo"), Qt::CaseInsensitive) == 0
        && paintPhoto(painter, option, index))
        return;
    QStyledItemDelegate::paint(painter, option, index);
}
