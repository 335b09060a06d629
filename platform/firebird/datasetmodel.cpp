#include "datasetmodel.h"

#include "dataset.h"

#include <QDate>
#include <QDateTime>

namespace fb {

DataSetModel::DataSetModel(DataSet *dataSet, QObject *parent)
    : QAbstractTableModel(parent)
{
    setDataSet(dataSet);
}

void DataSetModel::setDataSet(DataSet *dataSet)
{
    if (m_dataSet)
        m_dataSet->disconnect(this);
    m_dataSet = dataSet;
    if (dataSet) {
        connect(dataSet, &DataSet::afterOpen, this, &DataSetModel::reset);
        connect(dataSet, &DataSet::afterClose, this, &DataSetModel::reset);
        connect(dataSet, &DataSet::viewReset, this, &DataSetModel::reset);
        connect(dataSet, &DataSet::rowsAppended, this, [this](int, int last) {
            if (m_fetching || last < m_rows)
                return; // fetchMore announces its own rows
            beginInsertRows({}, m_rows, last);
            m_rows = last + 1;
            endInsertRows();
        });
        connect(dataSet, &DataSet::rowChanged, this, [this](int row) {
            if (row < m_rows)
                emit dataChanged(index(row, 0), index(row, columnCount() - 1));
        });
    }
    reset();
}

void DataSetModel::reset()
{
    beginResetModel();
    m_rows = m_dataSet && m_dataSet->isOpen() ? m_dataSet->rowCount() : 0;
    endResetModel();
}

int DataSetModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int DataSetModel::columnCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !m_dataSet || !m_dataSet->isOpen())
        return 0;
    return m_dataSet->fieldCount();
}

QVariant DataSetModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows || !m_dataSet)
        return {};
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    const QVariant v = m_dataSet->value(index.row(), index.column());
    if (role == Qt::DisplayRole && v.typeId() == QMetaType::QByteArray)
        return QStringLiteral("(BLOB)");
    return v;
}

QVariant DataSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || !m_dataSet || !m_dataSet->isOpen())
        return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Horizontal)
        return m_dataSet->fieldName(section);
    return section + 1;
}

bool DataSetModel::canFetchMore(const QModelIndex &parent) const
{
    if (parent.isValid() || !m_dataSet || !m_dataSet->isOpen())
        return false;
    return m_rows < m_dataSet->rowCount() || !m_dataSet->allFetched();
}

void DataSetModel::fetchMore(const QModelIndex &parent)
{
    if (!canFetchMore(parent))
        return;
    if (m_rows >= m_dataSet->rowCount()) {
        m_fetching = true;
        m_dataSet->fetchMore(m_chunk);
        m_fetching = false;
    }
    const int available = m_dataSet->rowCount();
    if (available > m_rows) {
        beginInsertRows({}, m_rows, available - 1);
        m_rows = available;
        endInsertRows();
    }
}

void DataSetModel::sort(int column, Qt::SortOrder order)
{
    if (!m_dataSet || !m_dataSet->isOpen() || column < 0 || column >= m_dataSet->fieldCount())
        return;
    m_dataSet->setSort({{m_dataSet->fieldName(column), order == Qt::AscendingOrder}});
}

} // namespace fb
