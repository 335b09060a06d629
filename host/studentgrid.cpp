#include "studentgrid.h"

#include <gridutils.h>

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>

#include <algorithm>

namespace {

const QColor kFilteredTitle(176, 176, 176);
const int kMarkerWidth = 14;

void drawSortMarker(QPainter *painter, const QRect &rect, Qt::SortOrder order, int place)
{
    const int x = rect.right() - kMarkerWidth + 3;
    const int y = rect.center().y();
    QPainterPath arrow;
    if (order == Qt::AscendingOrder) {
        arrow.moveTo(x, y + 3);
        arrow.lineTo(x + 8, y + 3);
        arrow.lineTo(x + 4, y - 3);
    } else {
        arrow.moveTo(x, y - 3);
        arrow.lineTo(x + 8, y - 3);
        arrow.lineTo(x + 4, y + 3);
    }
    arrow.closeSubpath();
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->fillPath(arrow, QColor(90, 90, 90));
    if (place > 0) {
        QFont small = painter->font();
        small.setPointSizeF(small.pointSizeF() * 0.7);
        painter->setFont(small);
        painter->drawText(QRect(x - 8, rect.top(), 8, rect.height() / 2 + 2),
                          Qt::AlignRight | Qt::AlignVCenter,
                          QString::number(place));
    }
    painter->restore();
}

} // namespace

TGridHeader::TGridHeader(QWidget *parent)
    : QHeaderView(Qt::Horizontal, parent)
{
    setSectionsClickable(true);
    setSectionsMovable(true);
    setHighlightSections(false);
    setSortIndicatorShown(false);
}

void TGridHeader::SetSortMarkers(const QList<SortMarker> &markers)
{
    m_markers = markers;
    viewport()->update();
    emit SortMarkersChanged();
}

void TGridHeader::SetHighlightedSections(const QSet<int> &sections)
{
    m_highlighted = sections;
    viewport()->update();
}

void TGridHeader::paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const
{
    if (m_highlighted.contains(logicalIndex))
        painter->fillRect(rect, kFilteredTitle);
    painter->save();
    QHeaderView::paintSection(painter, rect, logicalIndex);
    painter->restore();
    for (int place = 0; place < m_markers.size(); ++place) {
        if (m_markers.at(place).first == logicalIndex) {
            drawSortMarker(painter,
                           rect,
                           m_markers.at(place).second,
                           m_markers.size() > 1 ? place + 1 : 0);
            break;
        }
    }
}

QSize TGridHeader::sectionSizeFromContents(int logicalIndex) const
{
    QSize size = QHeaderView::sectionSizeFromContents(logicalIndex);
    size.rwidth() += kMarkerWidth;
    return size;
}

TStudentGrid::TStudentGrid(QWidget *parent)
    : QTableView(parent)
    , m_header(new TGridHeader(this))
{
    setHorizontalHeader(m_header);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSortingEnabled(false);
    setWordWrap(false);
    connect(m_header, &QHeaderView::sectionClicked, this, [this](int section) {
        emit TitleClicked(section, QGuiApplication::keyboardModifiers() & Qt::ControlModifier);
    });
}

void TStudentGrid::SetRowSelection(bool rowSelection)
{
    m_rowSelection = rowSelection;
    if (m_frozen)
        m_frozen->SetRowSelection(rowSelection);
    setSelectionBehavior(rowSelection ? QAbstractItemView::SelectRows
                                      : QAbstractItemView::SelectItems);
}

void TStudentGrid::SetFrozeLayout(bool froze)
{
    m_frozeLayout = froze;
    const auto mode = froze ? QHeaderView::Fixed : QHeaderView::Interactive;
    horizontalHeader()->setSectionResizeMode(mode);
    verticalHeader()->setSectionResizeMode(mode);
    horizontalHeader()->setSectionsMovable(!froze);
}

