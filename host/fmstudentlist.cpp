#include "fmstudentlist.h"

#include "fmsplash.h"
#include "gridfinddialog.h"
#include "gridlayout.h"
#include "menuutils.h"
#include "selectionfile.h"
#include "studentgrid.h"
#include "studentgriddelegate.h"
#include "studentlistmodel.h"
#include "velmapplication.h"
#include "velminit.h"

#include <counttransform.h>
#include <database.h>
#include <dataset.h>
#include <fieldutils.h>
#include <gridutils.h>
#include <lxerror.h>
#include <lximagelist.h>
#include <lxlog.h>
#include <lxnls.h>
#include <query.h>
#include <tdm.h>
#include <transaction.h>
#include <velmutils.h>
#include <xmlinifile.h>
#include <xmlsecurity.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDate>
#include <QDateEdit>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScopeGuard>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>

TfmStudentList *fmStudentList = nullptr;

namespace {

QLabel *statusPanel(int width, Qt::Alignment alignment)
{
    auto *panel = new QLabel;
    panel->setMinimumWidth(width);
    panel->setAlignment(alignment | Qt::AlignVCenter);
    panel->setFrameShape(QFrame::NoFrame);
    return panel;
}

const char kSection[] = "TfmStudentList";
const char kGridSection[] = "Grid.TfmStudentList";
const char kLayoutGridSection[] = "TIniFile";
const char kGridKind[] = "StudentList";
// The register's columns on a first start, before the user chose any.
const char kDefaultFields[] = "FIO,GROUPNUM,COURSE,SPECIALITY,DEPARTMENT,EDUFORM,STATUS";
const QColor kGridColour(232, 255, 232);

// The window works before a login too (tests, a failed start); then there is no register.
bool databaseReady()
{
    return DM && DM->DB && DM->DB->isConnected() && FieldsRepLoaded();
}

QString errorText(const std::exception &error)
{
    return QString::fromLocal8Bit(error.what());
}

// One sort column of an ORDER BY text: "NAME" or "NAME DESC".
struct OrderItem
{
    QString field;
    bool descending = false;
};

QList<OrderItem> parseOrder(const QString &order)
{
    QList<OrderItem> items;
    for (const QString &part : order.split(u',', Qt::SkipEmptyParts)) {
        const QStringList words = part.simplified().split(u' ');
        if (words.isEmpty() || words.first().isEmpty())
            continue;
        OrderItem item;
        item.field = words.first();
        item.descending = words.size() > 1
                          && words.at(1).compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0;
        items << item;
    }
    return items;
}

QString orderText(const QList<OrderItem> &items)
{
    QStringList parts;
    for (const OrderItem &item : items)
        parts << (item.descending ? item.field + QStringLiteral(" DESC") : item.field);
    return parts.join(QStringLiteral(", "));
}

} // namespace

TfmStudentList::TfmStudentList(QWidget *parent)
    : QMainWindow(parent)
{
    fmStudentList = this;
    setObjectName(QStringLiteral("fmStudentList"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    m_moduleCaption = LxTr("Список");
    const QString user = DM ? DM->UserName : QString();
    setWindowTitle(LxTr("Список студентов") + QStringLiteral(" [") + user + QStringLiteral("]"));
    resize(1000, 650);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }

    buildGrid();
    buildStatusBar();
    buildUserInterface();
    createOwnActions();
    buildPopupMenu();
    LoadWindowState(wsFrozeLayout);
    m_creating = true;
    SetStatusDate(QDate::currentDate());
    m_maxRecords = -1;
    restoreGeometryFromSettings();
    m_order = storedValue(QStringLiteral("Order")).trimmed();
    if (databaseReady()) {
        try {
            OpenList(true);
        } catch (const std::exception &error) {
            // The window still opens: the user sees the error and the empty register.
            const QString message = errorText(error);
            Log(message, elAppException);
            QTimer::singleShot(0, this, [message] { MsgError(message); });
        }
    }
    m_creating = false;
    UpdateActions();

    m_statusTimer = new QTimer(this);
    m_statusTimer->setInterval(300);
    connect(m_statusTimer, &QTimer::timeout, this, [this] {
        m_statusTimer->stop();
        UpdateStatusBar();
        UpdateActions();
        m_statusTimer->start();
    });
    m_statusTimer->start();
    m_selectionTimer = new QTimer(this);
    m_selectionTimer->setInterval(300);
    m_selectionTimer->setSingleShot(true);
    connect(m_selectionTimer, &QTimer::timeout, this, &TfmStudentList::checkSelectionChange);
}

TfmStudentList::~TfmStudentList()
{
    try {
        if (m_students && m_students->isOpen() && !m_dataObjectAttached)
            SaveWindowState(wsGridLayout);
        saveListState();
        saveGeometryToSettings();
    } catch (const std::exception &error) {
        Log(errorText(error), elAppException);
    }
    Log(QStringLiteral("fmStudentList destroy"), elInfo);
    if (fmStudentList == this)
        fmStudentList = nullptr;
}

void TfmStudentList::buildGrid()
{
    m_grid = new TStudentGrid(this);
    m_grid->setObjectName(QStringLiteral("Grid"));
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 6);
    m_grid->verticalHeader()->setVisible(false);
    QPalette colours = m_grid->palette();
    colours.setColor(QPalette::Base, kGridColour);
    colours.setColor(QPalette::Window, kGridColour);
    m_grid->setPalette(colours);
    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
    setCentralWidget(m_grid);
    if (!databaseReady())
        return;

    fb::TransactionOptions options; // read committed, record versions, no wait
    m_tran = new fb::Transaction(*DM->DB, options, this);
    m_students = new fb::DataSet(*m_tran, this);
    m_students->setObjectName(QStringLiteral("qrStudents"));
    m_students->setDeleteSql(
            QStringLiteral("delete from STUDENTS where STUDENTID = ?OLD_STUDENTID"));
    m_qrArch = std::make_unique<fb::Query>(*m_tran,
                                           QStringLiteral("update STUDENTS set ARCHIVE = ?ARCH "
                                                          "where STUDENTID = ?StudentID"));
    m_model = new TStudentListModel(m_students, this);
    m_grid->setModel(m_model);
    m_delegate = new TStudentGridDelegate(QLatin1String(kGridKind), this);
    m_grid->setItemDelegate(m_delegate);
    connect(m_students, &fb::DataSet::afterOpen, this, &TfmStudentList::afterOpen);
    connect(m_students, &fb::DataSet::beforeClose, this, &TfmStudentList::beforeClose);
    connect(m_grid->selectionModel(),
            &QItemSelectionModel::currentRowChanged,
            this,
            [this](const QModelIndex &current) {
                if (current.isValid() && m_students->isOpen()
                    && current.row() != m_students->currentRow())
                    m_students->setCurrentRow(current.row());
            });
    // The current row's colour moves with it.
    connect(m_grid->selectionModel(),
            &QItemSelectionModel::currentChanged,
            m_grid->viewport(),
            qOverload<>(&QWidget::update));
    connect(m_grid->selectionModel(),
            &QItemSelectionModel::selectionChanged,
            this,
            &TfmStudentList::selectionChanged);
    connect(m_grid, &TStudentGrid::OpenRequested, this, [this] {
        if (QAction *dossier = m_actions.value(QStringLiteral("actDossierView")))
            dossier->trigger();
    });
    connect(m_grid, &TStudentGrid::TitleClicked, this, &TfmStudentList::SortByColumn);
    connect(m_grid, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        UpdateActions();
        m_popupMenu->popup(m_grid->viewport()->mapToGlobal(pos));
    });
}

