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

void TStudentGridDelegate::Reset()
{
    m_styles.clear();
    m_pictures.clear();
}

const TStudentGridDelegate::CellStyle &TStudentGridDelegate::styleFor(const QString &fieldName,
                                                                      const QFont &base) const
{
    auto found = m_styles.find(fieldName);
    if (found != m_styles.end())
        return *found;
    CellStyle style;
    style.font = base;
    GetColorSettings(m_gridKind, fieldName, style.font, style.background, style.foreground);
    style.fontSet = style.font != base;
    return *m_styles.insert(fieldName, style);
}

void TStudentGridDelegate::initStyleOption(QStyleOptionViewItem *option,
                                           const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    const CellStyle &style = styleFor(fieldNameOf(index), option->font);
    if (style.background.isValid())
        option->backgroundBrush = style.background;
    // The current row stands out even when it is not marked.
    const auto *view = qobject_cast<const QAbstractItemView *>(option->widget);
    if (view && view->currentIndex().row() == index.row()
        && !(option->state & QStyle::State_Selected))
        option->backgroundBrush
                = view->currentIndex().column() == index.column() ? kCurrentCell : kCurrentRow;
    if (style.foreground.isValid())
        option->palette.setColor(QPalette::Text, style.foreground);
    if (style.fontSet)
        option->font = style.font;
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
