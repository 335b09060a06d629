#include "studentlistmodel.h"

#include <dataset.h>

#include <QDate>
#include <QDateTime>
#include <QLocale>

namespace {

const char kDateFormat[] = "d MMMM yyyy 'г.'";

} // namespace

TStudentListModel::TStudentListModel(fb::DataSet *dataSet, QObject *parent)
    : fb::DataSetModel(dataSet, parent)
{}

QVariant TStudentListModel::data(const QModelIndex &index, int role) const
{
    const QVariant value = fb::DataSetModel::data(index, role);
    if (role != Qt::DisplayRole)
        return value;
    static const QLocale russian(QLocale::Russian, QLocale::Russia);
    if (value.typeId() == QMetaType::QDate)
        return russian.toString(value.toDate(), QString::fromUtf8(kDateFormat));
    if (value.typeId() == QMetaType::QDateTime)
        return russian.toString(value.toDateTime().date(), QString::fromUtf8(kDateFormat));
    return value;
}

QVariant TStudentListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && dataSet() && dataSet()->isOpen()
        && section < dataSet()->fieldCount()) {
        if (role == Qt::UserRole)
            return dataSet()->fieldName(section);
        if ((role == Qt::DisplayRole || role == Qt::ToolTipRole) && m_captions.contains(section))
            return m_captions.value(section);
    }
    return fb::DataSetModel::headerData(section, orientation, role);
}

bool TStudentListModel::setHeaderData(int section,
                                      Qt::Orientation orientation,
                                      const QVariant &value,
                                      int role)
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return false;
    m_captions.insert(section, value.toString());
    emit headerDataChanged(orientation, section, section);
    return true;
}

void TStudentListModel::ClearCaptions()
{
    m_captions.clear();
}
