#include "gridutils.h"

#include "lxfields.h"

#include <dataset.h>
#include <datasetmodel.h>
#include <lxerror.h>
#include <lxlog.h>
#include <lxnls.h>

#include <QAbstractItemModel>
#include <QItemSelectionModel>
#include <QPointer>
#include <QTableView>

#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

namespace {

using RowSpan = std::pair<int, int>; // first and last row

// The marked rows as disjoint spans in ascending order, read from the selection's ranges: a
// block of 100,000 marked rows is one range, where selectedIndexes() would list every cell.
std::vector<RowSpan> markedSpans(const QItemSelectionModel *selection)
{
    std::vector<RowSpan> spans;
    if (!selection)
        return spans;
    const QItemSelection ranges = selection->selection();
    spans.reserve(size_t(ranges.size()));
    for (const QItemSelectionRange &range : ranges)
        if (range.isValid())
            spans.emplace_back(range.top(), range.bottom());
    std::sort(spans.begin(), spans.end());
    std::vector<RowSpan> merged;
    for (const RowSpan &span : spans) {
        // Ranges of different columns of the same rows overlap; a row counts once.
        if (!merged.empty() && span.first <= merged.back().second + 1)
            merged.back().second = std::max(merged.back().second, span.second);
        else
            merged.push_back(span);
    }
    return merged;
}

int markedRowCount(const QItemSelectionModel *selection)
{
    int count = 0;
    for (const RowSpan &span : markedSpans(selection))
        count += span.second - span.first + 1;
    return count;
}

QList<int> markedRows(const QItemSelectionModel *selection)
{
    QList<int> rows;
    for (const RowSpan &span : markedSpans(selection))
        for (int row = span.first; row <= span.second; ++row)
            rows << row;
    return rows;
}

QList<int> allRows(int count)
{
    QList<int> rows;
    rows.reserve(count);
    for (int row = 0; row < count; ++row)
        rows << row;
    return rows;
}

const char kWholeGridTracker[] = "velmlibWholeGridTracker";

// The whole-grid flag of one grid: a child of the grid that follows its model and selection.
class WholeGridTracker : public QObject
{
public:
    explicit WholeGridTracker(QTableView *grid)
        : QObject(grid)
        , m_grid(grid)
    {
        setObjectName(QLatin1String(kWholeGridTracker));
    }

    static WholeGridTracker *of(const QTableView *grid)
    {
        return static_cast<WholeGridTracker *>(grid->findChild<QObject *>(
                QLatin1String(kWholeGridTracker), Qt::FindDirectChildrenOnly));
    }

    bool active() const
    {
        return m_active && m_model && m_model == m_grid->model()
               && m_selection == m_grid->selectionModel();
    }

    void start()
    {
        attach();
        m_active = m_model && m_selection;
        if (m_active)
            selectAllRows();
    }

private:
    void attach()
    {
        if (m_model == m_grid->model() && m_selection == m_grid->selectionModel())
            return;
        for (const QMetaObject::Connection &connection : std::as_const(m_connections))
            disconnect(connection);
        m_connections.clear();
        m_model = m_grid->model();
        m_selection = m_grid->selectionModel();
        if (!m_model || !m_selection)
            return;
        m_connections << connect(m_selection, &QItemSelectionModel::selectionChanged, this, [this] {
            if (m_quiet == 0)
                m_active = false;
        });
        // The selection model adjusts its ranges to rows coming and going: no change of choice.
        for (auto signal : {&QAbstractItemModel::rowsAboutToBeInserted,
                            &QAbstractItemModel::rowsAboutToBeRemoved})
            m_connections << connect(m_model, signal, this, [this] { ++m_quiet; });
        m_connections << connect(m_model, &QAbstractItemModel::rowsInserted, this, [this] {
            m_quiet = std::max(0, m_quiet - 1);
            if (active())
                selectAllRows();
        });
        m_connections << connect(m_model, &QAbstractItemModel::rowsRemoved, this, [this] {
            m_quiet = std::max(0, m_quiet - 1);
        });
        m_connections << connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
            // Emptied: the list was closed. Otherwise (sorted again, a row deleted) the whole
            // grid is still chosen.
            if (!active())
                return;
            if (m_model->rowCount() == 0)
                m_active = false;
            else
                selectAllRows();
        });
    }

    void selectAllRows()
    {
        const int rows = m_model->rowCount();
        const int columns = m_model->columnCount();
        if (rows == 0 || columns == 0)
            return;
        ++m_quiet;
        m_selection->select(
                QItemSelection(m_model->index(0, 0), m_model->index(rows - 1, columns - 1)),
                QItemSelectionModel::ClearAndSelect);
        --m_quiet;
    }

    QTableView *m_grid;
    QPointer<QAbstractItemModel> m_model;
    QPointer<QItemSelectionModel> m_selection;
    QList<QMetaObject::Connection> m_connections;
    bool m_active = false;
    int m_quiet = 0; // > 0 while the selection changes on the tracker's or the model's account
};

