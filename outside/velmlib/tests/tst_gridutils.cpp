#include <colorgridutils.h>
#include <gridutils.h>
#include <lxerror.h>
#include <lxfields.h>

#include <gtest/gtest.h>

#include <QFile>
#include <QFont>
#include <QStandardItemModel>
#include <QTableView>

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
protected:
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

    mark(3);
    mark(0);
    mark(1);
    EXPECT_EQ(GetSelectedList(&grid, QStringLiteral("STUDENTID"), QStringLiteral(",")),
              QStringLiteral("100,101,103"))
            << "the marked rows, no trailing delimiter";

    grid.selectAll();
    EXPECT_EQ(GetSelectedRows(&grid).size(), 10) << "the whole grid includes unfetched rows";

    EXPECT_THROW(GetSelectedList(&grid, QStringLiteral("NOSUCH"), QStringLiteral(",")), LxError);
    use(0, 4);
    EXPECT_TRUE(GetSelectedRows(&grid).isEmpty());
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

TEST(ColorGridUtilsTest, FontStylesRoundTrip)
{
    for (int styles = 0; styles < 16; ++styles) {
        QFont font;
        IntToSet(styles, font);
        EXPECT_EQ(SetToInt(font), styles);
    }
    QFont font;
    font.setBold(true);
    IntToSet(fsItalic | 64, font);
    EXPECT_FALSE(font.bold());
    EXPECT_EQ(SetToInt(font), fsItalic);
}

} // namespace