TXMLIniFile TfmStudentList::props() const
{
    return TXMLIniFile(VelmApplication->Settings());
}

QString TfmStudentList::storedValue(const QString &key) const
{
    if (!VelmApplication)
        return {};
    return props().ReadString(QLatin1String(kSection), key, QString());
}

void TfmStudentList::storeValue(const QString &key, const QString &value)
{
    if (VelmApplication)
        props().WriteString(QLatin1String(kSection), key, value);
}

void TfmStudentList::saveListState()
{
    if (!VelmApplication || !m_students || !m_students->isOpen() || m_students->fieldCount() == 0)
        return;
    QStringList fields;
    for (int column = 0; column < m_students->fieldCount(); ++column)
        fields << m_students->fieldName(column);
    storeValue(QStringLiteral("Fields"), fields.join(u','));
    storeValue(QStringLiteral("Order"), m_order.trimmed());
}

QString TfmStudentList::StoredFields() const
{
    const QString fields = storedValue(QStringLiteral("Fields"));
    return fields.trimmed().isEmpty() ? QString::fromLatin1(kDefaultFields) : fields;
}

QString TfmStudentList::listSql(const QString &fields) const
{
    return FieldsRep().GenerateSQL(
            fields, QStringLiteral("StudentList"), true, m_maxRecords, !m_lastData);
}

void TfmStudentList::OpenList(bool rebuild)
{
    if (!m_students)
        return;
    m_grid->setUpdatesEnabled(false);
    const auto enableUpdates = qScopeGuard([this] { m_grid->setUpdatesEnabled(true); });
    // Reopening resets the grid's columns: their arrangement is put back by field name.
    GridLayout::Values layout;
    if (m_students->isOpen())
        layout = GridLayout::Save(m_grid);
    m_students->close();

    const QString fields = StoredFields();
    const QString sql = listSql(fields);
    const QString select = sql
                           + QStringLiteral("\r\n@Access%  WHERE (S.ARCHIVE = @@ARCH%0@) "
                                            "and (@@Filter%1=1@)");
    m_students->setRefreshSql(sql + QStringLiteral("\r\nwhere S.STUDENTID = ?STUDENTID"));
    // Without a stored order the students come by name, as a register is read.
    if (m_order.isEmpty()
        && fields.split(QLatin1Char(',')).contains(QLatin1String("FIO"), Qt::CaseInsensitive))
        m_order = QStringLiteral("FIO");
    const QString withOrder
            = m_order.isEmpty() ? select : select + QStringLiteral("\r\norder by ") + m_order;
    m_students->setSelectSql(withOrder);
    if (DM->Personal || DM->UserName.compare(QLatin1String("SYSDBA"), Qt::CaseInsensitive) == 0)
        m_students->setMacroToDefault(QStringLiteral("Access"));
    else
        m_students->setMacro(QStringLiteral("Access"),
                             QStringLiteral("inner join VW_USERACCESS VWUA on "
                                            "(VWUA.UGNAME = S.OWNER) "));
    m_students->setMacroToDefault(QStringLiteral("Filter"));
    if (m_archive)
        m_students->setMacro(QStringLiteral("ARCH"), QStringLiteral("1"));
    else
        m_students->setMacroToDefault(QStringLiteral("ARCH"));
    if (m_students->hasParam(QStringLiteral("CurDate")))
        m_students->setParam(QStringLiteral("CurDate"), m_statusDate);

    m_tran->ensureStarted();
    Log(m_students->expandedSelectSql(), elInfo);
    try {
        m_students->open();
    } catch (const std::exception &error) {
        if (m_order.isEmpty())
            throw;
        // A stored order may name a field that is no longer selected: drop it and go on.
        MsgError(errorText(error));
        m_order.clear();
        m_students->setSelectSql(select);
        m_students->open();
    }
    // The first screen comes with the first chunk; the rest as the user scrolls.
    if (m_model->canFetchMore())
        m_model->fetchMore();
    if (rebuild || layout.isEmpty()) {
        m_model->ClearCaptions();
        for (int column = 0; column < m_model->columnCount(); ++column)
            m_grid->setColumnHidden(column, false);
        ApplyGridRepository(m_grid, FieldsRep());
        fitColumns();
        const int key = m_students->fieldIndex(QStringLiteral("STUDENTID"));
        if (key >= 0)
            m_grid->setColumnHidden(key, true);
        if (rebuild)
            LoadWindowState(wsFilter | wsGridLayout);
    } else {
        ApplyGridRepository(m_grid, FieldsRep());
        GridLayout::Restore(m_grid, layout);
    }
    showSortMarkers();
    if (m_model->rowCount() > 0 && !m_grid->currentIndex().isValid())
        m_grid->setCurrentIndex(m_model->index(0, m_grid->horizontalHeader()->logicalIndexAt(0)));
}