void TStudentGrid::MarkAllRows()
{
    if (!model() || model()->rowCount() == 0)
        return;
    FetchAllRows(model());
    const QItemSelection all(model()->index(0, 0),
                             model()->index(model()->rowCount() - 1, model()->columnCount() - 1));
    selectionModel()->select(all, QItemSelectionModel::ClearAndSelect);
}

void TStudentGrid::InvertMarks()
{
    if (!model() || model()->rowCount() == 0)
        return;
    const bool whole = IsWholeGridSelected(this);
    FetchAllRows(model());
    const QItemSelection all(model()->index(0, 0),
                             model()->index(model()->rowCount() - 1, model()->columnCount() - 1));
    if (whole) {
        selectionModel()->clearSelection();
        return;
    }
    selectionModel()->select(all, QItemSelectionModel::Toggle | QItemSelectionModel::Rows);
}

int TStudentGrid::MarkedCount() const
{
    return selectionModel() ? MarkedRowCount(this) : 0;
}

QItemSelectionModel::SelectionFlags TStudentGrid::selectionCommand(const QModelIndex &index,
                                                                   const QEvent *event) const
{
    // Moving the current row leaves the marks alone; Ctrl and Shift mark as usual.
    Qt::KeyboardModifiers modifiers = QGuiApplication::keyboardModifiers();
    if (event && (event->type() == QEvent::KeyPress))
        modifiers = static_cast<const QKeyEvent *>(event)->modifiers();
    else if (event
             && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseMove))
        modifiers = static_cast<const QMouseEvent *>(event)->modifiers();
    if (!m_rowSelection || (modifiers & (Qt::ShiftModifier | Qt::ControlModifier)))
        return QTableView::selectionCommand(index, event);
    return QItemSelectionModel::NoUpdate;
}

void TStudentGrid::markCurrentAndMoveOn()
{
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return;
    const auto flags
            = MarkedCount() < 2 ? QItemSelectionModel::Select : QItemSelectionModel::Toggle;
    selectionModel()->select(current, flags | QItemSelectionModel::Rows);
    const QModelIndex next = model()->index(current.row() + 1, current.column());
    if (next.isValid())
        selectionModel()->setCurrentIndex(next, QItemSelectionModel::NoUpdate);
    else if (model()->canFetchMore({})) {
        model()->fetchMore({});
        const QModelIndex fetched = model()->index(current.row() + 1, current.column());
        if (fetched.isValid())
            selectionModel()->setCurrentIndex(fetched, QItemSelectionModel::NoUpdate);
    }
}

void TStudentGrid::keyPressEvent(QKeyEvent *event)
{
    const auto modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (event->key() == Qt::Key_Insert && modifiers == Qt::NoModifier) {
        markCurrentAndMoveOn();
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        // The whole grid, also the rows not fetched yet, without fetching them.
        SelectWholeGrid(this);
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_A && modifiers == (Qt::ControlModifier | Qt::ShiftModifier)) {
        MarkAllRows();
        event->accept();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        && modifiers == Qt::NoModifier) {
        emit OpenRequested();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void TStudentGrid::mousePressEvent(QMouseEvent *event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    m_mouseDownRow = event->button() == Qt::LeftButton && index.isValid() ? index.row() : -1;
    QTableView::mousePressEvent(event);
}

void TStudentGrid::mouseReleaseEvent(QMouseEvent *event)
{
    QTableView::mouseReleaseEvent(event);
    // A plain click on one row in row-wise mode drops the marks.
    const QModelIndex index = indexAt(event->position().toPoint());
    if (m_rowSelection && event->button() == Qt::LeftButton && m_mouseDownRow >= 0
        && index.isValid() && index.row() == m_mouseDownRow
        && !(event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier))
        && selectionModel()->hasSelection())
        selectionModel()->clearSelection();
    m_mouseDownRow = -1;
}

void TStudentGrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (indexAt(event->position().toPoint()).isValid()) {
        emit OpenRequested();
        event->accept();
        return;
    }
    QTableView::mouseDoubleClickEvent(event);
}