// Restores the current row and the selection of a grid when it goes.
class CurrentKeeper
{
public:
    explicit CurrentKeeper(QTableView *grid)
        : m_grid(grid)
        , m_current(grid->selectionModel() ? grid->selectionModel()->currentIndex() : QModelIndex())
        , m_whole(IsWholeGridSelected(grid))
        , m_selection(grid->selectionModel() && !m_whole ? grid->selectionModel()->selection()
                                                         : QItemSelection())
    {}
    ~CurrentKeeper()
    {
        QItemSelectionModel *selection = m_grid->selectionModel();
        if (!selection)
            return;
        selection->setCurrentIndex(m_current, QItemSelectionModel::NoUpdate);
        if (m_whole) {
            if (!IsWholeGridSelected(m_grid))
                SelectWholeGrid(m_grid);
        } else if (selection->selection() != m_selection) {
            selection->select(m_selection, QItemSelectionModel::ClearAndSelect);
        }
    }

private:
    QTableView *m_grid;
    QPersistentModelIndex m_current;
    bool m_whole;
    QItemSelection m_selection;
};

} // namespace

void SelectWholeGrid(QTableView *grid)
{
    if (!grid || !grid->model() || !grid->selectionModel())
        return;
    WholeGridTracker *tracker = WholeGridTracker::of(grid);
    if (!tracker)
        tracker = new WholeGridTracker(grid);
    tracker->start();
}

bool IsWholeGridSelected(const QTableView *grid)
{
    const WholeGridTracker *tracker = grid ? WholeGridTracker::of(grid) : nullptr;
    return tracker && tracker->active();
}

int MarkedRowCount(const QTableView *grid)
{
    return grid ? markedRowCount(grid->selectionModel()) : 0;
}

int SelectedRowCount(QTableView *grid)
{
    QAbstractItemModel *model = grid ? grid->model() : nullptr;
    if (!model)
        return 0;
    if (IsWholeGridSelected(grid)) {
        FetchAllRows(model);
        return model->rowCount();
    }
    if (model->rowCount() == 0)
        return 0;
    return std::max(1, markedRowCount(grid->selectionModel()));
}

QList<int> GetSelectedRows(QTableView *grid)
{
    QAbstractItemModel *model = grid ? grid->model() : nullptr;
    if (!model)
        return {};
    if (IsWholeGridSelected(grid)) {
        FetchAllRows(model);
        return allRows(model->rowCount());
    }
    if (model->rowCount() == 0)
        return {};
    const QList<int> marked = markedRows(grid->selectionModel());
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

namespace {

// Gives one row a new order value and posts it; a row that cannot be posted is left unchanged.
void postOrderValue(fb::DataSet &dataSet,
                    fb::DataSet::Bookmark row,
                    const QString &orderField,
                    const QVariant &value)
{
    dataSet.gotoBookmark(row);
    dataSet.edit();
    dataSet.setFieldValue(orderField, value);
    try {
        dataSet.post();
    } catch (...) {
        dataSet.cancel();
        throw;
    }
}

} // namespace

void MoveRecord(fb::DataSet &dataSet, const QString &orderField, bool down)
{
    if (!dataSet.isOpen())
        return;
    if (dataSet.fieldIndex(orderField) < 0)
        throw LxError(LxTr("Поле \"%1\" не найдено").arg(orderField));
    dataSet.post();
    const int row = dataSet.currentRow();
    const int neighbour = down ? row + 1 : row - 1;
    if (row < 0 || neighbour < 0)
        return;
    while (neighbour >= dataSet.rowCount() && !dataSet.allFetched())
        dataSet.fetchMore(1);
    if (neighbour >= dataSet.rowCount())
        return;

    const fb::DataSet::Bookmark moved = dataSet.bookmark(row);
    const fb::DataSet::Bookmark other = dataSet.bookmark(neighbour);
    const QVariant movedValue = dataSet.value(row, orderField);
    const QVariant otherValue = dataSet.value(neighbour, orderField);
    postOrderValue(dataSet, moved, orderField, otherValue);
    try {
        postOrderValue(dataSet, other, orderField, movedValue);
    } catch (...) {
        // Two rows with the same order value would stay behind: the first change goes back.
        try {
            postOrderValue(dataSet, moved, orderField, movedValue);
        } catch (const std::exception &restoreError) {
            Log(QString::fromLocal8Bit(restoreError.what()), elError);
        }
        dataSet.gotoBookmark(moved);
        throw;
    }
    if (!dataSet.sort().isEmpty())
        dataSet.setSort(dataSet.sort());
    dataSet.gotoBookmark(moved);
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

void FetchAllRows(QAbstractItemModel *model)
{
    // A data set reads the rest in one go and the model announces it once; fetching through
    // the model's own chunks would insert the rows into the view a few hundred at a time.
    if (auto *dataSetModel = qobject_cast<fb::DataSetModel *>(model)) {
        fb::DataSet *dataSet = dataSetModel->dataSet();
        if (dataSet && dataSet->isOpen() && !dataSet->allFetched())
            dataSet->fetchMore(std::numeric_limits<int>::max());
    }
    while (model->canFetchMore({}))
        model->fetchMore({});
}
