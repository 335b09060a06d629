#pragma once

#include <QCache>
#include <QImage>
#include <QStyledItemDelegate>

// Paints the register's cells: a column named Photo shows the student's JPEG picture stretched
// into the cell, and every cell takes its colours and font style from the grid colour settings of
// the grid kind.
class TStudentGridDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit TStudentGridDelegate(const QString &gridKind, QObject *parent = nullptr);

    void paint(QPainter *painter,
               const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;

private:
    bool paintPhoto(QPainter *painter,
                    const QStyleOptionViewItem &option,
                    const QModelIndex &index) const;

    QString m_gridKind;
    mutable QCache<QByteArray, QImage> m_pictures;
};
