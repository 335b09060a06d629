#pragma once

#include <dataset.h>
#include <datasetmodel.h>

#include <QHash>

// The register's table model: the data set's rows fetched on demand, with header captions the
// grid may set (the field name stays under Qt::UserRole) and dates shown in words.
class TStudentListModel : public fb::DataSetModel
{
    Q_OBJECT

public:
    explicit TStudentListModel(fb::DataSet *dataSet, QObject *parent = nullptr);

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant
    headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool setHeaderData(int section,
                       Qt::Orientation orientation,
                       const QVariant &value,
                       int role = Qt::EditRole) override;
    // Drops the captions (the columns were created anew).
    void ClearCaptions();

private:
    QHash<int, QString> m_captions;
};
