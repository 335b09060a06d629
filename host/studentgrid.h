#pragma once

#include <QHeaderView>
#include <QList>
#include <QPair>
#include <QSet>
#include <QTableView>

// The register's column titles: sort markers on several columns (an arrow and, when more than
// one column sorts, the column's place in the order) and a grey title for the columns the user
// filters by.
class TGridHeader : public QHeaderView
{
    Q_OBJECT

public:
    using SortMarker = QPair<int, Qt::SortOrder>; // logical column, direction

    explicit TGridHeader(QWidget *parent = nullptr);

    void SetSortMarkers(const QList<SortMarker> &markers);
    QList<SortMarker> SortMarkers() const { return m_markers; }
    void SetHighlightedSections(const QSet<int> &sections);

signals:
    void SortMarkersChanged();

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override;
    QSize sectionSizeFromContents(int logicalIndex) const override;

private:
    QList<SortMarker> m_markers;
    QSet<int> m_highlighted;
};

// The register's grid: read-only, rows marked with Ctrl and Shift (a plain click or key moves the
// current row only), Insert marks and moves on, Ctrl+Shift+A marks every row, and Enter or a
// double click opens the current student.
class TStudentGrid : public QTableView
{
    Q_OBJECT

public:
    explicit TStudentGrid(QWidget *parent = nullptr);

    TGridHeader *Header() const { return m_header; }

    // Row-wise marking (the default) or cells and columns as well.
    bool RowSelection() const { return m_rowSelection; }
    void SetRowSelection(bool rowSelection);
    // Columns and rows keep their sizes.
    bool FrozeLayout() const { return m_frozeLayout; }
    void SetFrozeLayout(bool froze);

    // The first shown column stays in place while the others scroll (0 or 1).
    int FrozenColumns() const { return m_frozen ? 1 : 0; }
    void SetFrozenColumns(int count);

    // Marks every row from the first to the last, fetching them all.
    void MarkAllRows();
    // Toggles the mark of every row, fetching them all.
    void InvertMarks();
    // Marks or unmarks the current row.
    void ToggleCurrentMark();
    // Rows marked by the user (not counting the whole-grid selection kind).
    int MarkedCount() const;

signals:
    // Enter without modifiers or a double click in the data area.
    void OpenRequested();
    // A click on a column title; add is true with Ctrl held (sort by several columns).
    void TitleClicked(int logicalIndex, bool add);

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex &index,
                                                         const QEvent *event) const override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void updateGeometries() override;

private:
    void markCurrentAndMoveOn();
    void createFrozenOverlay();
    void layoutFrozen();

    TGridHeader *m_header;
    TStudentGrid *m_frozen = nullptr; // the overlay showing the frozen column
    bool m_rowSelection = true;
    bool m_frozeLayout = false;
    int m_mouseDownRow = -1;
};
