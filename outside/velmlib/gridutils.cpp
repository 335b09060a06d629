#include "gridutils.h"

#include "lxfields.h"

#include <lxerror.h>
#include <lxnls.h>

#include <QAbstractItemModel>
#include <QItemSelectionModel>
#include <QTableView>

#include <algorithm>

namespace {

QList<int> markedRows(const QItemSelectionModel *selection)
{
    QList<int> rows;
    if (!selection)
        return rows;
    for (const QModelIndex &index : selection->selectedIndexes())
        if (!rows.contains(index.row()))
            rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

void fetchAll(QAbstractItemModel *model)
{
    while (model->canFetchMore({}))
        model->fetchMore({});
}

// Restores the current row and the selection of a grid when it goes.
class CurrentKeeper
{
public:
    explicit CurrentKeeper(QTableView *grid)
        : m_grid(grid)
        , m_current(grid->selectionModel() ? grid->selectionModel()->currentIndex() : QModelIndex())
        , m_selection(grid->selectionModel() ? grid->selectionModel()->selection()
                                             : QItemSelection())
    {}
    ~CurrentKeeper()
    {
        QItemSelectionModel *selection = m_grid->selectionModel();
        if (!selection)
            return;
        selection->setCurrentIndex(m_current, QItemSelectionModel::NoUpdate);
        selection->select(m_selection, QItemSelectionModel::ClearAndSelect);
    }

private:
    QTableView *m_grid;
    QPersistentModelIndex m_current;
    QItemSelection m_selection;
};

} // namespace

QList<int> GetSelectedRows(QTableView *grid)
{
    QAbstractItemModel *model = grid ? grid->model() : nullptr;
    if (!model || model->rowCount() == 0)
        return {};
    const QList<int> marked = markedRows(grid->selectionModel());
    if (!marked.isEmpty() && marked.size() == model->rowCount()) {
        // The whole grid: the rows still on the server belong to it too.
        fetchAll(model);
        QList<int> all;
        for (int row = 0; row < model->rowCount(); ++row)
            all << row;
        return all;
    }
    if (!marked.isEmpty())
        return marked;
    const QModelIndex current
            = grid->selectionModel() ? grid->selectionModel()->currentIndex() : QModelIndex();
    return {current.isValid() ? current.row() : 0};
}

void IterateSelectedList(QTableView *grid, const std::function<void(int row)> &callback)
{
    const QList<int> rows = GetSelectedRows(grid);
    if (rows.isEmpty())
        return;
    CurrentKeeper keeper(grid);
    const int column = std::max(0, grid->currentIndex().column());
    for (int row : rows) {
        if (QItemSelectionModel *selection = grid->selectionModel())
            selection->setCurrentIndex(grid->model()->index(row, column),
                                       QItemSelectionModel::NoUpdate);
        callback(row);
    }
}

int FindGridColumn(QTableView *grid, const QString &fieldName)
{
    const QAbstractItemModel *model = grid ? grid->model() : nullptr;
    if (!model)
        return -1;
    for (int role : {int(Qt::UserRole), int(Qt::DisplayRole)})
        for (int column = 0; column < model->columnCount(); ++column)
            if (model->headerData(column, Qt::Horizontal, role)
                        .toString()
                        .compare(fieldName, Qt::CaseInsensitive)
                == 0)
                return column;
    return -1;
}

QString GetSelectedList(QTableView *grid, const QString &fieldName, const QString &delimiter)
{
    const int column = FindGridColumn(grid, fieldName);
    if (column < 0)
        throw LxError(LxTr("Поле \"%1\" не найдено в таблице").arg(fieldName));
    QString result;
    for (int row : GetSelectedRows(grid)) {
        if (!result.isEmpty())
            result += delimiter;
        result += grid->model()->index(row, column).data(Qt::EditRole).toString();
    }
    return result;
}

void ApplyGridRepository(QTableView *grid, const TLxFields &fields, const QString &prefix)
{
    QAbstractItemModel *model = grid ? grid->model() : nullptr;
    if (!model)
        return;
    const int charWidth = grid->fontMetrics().averageCharWidth();
    for (int column = 0; column < model->columnCount(); ++column) {
        QString name = model->headerData(column, Qt::Horizontal, Qt::UserRole).toString();
        if (name.isEmpty())
            name = model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        const TLxField *field = fields.FN(name, prefix);
        if (!field)
            continue;
        model->setHeaderData(column, Qt::Horizontal, name, Qt::UserRole);
        model->setHeaderData(column, Qt::Horizontal, field->GetGridCaption(), Qt::DisplayRole);
        if (field->GetWidth() > 0)
            grid->setColumnWidth(column, field->GetWidth() * charWidth + 8);
        grid->setColumnHidden(column, !field->GetVisible());
    }
}