void TfmStudentList::afterOpen()
{
    if (m_dataObjectAttached || m_refreshing)
        return;
    m_countResult = -1;
    showSortMarkers();
    m_grid->clearSelection();
}

void TfmStudentList::beforeClose()
{
    if (m_dataObjectAttached || m_refreshing)
        return;
    SaveWindowState(wsFilter | wsGridLayout);
}

void TfmStudentList::showSortMarkers()
{
    QList<TGridHeader::SortMarker> markers;
    for (const OrderItem &item : parseOrder(m_order)) {
        const int column = FindGridColumn(m_grid, item.field);
        if (column < 0)
            break;
        markers.append({column, item.descending ? Qt::DescendingOrder : Qt::AscendingOrder});
    }
    m_grid->Header()->SetSortMarkers(markers);
}

void TfmStudentList::SortByColumn(int column, bool add)
{
    if (!m_students || !m_students->isOpen() || column < 0 || column >= m_students->fieldCount())
        return;
    const QString field = m_students->fieldName(column);
    QList<OrderItem> items = parseOrder(m_order);
    const auto same = [&field](const OrderItem &item) {
        return item.field.compare(field, Qt::CaseInsensitive) == 0;
    };
    const auto found = std::find_if(items.begin(), items.end(), same);
    if (add) {
        if (found != items.end())
            found->descending = !found->descending;
        else
            items.append({field, false});
    } else {
        const bool descending = found != items.end() && items.size() == 1 && !found->descending;
        items = {{field, descending}};
    }
    m_order = orderText(items);
    Refresh();
}

void TfmStudentList::fitColumns()
{
    // The repository's widths are in characters of a Latin font: captions and names in
    // Cyrillic need more, so a column is never narrower than its caption or its first rows.
    const int limit = m_grid->fontMetrics().averageCharWidth() * 40;
    for (int column = 0; column < m_model->columnCount(); ++column) {
        if (m_grid->isColumnHidden(column))
            continue;
        const int given = m_grid->columnWidth(column);
        m_grid->resizeColumnToContents(column);
        const int wanted = m_grid->columnWidth(column);
        m_grid->setColumnWidth(column, std::max(given, std::min(wanted, limit)));
    }
}

void TfmStudentList::Refresh()
{
    if (!m_students)
        return;
    const QVariant current = m_students->isOpen() && m_students->currentRow() >= 0
                                     ? m_students->fieldValue(QStringLiteral("STUDENTID"))
                                     : QVariant();
    const int column = m_grid->currentIndex().isValid() ? m_grid->currentIndex().column() : -1;
    {
        // The reopening is not announced as a close and an open of the register.
        m_refreshing = true;
        const auto done = qScopeGuard([this] { m_refreshing = false; });
        m_countResult = -1;
        OpenList(false);
        m_grid->clearSelection();
    }
    if (!current.isNull() && LocateStudent(current) && column >= 0)
        m_grid->setCurrentIndex(m_model->index(m_students->currentRow(), column));
    emit Refreshed();
}

void TfmStudentList::RefreshFull()
{
    if (!m_students)
        return;
    m_grid->clearSelection();
    m_students->close();
    OpenList(false);
}

void TfmStudentList::RefreshCurrentRow()
{
    if (m_students && m_students->isOpen() && m_students->currentRow() >= 0)
        m_students->refreshCurrent();
}

bool TfmStudentList::LocateStudent(const QVariant &studentId)
{
    if (!m_students || !m_students->isOpen()
        || !m_students->locate(QStringLiteral("STUDENTID"), studentId))
        return false;
    // Locating fetched the rows up to the student; the model announces them before the move.
    while (m_model->canFetchMore() && m_model->rowCount() <= m_students->currentRow())
        m_model->fetchMore();
    const int column = m_grid->currentIndex().isValid()
                               ? m_grid->currentIndex().column()
                               : m_grid->horizontalHeader()->logicalIndexAt(0);
    const QModelIndex index = m_model->index(m_students->currentRow(), std::max(column, 0));
    m_grid->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    m_grid->scrollTo(index);
    return true;
}

bool TfmStudentList::IsEmpty() const
{
    return !m_students || !m_students->isOpen() || m_students->isEmpty();
}

int TfmStudentList::SelectedCount()
{
    return SelectedRowCount(m_grid);
}

void TfmStudentList::SelectAll()
{
    if (!IsEmpty())
        SelectWholeGrid(m_grid);
}

void TfmStudentList::CountRecords()
{
    if (!m_students || !m_students->isOpen())
        return;
    QVariantHash params;
    params.insert(QStringLiteral("CurDate"), m_statusDate);
    m_countResult = fb::CountTransform::count(*m_tran, m_students->expandedSelectSql(), params);
    UpdateStatusBar();
}

void TfmStudentList::SetStatusDate(const QDate &date)
{
    if (date == m_statusDate)
        return;
    m_statusDate = date;
    if (m_dateEdit) {
        const QSignalBlocker blocker(m_dateEdit);
        m_dateEdit->setDate(date);
        QPalette colours = m_dateEdit->palette();
        colours.setColor(QPalette::Base,
                         date == QDate::currentDate() ? palette().color(QPalette::Base)
                                                      : QColor(255, 0, 0));
        m_dateEdit->setPalette(colours);
    }
    if (m_lbStatusDate)
        m_lbStatusDate->setText(date.toString(QLatin1String(VelmDateFormat)));
    if (!m_creating && !m_lastData)
        OpenList(false);
}

