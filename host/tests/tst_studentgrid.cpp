#include "gridfinddialog.h"
#include "gridlayout.h"
#include "studentgrid.h"
#include "studentgriddelegate.h"

#include <gridutils.h>
#include <lxerror.h>

#include <QBuffer>
#include <QImage>
#include <QStandardItemModel>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// A grid of ten rows "r0".."r9" in two columns whose field names are A and B.
class StudentGridTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_model.setColumnCount(2);
        for (int row = 0; row < 10; ++row)
            m_model.appendRow({new QStandardItem(QString("r%1").arg(row)),
                               new QStandardItem(QString("value %1").arg(9 - row))});
        for (int column = 0; column < 2; ++column)
            m_model.setHeaderData(
                    column, Qt::Horizontal, QString(QChar('A' + column)), Qt::UserRole);
        m_grid.setModel(&m_model);
        m_grid.resize(400, 400);
        m_grid.show();
        m_grid.setCurrentIndex(m_model.index(2, 0));
    }

    QList<int> marked() const
    {
        QList<int> rows;
        for (const QModelIndex &index : m_grid.selectionModel()->selectedRows())
            rows << index.row();
        std::sort(rows.begin(), rows.end());
        return rows;
    }

    void clickRow(int row, Qt::KeyboardModifiers modifiers = {})
    {
        const QRect cell = m_grid.visualRect(m_model.index(row, 0));
        QTest::mouseClick(m_grid.viewport(), Qt::LeftButton, modifiers, cell.center());
    }

    QStandardItemModel m_model;
    TStudentGrid m_grid;
};

