#pragma once

#include "fb_global.h"

#include <QAbstractTableModel>
#include <QPointer>

namespace fb {

class DataSet;

// A table model over an open DataSet. Rows come from the server in chunks as the view asks
// for them (canFetchMore/fetchMore), so the first screen never waits for the whole select.
class VELMFB_EXPORT DataSetModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit DataSetModel(DataSet *dataSet = nullptr, QObject *parent = nullptr);

    void setDataSet(DataSet *dataSet);
    DataSet *dataSet() const { return m_dataSet; }
    // Rows fetched per fetchMore (default 256).
    void setChunkSize(int rows) { m_chunk = std::max(1, rows); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant
    headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent = {}) const override;
    void fetchMore(const QModelIndex &parent = {}) override;
    void sort(int column, Qt::SortOrder order) override;

private:
    void reset();

    QPointer<DataSet> m_dataSet;
    int m_chunk = 256;
    int m_rows = 0; // rows the model has announced
    bool m_fetching = false;
};

} // namespace fb