void TfmStudentList::SetLastData(bool lastData)
{
    if (lastData == m_lastData)
        return;
    m_lastData = lastData;
    if (QAction *act = m_actions.value(QStringLiteral("actStudentListLastData")))
        act->setChecked(lastData);
    if (m_dateEdit)
        m_dateEdit->setVisible(!lastData);
    OpenList(false);
}

void TfmStudentList::SetArchive(bool archive)
{
    if (archive == m_archive)
        return;
    m_archive = archive;
    if (QAction *act = m_actions.value(QStringLiteral("actStudentListArch")))
        act->setChecked(archive);
    OpenList(false);
}

bool TfmStudentList::FrozeLayout() const
{
    return m_grid->FrozeLayout();
}

void TfmStudentList::SetFrozeLayout(bool froze)
{
    m_grid->SetFrozeLayout(froze);
    if (QAction *act = m_actions.value(QStringLiteral("actStudentListFrozeLayout")))
        act->setChecked(froze);
}

bool TfmStudentList::ask(const QString &question)
{
    return Confirm ? Confirm(question) : MsgConfirmation(question);
}

void TfmStudentList::askLastData()
{
    // The button keeps showing the mode in force while the question is open.
    QAction *act = m_actions.value(QStringLiteral("actStudentListLastData"));
    if (act)
        act->setChecked(m_lastData);
    if (m_lastData
        && !ask(LxTr("Внимание! Работа с историческими данными достаточно медленна.\r\n"
                     "Хотите переключиться в режим работы с историей?")))
        return;
    SetLastData(!m_lastData);
}

void TfmStudentList::UpdateStatusBar()
{
    if (!m_students || !m_students->isOpen() || !m_statusCount)
        return;
    const int fetched = m_students->rowCount();
    const bool all = m_students->allFetched();
    QString selected;
    if (IsWholeGridSelected(m_grid))
        selected = all ? QString::number(fetched) : QStringLiteral("?");
    else if (const int marked = m_grid->MarkedCount(); marked > 0)
        selected = QString::number(marked);
    else
        selected = fetched == 0 ? QStringLiteral("0") : QStringLiteral("1");
    QString total;
    if (all)
        total = (fetched == m_maxRecords ? QStringLiteral(">") : QString())
                + QString::number(fetched);
    else
        total = m_countResult < 0 ? QStringLiteral("?") : QString::number(m_countResult);
    m_statusCount->setText(QStringLiteral("%1:%2").arg(selected, total));
    const int row = m_students->currentRow();
    m_statusRow->setText(row >= 0 ? LxTr("Стр %1").arg(row + 1) : QString());
    const bool hasFio = m_students->fieldIndex(QStringLiteral("FIO")) >= 0;
    m_statusName->setText(
            hasFio && row >= 0 ? QStringLiteral("  ")
                                         + m_students->fieldValue(QStringLiteral("FIO")).toString()
                               : QString());
}

void TfmStudentList::selectionChanged()
{
    if (!m_selectionTimer->isActive())
        m_selectionTimer->start();
}

void TfmStudentList::checkSelectionChange()
{
    const bool whole = IsWholeGridSelected(m_grid);
    const int marked = m_grid->MarkedCount();
    if (whole == m_lastWholeGrid && marked == m_lastMarked)
        return;
    m_lastWholeGrid = whole;
    m_lastMarked = marked;
    if (OnSelectionChanged)
        OnSelectionChanged();
}

QList<int> TfmStudentList::selectedRowsDescending()
{
    QList<int> rows = GetSelectedRows(m_grid);
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    return rows;
}

void TfmStudentList::changeSelected(const QString &journalText,
                                    const QString &action,
                                    const std::function<void()> &change)
{
    const QList<int> rows = selectedRowsDescending();
    if (rows.isEmpty())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restoreCursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    m_grid->setUpdatesEnabled(false);
    const auto enableUpdates = qScopeGuard([this] { m_grid->setUpdatesEnabled(true); });
    try {
        m_tran->ensureStarted();
        const qint64 parent
                = DM->Journal(journalText, m_moduleCaption, action, m_tran->handle(), 0);
        // From the last row up, so deleting a row leaves the positions still to visit alone.
        for (int row : rows) {
            m_students->setCurrentRow(row);
            DM->Journal(m_students->fieldValue(QStringLiteral("FIO")).toString(),
                        QVariant(),
                        action,
                        m_tran->handle(),
                        parent);
            change();
        }
        m_grid->clearSelection();
        m_tran->commitRetaining();
    } catch (...) {
        // Nothing of a failed run stays behind for a later commit to pick up.
        m_tran->rollbackRetaining();
        m_grid->clearSelection();
        Refresh();
        throw;
    }
}

void TfmStudentList::DeleteSelected()
{
    if (IsEmpty() || !ask(LxTr("Вы действительно хотите удалить выделенных студентов?")))
        return;
    changeSelected(LxTr("Удаление студентов"), QStringLiteral("-"), [this] {
        m_students->deleteCurrent();
    });
}

void TfmStudentList::MoveSelectedToArchive(bool toArchive)
{
    if (IsEmpty())
        return;
    const QString question
            = toArchive
                      ? LxTr("Вы действительно хотите переместить выделенных студентов в архив?")
                      : LxTr("Вы действительно хотите переместить выделенных студентов в основную "
                             "БД?");
    if (!ask(question))
        return;
    m_qrArch->setParam(QStringLiteral("ARCH"), toArchive ? 1 : 0);
    changeSelected(toArchive ? LxTr("Перемещение выделенных студентов в архив")
                             : LxTr("Перемещение выделенных студентов из архива"),
                   QStringLiteral("*"),
                   [this] {
                       m_qrArch->setParam(
                               QStringLiteral("StudentID"),
                               m_students->fieldValue(QStringLiteral("STUDENTID")).toLongLong());
                       m_qrArch->execute();
                   });
    RefreshFull();
}