TEST_F(StudentGridTest, KeysAndClicksMarkRowsAsARegisterDoes)
{
    // Moving the current row leaves the marks alone.
    QTest::keyClick(&m_grid, Qt::Key_Down);
    EXPECT_EQ(m_grid.currentIndex().row(), 3);
    EXPECT_TRUE(marked().isEmpty());

    // Insert marks and moves on; with two or more marks it toggles.
    QTest::keyClick(&m_grid, Qt::Key_Insert);
    QTest::keyClick(&m_grid, Qt::Key_Insert);
    EXPECT_EQ(marked(), QList<int>({3, 4}));
    EXPECT_EQ(m_grid.currentIndex().row(), 5);
    QTest::keyClick(&m_grid, Qt::Key_Up);
    QTest::keyClick(&m_grid, Qt::Key_Insert);
    EXPECT_EQ(marked(), QList<int>{3});

    clickRow(7, Qt::ControlModifier);
    EXPECT_EQ(marked(), QList<int>({3, 7}));
    // A plain click on a row drops the marks and makes the row current.
    clickRow(1);
    EXPECT_TRUE(marked().isEmpty());
    EXPECT_EQ(m_grid.currentIndex().row(), 1);

    QTest::keyClick(&m_grid, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(marked().size(), 10);
    EXPECT_FALSE(IsWholeGridSelected(&m_grid));
    m_grid.InvertMarks();
    EXPECT_TRUE(marked().isEmpty());

    QTest::keyClick(&m_grid, Qt::Key_A, Qt::ControlModifier);
    EXPECT_TRUE(IsWholeGridSelected(&m_grid));
    EXPECT_EQ(SelectedRowCount(&m_grid), 10);

    int opened = 0;
    QObject::connect(&m_grid, &TStudentGrid::OpenRequested, [&opened] { ++opened; });
    QTest::keyClick(&m_grid, Qt::Key_Return);
    QTest::keyClick(&m_grid, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(opened, 1);
}

TEST_F(StudentGridTest, TheFrozenColumnMarksAndOpensAsTheGridDoes)
{
    m_grid.SetFrozenColumns(1);
    auto *frozen = m_grid.findChild<TStudentGrid *>();
    ASSERT_NE(frozen, nullptr);
    const auto clickFrozen = [&](int row, Qt::KeyboardModifiers modifiers = {}) {
        const QRect cell = frozen->visualRect(m_model.index(row, 0));
        QTest::mouseClick(frozen->viewport(), Qt::LeftButton, modifiers, cell.center());
    };
    clickFrozen(4);
    EXPECT_TRUE(marked().isEmpty());
    EXPECT_EQ(m_grid.currentIndex().row(), 4);
    clickFrozen(6, Qt::ControlModifier);
    EXPECT_EQ(marked(), QList<int>{6});

    int opened = 0;
    QObject::connect(&m_grid, &TStudentGrid::OpenRequested, [&opened] { ++opened; });
    QTest::mouseDClick(frozen->viewport(),
                       Qt::LeftButton,
                       {},
                       frozen->visualRect(m_model.index(1, 0)).center());
    EXPECT_EQ(opened, 1);
    m_grid.SetFrozenColumns(0);
    EXPECT_EQ(m_grid.findChild<TStudentGrid *>(), nullptr);
}

TEST_F(StudentGridTest, FindLooksFromTheRowAfterTheCurrentOne)
{
    struct Case
    {
        const char *text;
        TGridFindDialog::Options options;
        int row;
    };
    const Case cases[] = {
            {"r", {}, 3},
            {"R7", {}, 7},
            {"R7", {true, false, true}, -1},    // case-sensitive
            {"value", {false, true, true}, -1}, // whole value only
            {"r0", {false, false, false}, 0},   // backwards
            {"r5", {false, false, false}, -1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(TGridFindDialog::FindNext(&m_grid, 0, c.text, c.options), c.row);
    }
}

TEST_F(StudentGridTest, ALayoutComesBackByFieldNameAndABrokenOneChangesNothing)
{
    QHeaderView *header = m_grid.horizontalHeader();
    header->moveSection(1, 0);
    header->resizeSection(0, 150);
    header->setSectionHidden(1, true);
    const GridLayout::Values saved = GridLayout::Save(&m_grid);

    QStandardItemModel other;
    other.setColumnCount(3);
    for (int column = 0; column < 3; ++column)
        other.setHeaderData(column, Qt::Horizontal, QString(QChar('C' - column)), Qt::UserRole);
    QTableView grid;
    grid.setModel(&other); // columns C, B, A
    GridLayout::Restore(&grid, saved);
    EXPECT_EQ(grid.horizontalHeader()->visualIndex(1), 0); // B first
    EXPECT_TRUE(grid.isColumnHidden(1));
    EXPECT_EQ(grid.columnWidth(2), 150);
    EXPECT_FALSE(grid.isColumnHidden(0)); // C, unknown to the layout, stays shown

    GridLayout::Values broken = saved;
    broken["Columns"] = "A:x";
    EXPECT_THROW(GridLayout::Restore(&grid, broken), LxError);
    broken = saved;
    broken["Version"] = "2";
    EXPECT_THROW(GridLayout::Restore(&grid, broken), LxError);
    EXPECT_EQ(grid.columnWidth(2), 150);
}

TEST(StudentGridDelegateTest, APhotoColumnShowsTheJpegOrElseItsCellAsUsual)
{
    QImage red(40, 40, QImage::Format_RGB32);
    red.fill(Qt::red);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(red.save(&buffer, "JPEG"));

    QStandardItemModel model(2, 1);
    model.setHeaderData(0, Qt::Horizontal, "Photo", Qt::UserRole);
    model.setData(model.index(0, 0), jpeg, Qt::EditRole);
    model.setData(model.index(1, 0), QByteArray("\xff\xd8 not a picture"), Qt::EditRole);
    TStudentGrid grid;
    grid.setModel(&model);
    grid.setItemDelegate(new TStudentGridDelegate("StudentList", &grid));
    grid.verticalHeader()->setDefaultSectionSize(40);
    grid.setColumnWidth(0, 60);
    grid.resize(200, 200);
    grid.show();
    grid.selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);

    const QImage shot = grid.viewport()->grab().toImage();
    const auto colourAt = [&](int row) {
        return shot.pixelColor(grid.visualRect(model.index(row, 0)).center());
    };
    EXPECT_GT(colourAt(0).red(), 200);
    EXPECT_LT(colourAt(0).green(), 60);
    EXPECT_LT(colourAt(1).red() - colourAt(1).green(), 60); // not red: drawn as a cell
}

} // namespace