void TStudentGrid::ToggleCurrentMark()
{
    const QModelIndex current = currentIndex();
    if (current.isValid())
        selectionModel()->select(current, QItemSelectionModel::Toggle | QItemSelectionModel::Rows);
}

void TStudentGrid::SetFrozenColumns(int count)
{
    if (count <= 0 || !model()) {
        delete m_frozen;
        m_frozen = nullptr;
        return;
    }
    if (!m_frozen)
        createFrozenOverlay();
    layoutFrozen();
}

void TStudentGrid::createFrozenOverlay()
{
    // A second grid over the same rows and marks lies over the first column; being a grid of
    // this kind, it marks, sorts and opens as this one does, and passes on what it is asked.
    m_frozen = new TStudentGrid(this);
    m_frozen->setModel(model());
    m_frozen->setSelectionModel(selectionModel());
    m_frozen->setItemDelegate(itemDelegate());
    m_frozen->setPalette(palette());
    m_frozen->setFocusPolicy(Qt::NoFocus);
    m_frozen->setContextMenuPolicy(contextMenuPolicy());
    m_frozen->SetRowSelection(m_rowSelection);
    m_frozen->verticalHeader()->hide();
    m_frozen->verticalHeader()->setDefaultSectionSize(verticalHeader()->defaultSectionSize());
    m_frozen->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_frozen->horizontalHeader()->setSectionsMovable(false);
    m_frozen->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setFrameShape(QFrame::NoFrame);
    viewport()->stackUnder(m_frozen);
    connect(verticalScrollBar(),
            &QAbstractSlider::valueChanged,
            m_frozen->verticalScrollBar(),
            &QAbstractSlider::setValue);
    connect(m_frozen->verticalScrollBar(),
            &QAbstractSlider::valueChanged,
            verticalScrollBar(),
            &QAbstractSlider::setValue);
    connect(m_frozen, &TStudentGrid::OpenRequested, this, &TStudentGrid::OpenRequested);
    connect(m_frozen, &TStudentGrid::TitleClicked, this, &TStudentGrid::TitleClicked);
    connect(m_frozen, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        emit customContextMenuRequested(
                viewport()->mapFromGlobal(m_frozen->viewport()->mapToGlobal(pos)));
    });
    const auto copyMarkers
            = [this] { m_frozen->Header()->SetSortMarkers(m_header->SortMarkers()); };
    connect(m_header, &TGridHeader::SortMarkersChanged, m_frozen, copyMarkers);
    copyMarkers();
    connect(m_header, &QHeaderView::sectionResized, m_frozen, [this] { layoutFrozen(); });
    connect(m_header, &QHeaderView::sectionMoved, m_frozen, [this] { layoutFrozen(); });
    connect(model(), &QAbstractItemModel::modelReset, m_frozen, [this] { layoutFrozen(); });
    m_frozen->show();
}

void TStudentGrid::layoutFrozen()
{
    if (!m_frozen)
        return;
    int first = -1;
    for (int visual = 0; visual < m_header->count() && first < 0; ++visual)
        if (!m_header->isSectionHidden(m_header->logicalIndex(visual)))
            first = m_header->logicalIndex(visual);
    for (int column = 0; column < m_header->count(); ++column) {
        m_frozen->setColumnHidden(column, column != first);
        if (column == first)
            m_frozen->setColumnWidth(column, m_header->sectionSize(column));
    }
    const int width = first >= 0 ? m_header->sectionSize(first) : 0;
    m_frozen->setGeometry(verticalHeader()->width() + frameWidth(),
                          frameWidth(),
                          width,
                          viewport()->height() + m_header->height());
    m_frozen->horizontalHeader()->setFixedHeight(m_header->height());
}

void TStudentGrid::resizeEvent(QResizeEvent *event)
{
    QTableView::resizeEvent(event);
    layoutFrozen();
}

void TStudentGrid::updateGeometries()
{
    QTableView::updateGeometries();
    layoutFrozen();
}