void TfmStudentList::CopyToClipboard()
{
    if (IsEmpty())
        return;
    const QHeaderView *header = m_grid->horizontalHeader();
    QList<int> columns;
    for (int visual = 0; visual < header->count(); ++visual)
        if (!header->isSectionHidden(header->logicalIndex(visual)))
            columns << header->logicalIndex(visual);
    QString text;
    if (IsWholeGridSelected(m_grid) || m_grid->MarkedCount() > 0) {
        QStringList lines;
        QStringList titles;
        for (int column : columns)
            titles << m_model->headerData(column, Qt::Horizontal).toString();
        lines << titles.join(u'\t');
        for (int row : GetSelectedRows(m_grid)) {
            QStringList cells;
            for (int column : columns)
                cells << m_model->index(row, column).data().toString();
            lines << cells.join(u'\t');
        }
        text = lines.join(QStringLiteral("\r\n"));
    } else {
        text = m_grid->currentIndex().data().toString();
    }
    QGuiApplication::clipboard()->setText(text);
}

void TfmStudentList::SaveSelection(const QString &fileName)
{
    QList<qint64> ids;
    const int key = m_students ? m_students->fieldIndex(QStringLiteral("STUDENTID")) : -1;
    if (key >= 0 && m_grid->MarkedCount() > 0)
        for (int row : GetSelectedRows(m_grid))
            ids << m_students->value(row, key).toLongLong();
    SelectionFile::Save(fileName, ids);
}

void TfmStudentList::LoadSelection(const QString &fileName)
{
    const QList<qint64> ids = SelectionFile::Load(fileName);
    const int key = m_students ? m_students->fieldIndex(QStringLiteral("STUDENTID")) : -1;
    if (key < 0 || IsEmpty())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restoreCursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    const QModelIndex current = m_grid->currentIndex();
    m_grid->clearSelection();
    QItemSelection marks;
    int marked = 0;
    for (int row = 0; marked < ids.size(); ++row) {
        if (row >= m_model->rowCount()) {
            if (!m_model->canFetchMore())
                break;
            m_model->fetchMore();
            continue;
        }
        if (std::binary_search(ids.begin(), ids.end(), m_students->value(row, key).toLongLong())) {
            marks.select(m_model->index(row, 0), m_model->index(row, m_model->columnCount() - 1));
            ++marked;
        }
    }
    m_grid->selectionModel()->select(marks, QItemSelectionModel::Select);
    if (current.isValid())
        m_grid->selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
}

void TfmStudentList::SaveGridLayout(const QString &fileName)
{
    QSettings file(fileName, QSettings::IniFormat);
    file.clear();
    file.setValue(QStringLiteral("%1/Fields").arg(QLatin1String(kSection)), StoredFields());
    const GridLayout::Values layout = GridLayout::Save(m_grid);
    for (auto it = layout.cbegin(); it != layout.cend(); ++it)
        file.setValue(QStringLiteral("%1/%2").arg(QLatin1String(kLayoutGridSection), it.key()),
                      it.value());
    file.sync();
    if (file.status() != QSettings::NoError)
        throw LxError(LxTr("Не удалось записать файл \"%1\".").arg(fileName));
}

void TfmStudentList::LoadGridLayout(const QString &fileName)
{
    const auto broken = [&fileName] {
        return LxError(LxTr("Файл компоновки \"%1\" повреждён или сохранён другой версией "
                            "программы.")
                               .arg(fileName));
    };
    if (!QFileInfo::exists(fileName))
        throw LxError(LxTr("Файл \"%1\" не найден.").arg(fileName));
    QSettings file(fileName, QSettings::IniFormat);
    // A list written by hand without quotes reads as several values.
    const QString fields = file.value(QStringLiteral("%1/Fields").arg(QLatin1String(kSection)))
                                   .toStringList()
                                   .join(u',');
    GridLayout::Values layout;
    file.beginGroup(QLatin1String(kLayoutGridSection));
    for (const QString &key : file.childKeys())
        layout.insert(key, file.value(key).toString());
    file.endGroup();
    if (file.status() != QSettings::NoError || fields.trimmed().isEmpty())
        throw broken();
    // Checked first, so a bad layout changes nothing.
    try {
        GridLayout::Check(layout);
    } catch (const LxError &) {
        throw broken();
    }
    const QString oldFields = storedValue(QStringLiteral("Fields"));
    storeValue(QStringLiteral("Fields"), fields);
    try {
        OpenList(true);
    } catch (...) {
        storeValue(QStringLiteral("Fields"), oldFields);
        throw;
    }
    GridLayout::Restore(m_grid, layout);
}

void TfmStudentList::LoadWindowState(int flags)
{
    if (!VelmApplication)
        return;
    TXMLIniFile settings = props();
    if (flags & wsFrozeLayout)
        SetFrozeLayout(
                settings.ReadBool(QLatin1String(kSection), QStringLiteral("FrozeLayout"), false));
    if ((flags & wsGridLayout) && m_students && m_students->isOpen()
        && settings.SectionExists(QLatin1String(kGridSection))) {
        QStringList keys;
        settings.ReadSection(QLatin1String(kGridSection), keys);
        GridLayout::Values layout;
        for (const QString &key : keys)
            layout.insert(key, settings.ReadString(QLatin1String(kGridSection), key, QString()));
        try {
            GridLayout::Restore(m_grid, layout);
        } catch (const LxError &error) {
            // A stored layout of another version is dropped: the repository's layout stays.
            Log(error.message(), elWarning);
        }
    }
    // The filter (1) and docking (4) come with the filter and favourites panels.
}

