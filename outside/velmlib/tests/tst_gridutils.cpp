#include <gridutils.h>
#include <lxerror.h>
#include <lxfields.h>

#include <gtest/gtest.h>

#include <QFile>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>

#include <functional>

namespace {

// A model that hands out its rows in chunks, as the register's data set does.
class LazyModel : public QStandardItemModel
{
public:
    LazyModel(int total, int chunk)
        : m_total(total)
        , m_chunk(chunk)
    {
        setHorizontalHeaderLabels({QStringLiteral("ФИО"), QStringLiteral("Код")});
        // The header shows captions; the field names travel in Qt::UserRole.
        setHeaderData(0, Qt::Horizontal, QStringLiteral("FIO"), Qt::UserRole);
        setHeaderData(1, Qt::Horizontal, QStringLiteral("STUDENTID"), Qt::UserRole);
        fetchMore({});
    }
    bool canFetchMore(const QModelIndex &parent) const override
    {
        return !parent.isValid() && rowCount() < m_total;
    }
    void fetchMore(const QModelIndex &parent) override
    {
        if (parent.isValid())
            return;
        const int end = std::min(m_total, rowCount() + m_chunk);
        for (int row = rowCount(); row < end; ++row)
            appendRow({new QStandardItem(QStringLiteral("Студент %1").arg(row)),
                       new QStandardItem(QString::number(100 + row))});
    }

private:
    int m_total;
    int m_chunk;
};

class GridUtilsTest : public testing::Test
{
public:
    void use(int total, int chunk)
    {
        model = std::make_unique<LazyModel>(total, chunk);
        grid.setModel(model.get());
        grid.setSelectionBehavior(QAbstractItemView::SelectRows);
        grid.setSelectionMode(QAbstractItemView::ExtendedSelection);
    }
    void mark(int row)
    {
        grid.selectionModel()->select(model->index(row, 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    QTableView grid;
    std::unique_ptr<LazyModel> model;
};

TEST_F(GridUtilsTest, SelectedRowsFollowTheRule)
{
    use(10, 4);
    EXPECT_EQ(GetSelectedList(&grid, QStringLiteral("STUDENTID"), QStringLiteral(",")),
              QStringLiteral("100"))
            << "no current row: the first";

    grid.selectionModel()->setCurrentIndex(model->index(2, 0), QItemSelectionModel::NoUpdate);
    EXPECT_EQ(GetSelectedList(&grid, QStringLiteral("studentid"), QStringLiteral(",")),
              QStringLiteral("102"))
            << "nothing marked: the current row";
    EXPECT_EQ(SelectedRowCount(&grid), 1);
    EXPECT_EQ(MarkedRowCount(&grid), 0);

    mark(3);
    mark(0);
    mark(1);
    // A cell of another column of a marked row is the same row.
    grid.selectionModel()->select(model->index(1, 1), QItemSelectionModel::Select);
    EXPECT_EQ(GetSelectedList(&grid, QStringLiteral("STUDENTID"), QStringLiteral(",")),
              QStringLiteral("100,101,103"))
            << "the marked rows, no trailing delimiter";
    EXPECT_EQ(SelectedRowCount(&grid), 3);
    EXPECT_EQ(MarkedRowCount(&grid), 3);

    grid.selectAll();
    EXPECT_FALSE(IsWholeGridSelected(&grid));
    EXPECT_EQ(GetSelectedRows(&grid), (QList<int>{0, 1, 2, 3})) << "marking is not the whole grid";

    EXPECT_THROW(GetSelectedList(&grid, QStringLiteral("NOSUCH"), QStringLiteral(",")), LxError);
    use(0, 4);
    EXPECT_TRUE(GetSelectedRows(&grid).isEmpty());
    EXPECT_EQ(SelectedRowCount(&grid), 0);
    SelectWholeGrid(&grid);
    EXPECT_EQ(SelectedRowCount(&grid), 0);
}

// A wide table of many rows that costs nothing to build.
class BigModel : public QAbstractTableModel
{
public:
    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : 100000;
    }
    int columnCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : 20;
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        return role == Qt::DisplayRole ? QVariant(index.row()) : QVariant();
    }
};

TEST(MarkedRowsTest, ABlockOfMarkedRowsIsCountedFromItsRanges)
{
    BigModel model;
    QTableView grid;
    grid.setModel(&model);
    QItemSelectionModel *selection = grid.selectionModel();
    selection->select(QItemSelection(model.index(0, 0), model.index(99999, 19)),
                      QItemSelectionModel::Select);
    selection->select(model.index(500, 0),
                      QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    selection->select(model.index(501, 3), QItemSelectionModel::Deselect); // one cell of a row
    EXPECT_EQ(MarkedRowCount(&grid), 99999);
    EXPECT_EQ(SelectedRowCount(&grid), 99999);
    const QList<int> rows = GetSelectedRows(&grid);
    ASSERT_EQ(rows.size(), 99999);
    EXPECT_EQ(rows.at(499), 499);
    EXPECT_EQ(rows.at(500), 501) << "the unmarked row is left out, the half-marked one stays";
    EXPECT_FALSE(IsWholeGridSelected(&grid));
}

TEST_F(GridUtilsTest, TheWholeGridTakesInTheRowsFetchedLater)
{
    use(10, 4);
    SelectWholeGrid(&grid);
    EXPECT_TRUE(IsWholeGridSelected(&grid));
    EXPECT_EQ(model->rowCount(), 4) << "selecting all fetches nothing";
    EXPECT_TRUE(grid.selectionModel()->isRowSelected(3, {}));

    model->fetchMore({}); // the user scrolls down
    EXPECT_TRUE(grid.selectionModel()->isRowSelected(7, {}));
    EXPECT_TRUE(IsWholeGridSelected(&grid));

    EXPECT_EQ(SelectedRowCount(&grid), 10);
    EXPECT_EQ(model->rowCount(), 10);
    EXPECT_TRUE(grid.selectionModel()->isRowSelected(9, {}));
    EXPECT_EQ(GetSelectedList(&grid, QStringLiteral("STUDENTID"), QStringLiteral(",")),
              QStringLiteral("100,101,102,103,104,105,106,107,108,109"));

    // The rows of a whole grid are visited with the flag kept.
    QList<int> visited;
    IterateSelectedList(&grid, [&](int row) { visited << row; });
    EXPECT_EQ(visited.size(), 10);
    EXPECT_TRUE(IsWholeGridSelected(&grid));
}

TEST_F(GridUtilsTest, AnyOtherChangeOfTheSelectionEndsTheWholeGrid)
{
    struct Case
    {
        const char *change;
        std::function<void(GridUtilsTest &)> apply;
    };
    const Case cases[] = {
            {"a click on a row",
             [](GridUtilsTest &t) {
                 const QRect cell = t.grid.visualRect(t.model->index(1, 0));
                 QTest::mouseClick(t.grid.viewport(), Qt::LeftButton, {}, cell.center());
             }},
            {"one row chosen by code",
             [](GridUtilsTest &t) {
                 t.grid.selectionModel()->select(t.model->index(2, 0),
                                                 QItemSelectionModel::ClearAndSelect
                                                         | QItemSelectionModel::Rows);
             }},
            {"a row unmarked",
             [](GridUtilsTest &t) {
                 t.grid.selectionModel()->select(t.model->index(0, 0),
                                                 QItemSelectionModel::Deselect
                                                         | QItemSelectionModel::Rows);
             }},
            {"the marks cleared", [](GridUtilsTest &t) { t.grid.clearSelection(); }},
            {"the list closed", [](GridUtilsTest &t) { t.model->clear(); }},
            {"another model", [](GridUtilsTest &t) { t.use(10, 4); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.change);
        use(10, 4);
        grid.resize(400, 300);
        grid.show();
        SelectWholeGrid(&grid);
        c.apply(*this);
        EXPECT_FALSE(IsWholeGridSelected(&grid));
        model->fetchMore({});
        EXPECT_FALSE(grid.selectionModel()->isRowSelected(model->rowCount() - 1, {}))
                << "later rows join the selection no more";
    }
}

TEST_F(GridUtilsTest, IterationMakesEachRowCurrentAndRestores)
{
    use(5, 5);
    grid.selectionModel()->setCurrentIndex(model->index(4, 1), QItemSelectionModel::NoUpdate);
    mark(1);
    mark(3);
    QList<int> visited;
    const auto visit = [&](int row) {
        EXPECT_EQ(grid.currentIndex().row(), row);
        visited << row;
        if (row == 3)
            throw LxError(QStringLiteral("stop"));
    };
    EXPECT_THROW(IterateSelectedList(&grid, visit), LxError);
    EXPECT_EQ(visited, (QList<int>{1, 3}));
    EXPECT_EQ(grid.currentIndex(), model->index(4, 1));
    EXPECT_EQ(GetSelectedRows(&grid), (QList<int>{1, 3}));
}

TEST_F(GridUtilsTest, RepositorySetsCaptionsWidthsAndHiddenColumns)
{
    use(3, 3);
    model->setHeaderData(0, Qt::Horizontal, QVariant(), Qt::UserRole); // named by its text
    model->setHeaderData(0, Qt::Horizontal, QStringLiteral("FIO"), Qt::DisplayRole);
    const TLxFields fields(QStringLiteral(VELMOR_SOURCE_DIR "/installation/options/fields.xml"));
    ApplyGridRepository(&grid, fields);

    const TLxField &fio = fields.FBN(QStringLiteral("FIO"));
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), fio.GetGridCaption());
    EXPECT_EQ(model->headerData(0, Qt::Horizontal, Qt::UserRole).toString(), QStringLiteral("FIO"));
    EXPECT_GT(grid.columnWidth(0), fio.GetWidth() * grid.fontMetrics().averageCharWidth());
    EXPECT_FALSE(grid.isColumnHidden(0));
    EXPECT_TRUE(grid.isColumnHidden(1)) << "STUDENTID is hidden by default";
    EXPECT_EQ(FindGridColumn(&grid, QStringLiteral("FIO")), 0) << "still found after renaming";

    ApplyGridRepository(&grid, fields); // a second run finds the columns by their names
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), fio.GetGridCaption());
}

} // namespace