void TfmStudentList::SaveWindowState(int flags)
{
    if (!VelmApplication)
        return;
    TXMLIniFile settings = props();
    if (flags & wsFrozeLayout)
        settings.WriteBool(QLatin1String(kSection), QStringLiteral("FrozeLayout"), FrozeLayout());
    if ((flags & wsGridLayout) && m_students && m_students->isOpen()) {
        settings.EraseSection(QLatin1String(kGridSection));
        const GridLayout::Values layout = GridLayout::Save(m_grid);
        for (auto it = layout.cbegin(); it != layout.cend(); ++it)
            settings.WriteString(QLatin1String(kGridSection), it.key(), it.value());
    }
}

void TfmStudentList::restoreGeometryFromSettings()
{
    if (!VelmApplication)
        return;
    TXMLIniFile settings = props();
    const QString section = QLatin1String(kSection);
    if (settings.ValueExists(section, QStringLiteral("Width"))) {
        const QRect stored(settings.ReadInteger(section, QStringLiteral("Left"), x()),
                           settings.ReadInteger(section, QStringLiteral("Top"), y()),
                           settings.ReadInteger(section, QStringLiteral("Width"), width()),
                           settings.ReadInteger(section, QStringLiteral("Height"), height()));
        if (stored.width() > 100 && stored.height() > 100) {
            resize(stored.size());
            move(stored.topLeft());
        }
    }
    if (settings.ReadInteger(section, QStringLiteral("WindowState"), 0) == 2)
        setWindowState(windowState() | Qt::WindowMaximized);
    m_grid->SetRowSelection(settings.ReadBool(section, QStringLiteral("Grid.RowSelection"), true));
    m_grid->SetFrozenColumns(settings.ReadInteger(section, QStringLiteral("Grid.FrozenCols"), 0));
}

void TfmStudentList::saveGeometryToSettings()
{
    if (!VelmApplication)
        return;
    TXMLIniFile settings = props();
    const QString section = QLatin1String(kSection);
    const QRect normal = normalGeometry().isValid() ? normalGeometry() : geometry();
    settings.WriteInteger(section, QStringLiteral("Left"), normal.x());
    settings.WriteInteger(section, QStringLiteral("Top"), normal.y());
    settings.WriteInteger(section, QStringLiteral("Width"), normal.width());
    settings.WriteInteger(section, QStringLiteral("Height"), normal.height());
    settings.WriteInteger(section, QStringLiteral("WindowState"), isMaximized() ? 2 : 0);
    settings.WriteBool(section, QStringLiteral("Grid.RowSelection"), m_grid->RowSelection());
    settings.WriteInteger(section, QStringLiteral("Grid.FrozenCols"), m_grid->FrozenColumns());
    SaveWindowState(wsFrozeLayout);
}

QString TfmStudentList::askFileName(bool save,
                                    const QString &title,
                                    const QString &filter,
                                    const QString &ext)
{
    QFileDialog dialog(this, title, QString(), filter);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(ext);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

void TfmStudentList::buildUserInterface()
{
    const QString fileName
            = GetFullFileName(QStringLiteral("OptionsPath"), QStringLiteral("userinterface.cml"));
    if (LoadEncXML(m_menuDocument, fileName)) {
        try {
            TMenuBuilder builder(this, [](int index) {
                return DM && DM->ilImages ? DM->ilImages->icon(index) : QIcon();
            });
            m_actions = builder.Build(m_menuDocument.documentElement());
            return;
        } catch (const std::exception &error) {
            Log(fileName + QStringLiteral(": ") + errorText(error), elAppException);
            menuBar()->clear();
            qDeleteAll(m_actions);
            m_actions.clear();
        }
    }
    // Without a readable definition the window still offers what it can run itself.
    buildFrameMenu();
}

void TfmStudentList::buildFrameMenu()
{
    QMenu *file = menuBar()->addMenu(LxTr("Файл"));
    file->addAction(
            ownAction(QStringLiteral("actStudentListExit"), QStringLiteral("Выход"), {}, {}));
    QMenu *help = menuBar()->addMenu(LxTr("Справка"));
    help->addAction(ownAction(
            QStringLiteral("actStudentListAbout"), QStringLiteral("О программе"), {}, {}));
}

// The action of that name from the user-interface definition, or a new one of the window; the
// window's handler and default shortcut are given to it.
QAction *TfmStudentList::ownAction(const QString &name,
                                   const QString &caption,
                                   const QKeySequence &key,
                                   std::function<void()> handler)
{
    QAction *act = m_actions.value(name);
    if (!act) {
        act = new QAction(LxTr(caption), this);
        act->setObjectName(name);
        m_actions.insert(name, act);
        addAction(act);
    }
    if (act->shortcut().isEmpty() && !key.isEmpty())
        act->setShortcut(key);
    act->setShortcutContext(Qt::WindowShortcut);
    if (handler && !m_handlers.contains(name)) {
        m_handlers.insert(name, handler);
        connect(act, &QAction::triggered, this, [this, name] { runHandler(name); });
    }
    return act;
}

void TfmStudentList::runHandler(const QString &name)
{
    const auto handler = m_handlers.value(name);
    if (!handler)
        return;
    try {
        handler();
    } catch (const std::exception &error) {
        Log(errorText(error), elAppException);
        MsgError(errorText(error));
    }
    UpdateActions();
}

void TfmStudentList::createOwnActions()
{
    const auto checkable = [this](const char *name, bool checked) {
        QAction *act = m_actions.value(QLatin1String(name));
        act->setCheckable(true);
        act->setChecked(checked);
    };
    ownAction(QStringLiteral("actStudentListExit"),
              QStringLiteral("Выход"),
              QKeySequence(Qt::ALT | Qt::Key_F4),
              [this] { close(); });
    ownAction(QStringLiteral("actStudentListAbout"), QStringLiteral("О программе"), {}, [this] {
        ShowAbout(this);
    });
    if (!m_students)
        return;
    ownAction(QStringLiteral("actStudentListRefresh"),
              QStringLiteral("Обновить"),
              QKeySequence(Qt::Key_F5),
              [this] { Refresh(); });
    ownAction(QStringLiteral("actStudentListRecCount"),
              QStringLiteral("Количество записей"),
              QKeySequence(Qt::Key_F9),
              [this] { CountRecords(); });
    ownAction(QStringLiteral("actStudentListLastData"), QStringLiteral("Посл. данные"), {}, [this] {
        askLastData();
    });
    ownAction(QStringLiteral("actStudentListArch"), QStringLiteral("Архив"), {}, [this] {
        SetArchive(!m_archive);
    });
    ownAction(QStringLiteral("actStudentListFrozeLayout"),
              QStringLiteral("Закрепить компоновку"),
              {},
              [this] { SetFrozeLayout(!FrozeLayout()); });
    ownAction(QStringLiteral("actStudentListFrozeCol"),
              QStringLiteral("Заморозить 1-й столбец"),
              {},
              [this] { m_grid->SetFrozenColumns(m_grid->FrozenColumns() == 1 ? 0 : 1); });
    ownAction(QStringLiteral("actStudentListRowSelection"),
              QStringLiteral("Построчное выделение"),
              {},
              [this] { m_grid->SetRowSelection(!m_grid->RowSelection()); });
    ownAction(QStringLiteral("actStudentListDeleteSelected"),
              QStringLiteral("Удалить выделенных студентов"),
              {},
              [this] { DeleteSelected(); });
    ownAction(QStringLiteral("actStudentListToArch"),
              QStringLiteral("Выделенных студентов в архив"),
              {},
              [this] { MoveSelectedToArchive(true); });
    ownAction(QStringLiteral("actStudentListFromArch"),
              QStringLiteral("Выделенных студентов из архива"),
              {},
              [this] { MoveSelectedToArchive(false); });
    ownAction(QStringLiteral("actStudentListSelectAll"),
              QStringLiteral("Выделить всё"),
              QKeySequence(Qt::CTRL | Qt::Key_A),
              [this] { SelectAll(); });
    ownAction(QStringLiteral("actStudentListEditCopy"),
              QStringLiteral("Копировать в буфер"),
              QKeySequence(Qt::CTRL | Qt::Key_C),
              [this] { CopyToClipboard(); });
    ownAction(QStringLiteral("actStudentListInvertSelection"),
              QStringLiteral("Инвертировать выделение"),
              QKeySequence(Qt::CTRL | Qt::Key_I),
              [this] { m_grid->InvertMarks(); });
    ownAction(QStringLiteral("actStudentListRowSelect"),
              QStringLiteral("Выделить строку"),
              QKeySequence(Qt::Key_F12),
              [this] { m_grid->ToggleCurrentMark(); });
    ownAction(QStringLiteral("actSearch"),
              QStringLiteral("Найти"),
              QKeySequence(Qt::CTRL | Qt::Key_F),
              [this] {
                  TGridFindDialog dialog(m_grid, m_grid->currentIndex().column(), this);
                  dialog.exec();
              });
    // The file commands: a file dialog, then the command on the file chosen.
    struct FileCommand
    {
        const char *action, *caption, *title, *filter, *ext;
        bool save;
        void (TfmStudentList::*run)(const QString &);
    };
    const FileCommand fileCommands[] = {
            {"actStudentListSaveGridLayout",
             "Сохранить компоновку",
             "Сохранение компоновки",
             "Файлы компоновки (*.lyt)",
             "lyt",
             true,
             &TfmStudentList::SaveGridLayout},
            {"actStudentListLoadGridLayout",
             "Загрузить компоновку",
             "Загрузка компоновки",
             "Файлы компоновки (*.lyt)",
             "lyt",
             false,
             &TfmStudentList::LoadGridLayout},
            {"actStudentListSaveSelection",
             "Сохранить выделение",
             "Сохранение выделения",
             "Файлы выделения (*.sel)",
             "sel",
             true,
             &TfmStudentList::SaveSelection},
            {"actStudentListLoadSelection",
             "Загрузить выделение",
             "Загрузка выделения",
             "Файлы выделения (*.sel)",
             "sel",
             false,
             &TfmStudentList::LoadSelection},
    };
    for (const FileCommand &command : fileCommands)
        ownAction(QString::fromUtf8(command.action),
                  QString::fromUtf8(command.caption),
                  {},
                  [this, command] {
                      const QString name = askFileName(command.save,
                                                       LxTr(command.title),
                                                       LxTr(command.filter),
                                                       QString::fromUtf8(command.ext));
                      if (!name.isEmpty())
                          (this->*command.run)(name);
                  });
    ownAction(QStringLiteral("actDossier"),
              QStringLiteral("Личная карточка"),
              QKeySequence(Qt::Key_F3),
              [this] {
                  if (QAction *view = m_actions.value(QStringLiteral("actDossierView")))
                      view->trigger();
              });
    checkable("actStudentListLastData", m_lastData);
    checkable("actStudentListArch", m_archive);
    checkable("actStudentListFrozeLayout", FrozeLayout());
    checkable("actStudentListFrozeCol", false);
    checkable("actStudentListRowSelection", true);

    const auto notEmpty = [this] { return !IsEmpty(); };
    m_enablers.insert(QStringLiteral("actStudentListDeleteSelected"), notEmpty);
    m_enablers.insert(QStringLiteral("actStudentListEditCopy"), notEmpty);
    m_enablers.insert(QStringLiteral("actStudentListToArch"),
                      [this] { return !m_archive && !IsEmpty(); });
    m_enablers.insert(QStringLiteral("actStudentListFromArch"),
                      [this] { return m_archive && !IsEmpty(); });
    m_enablers.insert(QStringLiteral("actDossier"), [this] {
        return !IsEmpty() && m_actions.contains(QStringLiteral("actDossierView"))
               && (!DM || DM->HasRight(QStringLiteral("actDossierView")));
    });
}

void TfmStudentList::buildPopupMenu()
{
    m_popupMenu = new QMenu(this);
    m_popupMenu->setObjectName(QStringLiteral("PopupMenu1"));
    const auto add = [this](const QString &name, const QString &caption = QString()) {
        QAction *act = m_actions.value(name);
        if (!act)
            return;
        if (caption.isEmpty()) {
            m_popupMenu->addAction(act);
            return;
        }
        // The same command under the caption the pop-up menu gives it.
        QAction *item = m_popupMenu->addAction(act->icon(), LxTr(caption));
        connect(item, &QAction::triggered, act, &QAction::trigger);
        connect(m_popupMenu, &QMenu::aboutToShow, item, [item, act] {
            item->setEnabled(act->isEnabled());
            item->setCheckable(act->isCheckable());
            item->setChecked(act->isChecked());
        });
    };
    add(QStringLiteral("actDossier"));
    if (QAction *dossier = m_actions.value(QStringLiteral("actDossier")))
        m_popupMenu->setDefaultAction(dossier);
    add(QStringLiteral("actMarkBookView"));
    m_popupMenu->addSeparator();
    add(QStringLiteral("actStudentListEditCopy"));
    m_popupMenu->addSeparator();
    add(QStringLiteral("actStudentListApplyFilter"), QStringLiteral("Применить фильтр"));
    add(QStringLiteral("actStudentListAddFieldCondition"),
        QStringLiteral("Добавить условие по значению ячейки"));
    add(QStringLiteral("actStudentListDeleteFieldConditions"),
        QStringLiteral("Удалить условия по столбцу"));
    m_popupMenu->addSeparator();
    add(QStringLiteral("actStudentListToArch"));
    add(QStringLiteral("actStudentListFromArch"));
    m_popupMenu->addSeparator();
    add(QStringLiteral("actStudentListFrozeCol"));
    add(QStringLiteral("actStudentListRowSelection"));
    add(QStringLiteral("actStudentListFrozeLayout"));
}

void TfmStudentList::UpdateActions()
{
    if (QAction *frozeCol = m_actions.value(QStringLiteral("actStudentListFrozeCol")))
        frozeCol->setChecked(m_grid->FrozenColumns() == 1);
    if (QAction *rows = m_actions.value(QStringLiteral("actStudentListRowSelection")))
        rows->setChecked(m_grid->RowSelection());
    const bool empty = IsEmpty();
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it) {
        QAction *act = it.value();
        if (!m_handlers.contains(it.key())) {
            // A plug-in's command: the user's right and, when it needs one, a student. A
            // command of the register this window does not run yet stays off.
            const bool plugin = !TMenuBuilder::Element(act).attribute("Plugin").isEmpty();
            act->setEnabled(plugin && TMenuBuilder::HasRightsRule(act)
                            && TMenuBuilder::RightsEnabled(act, empty));
            continue;
        }
        const auto enabler = m_enablers.value(it.key());
        const bool allowed = !DM || DM->HasRight(it.key());
        act->setEnabled(allowed && (!enabler || enabler()));
    }
}

void TfmStudentList::buildStatusBar()
{
    QStatusBar *status = statusBar();
    status->setObjectName(QStringLiteral("Status"));
    m_statusCount = statusPanel(65, Qt::AlignHCenter);
    m_statusCount->setObjectName(QStringLiteral("lbStatusInfo"));
    m_statusCount->setToolTip(LxTr("Количество записей"));
    m_statusCount->installEventFilter(this);
    m_statusRow = statusPanel(70, Qt::AlignHCenter);
    m_statusName = statusPanel(400, Qt::AlignLeft);
    status->addWidget(m_statusCount);
    status->addWidget(m_statusRow);
    status->addWidget(m_statusName, 1);
    m_lbStatusDate = statusPanel(80, Qt::AlignHCenter);
    m_lbStatusDate->setObjectName(QStringLiteral("lbStatusDate"));
    m_lbStatusDate->setText(QDate::currentDate().toString(QLatin1String(VelmDateFormat)));
    m_lbStatusDate->setVisible(false); // the date editor shows the date in history mode
    status->addPermanentWidget(m_lbStatusDate);
    m_dateEdit = new QDateEdit(QDate::currentDate(), status);
    m_dateEdit->setObjectName(QStringLiteral("deDate"));
    m_dateEdit->setCalendarPopup(true);
    m_dateEdit->setDisplayFormat(QLatin1String(VelmDateFormat));
    m_dateEdit->setVisible(!m_lastData);
    status->addPermanentWidget(m_dateEdit);
    connect(m_dateEdit, &QDateEdit::dateChanged, this, [this](const QDate &date) {
        try {
            SetStatusDate(date);
        } catch (const std::exception &error) {
            MsgError(errorText(error));
        }
        m_grid->setFocus();
    });
}

bool TfmStudentList::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_statusCount && event->type() == QEvent::MouseButtonRelease) {
        runHandler(QStringLiteral("actStudentListRecCount"));
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TfmStudentList::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    m_grid->setFocus();
    LoadWindowState(wsDocking);
    // Keep the window on the screen after a change of monitors.
    const QScreen *screen = this->screen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    QPoint position = pos();
    if (position.x() < 0 || position.x() > available.width() - 150)
        position.setX(0);
    if (position.y() < 0 || position.y() > available.height() - 150)
        position.setY(0);
    if (position != pos())
        move(position);
}

void TfmStudentList::closeEvent(QCloseEvent *event)
{
    if (m_closing) {
        event->accept();
        return;
    }
    // Every plug-in may refuse, for example while one of its windows holds unsaved work.
    if (VelmApplication && !VelmApplication->PluginsAllowClose()) {
        event->ignore();
        return;
    }
    event->accept();
    m_closing = true;
    if (VelmApplication)
        VelmApplication->Quit();
}
