#include "fmstudentlist.h"

#include "fmsplash.h"
#include "menuutils.h"
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
#include <tdm.h>
#include <transaction.h>
#include <velmutils.h>
#include <xmlinifile.h>
#include <xmlsecurity.h>

#include <QAction>
#include <QCloseEvent>
#include <QDate>
#include <QDateEdit>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTableView>
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
// The register's columns on a first start, before the user chose any.
const char kDefaultFields[] = "FIO,GROUPNUM,COURSE,SPECIALITY,DEPARTMENT,EDUFORM,STATUS";
const QColor kGridColour(232, 255, 232);

// The window works before a login too (tests, a failed start); then there is no register.
bool databaseReady()
{
    return DM && DM->DB && DM->DB->isConnected() && FieldsRepLoaded();
}

} // namespace

TfmStudentList::TfmStudentList(QWidget *parent)
    : QMainWindow(parent)
{
    fmStudentList = this;
    setObjectName(QStringLiteral("fmStudentList"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    const QString user = DM ? DM->UserName : QString();
    setWindowTitle(LxTr("Список студентов") + QStringLiteral(" [") + user + QStringLiteral("]"));
    resize(1000, 650);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }

    buildGrid();
    buildUserInterface();
    buildStatusBar();
    m_creating = true;
    SetStatusDate(QDate::currentDate());
    m_order = storedValue(QStringLiteral("Order")).trimmed();
    if (databaseReady()) {
        try {
            OpenList(true);
        } catch (const std::exception &error) {
            // The window still opens: the user sees the error and the empty register.
            const QString message = QString::fromLocal8Bit(error.what());
            Log(message, elAppException);
            QTimer::singleShot(0, this, [message] { MsgError(message); });
        }
    }
    m_creating = false;
    UpdateActions();

    m_statusTimer = new QTimer(this);
    m_statusTimer->setInterval(300);
    connect(m_statusTimer, &QTimer::timeout, this, &TfmStudentList::UpdateStatusBar);
    m_statusTimer->start();
}

void TfmStudentList::buildGrid()
{
    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("Grid"));
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_grid->setSortingEnabled(false);
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 6);
    m_grid->verticalHeader()->setVisible(false);
    m_grid->horizontalHeader()->setHighlightSections(false);
    QPalette colours = m_grid->palette();
    colours.setColor(QPalette::Base, kGridColour);
    colours.setColor(QPalette::Window, kGridColour);
    m_grid->setPalette(colours);
    setCentralWidget(m_grid);
    if (!databaseReady())
        return;

    fb::TransactionOptions options; // read committed, record versions, no wait
    m_tran = new fb::Transaction(*DM->DB, options, this);
    m_students = new fb::DataSet(*m_tran, this);
    m_students->setObjectName(QStringLiteral("qrStudents"));
    m_students->setDeleteSql(
            QStringLiteral("delete from STUDENTS where STUDENTID = ?OLD_STUDENTID"));
    m_model = new TStudentListModel(m_students, this);
    m_grid->setModel(m_model);
    connect(m_grid->selectionModel(),
            &QItemSelectionModel::currentRowChanged,
            this,
            [this](const QModelIndex &current) {
                if (current.isValid() && m_students->isOpen())
                    m_students->setCurrentRow(current.row());
            });
}

QString TfmStudentList::storedValue(const QString &key) const
{
    if (!VelmApplication)
        return {};
    TXMLIniFile props(VelmApplication->Settings());
    return props.ReadString(QLatin1String(kSection), key, QString());
}

void TfmStudentList::saveListState()
{
    if (!VelmApplication || !m_students || !m_students->isOpen() || m_students->fieldCount() == 0)
        return;
    QStringList fields;
    for (int column = 0; column < m_students->fieldCount(); ++column)
        fields << m_students->fieldName(column);
    TXMLIniFile props(VelmApplication->Settings());
    props.WriteString(QLatin1String(kSection), QStringLiteral("Fields"), fields.join(u','));
    props.WriteString(QLatin1String(kSection), QStringLiteral("Order"), m_order.trimmed());
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
    // Reopening resets the grid's columns: their widths and visibility are put back by name.
    QHash<QString, int> widths; // field name -> width, -1 when hidden
    if (m_students->isOpen())
        for (int column = 0; column < m_students->fieldCount(); ++column)
            widths.insert(m_students->fieldName(column),
                          m_grid->isColumnHidden(column) ? -1 : m_grid->columnWidth(column));
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
        MsgError(QString::fromLocal8Bit(error.what()));
        m_order.clear();
        m_students->setSelectSql(select);
        m_students->open();
    }
    m_countResult = -1;
    // The first screen comes with the first chunk; the rest as the user scrolls.
    if (m_model->canFetchMore())
        m_model->fetchMore();
    if (rebuild || widths.isEmpty()) {
        m_model->ClearCaptions();
        for (int column = 0; column < m_model->columnCount(); ++column)
            m_grid->setColumnHidden(column, false);
        ApplyGridRepository(m_grid, FieldsRep());
        fitColumns();
        const int key = m_students->fieldIndex(QStringLiteral("STUDENTID"));
        if (key >= 0)
            m_grid->setColumnHidden(key, true);
    } else {
        for (int column = 0; column < m_students->fieldCount(); ++column) {
            const int width = widths.value(m_students->fieldName(column), -2);
            m_grid->setColumnHidden(column, width == -1);
            if (width > 0)
                m_grid->setColumnWidth(column, width);
        }
    }
    m_grid->clearSelection();
    if (m_model->rowCount() > 0)
        m_grid->setCurrentIndex(m_model->index(0, m_grid->horizontalHeader()->logicalIndexAt(0)));
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
    OpenList(false);
    if (current.isNull() || !m_students->locate(QStringLiteral("STUDENTID"), current))
        return;
    // Locating fetched the rows up to the student; the model announces them before the move.
    while (m_model->canFetchMore() && m_model->rowCount() <= m_students->currentRow())
        m_model->fetchMore();
    const int row = m_students->currentRow();
    const QModelIndex index = m_model->index(row, column >= 0 ? column : 0);
    m_grid->setCurrentIndex(index);
    m_grid->scrollTo(index);
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

void TfmStudentList::askLastData()
{
    if (m_lastData
        && !MsgConfirmation(LxTr("Внимание! Работа с историческими данными достаточно медленна.\r\n"
                                 "Хотите переключиться в режим работы с историей?"))) {
        if (QAction *act = m_actions.value(QStringLiteral("actStudentListLastData")))
            act->setChecked(true);
        return;
    }
    SetLastData(!m_lastData);
}

void TfmStudentList::UpdateStatusBar()
{
    if (!m_students || !m_students->isOpen() || !m_statusCount)
        return;
    const int fetched = m_students->rowCount();
    const bool all = m_students->allFetched();
    const int marked = int(m_grid->selectionModel()->selectedRows().size());
    const QString selected = marked > 0
                                     ? QString::number(marked)
                                     : (fetched == 0 ? QStringLiteral("0") : QStringLiteral("1"));
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

TfmStudentList::~TfmStudentList()
{
    try {
        saveListState();
    } catch (const std::exception &error) {
        Log(QString::fromLocal8Bit(error.what()), elAppException);
    }
    if (fmStudentList == this)
        fmStudentList = nullptr;
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
            connectOwnActions();
            return;
        } catch (const std::exception &error) {
            Log(fileName + QStringLiteral(": ") + QString::fromLocal8Bit(error.what()),
                elAppException);
            menuBar()->clear();
            qDeleteAll(m_actions);
            m_actions.clear();
        }
    }
    // Without a readable definition the window still offers what it can run itself.
    buildFrameMenu();
    connectOwnActions();
}

QAction *TfmStudentList::ownAction(const QString &name, const QString &caption)
{
    auto *act = new QAction(LxTr(caption), this);
    act->setObjectName(name);
    m_actions.insert(name, act);
    return act;
}

void TfmStudentList::buildFrameMenu()
{
    QMenu *file = menuBar()->addMenu(LxTr("Файл"));
    file->addAction(ownAction(QStringLiteral("actStudentListExit"), QStringLiteral("Выход")));
    QMenu *help = menuBar()->addMenu(LxTr("Справка"));
    help->addAction(
            ownAction(QStringLiteral("actStudentListAbout"), QStringLiteral("О программе")));
}

void TfmStudentList::ensureAction(const QString &name,
                                  const QString &caption,
                                  const QKeySequence &key)
{
    QAction *act = m_actions.value(name);
    if (!act) {
        act = ownAction(name, caption);
        addAction(act);
    }
    if (act->shortcut().isEmpty() && !key.isEmpty())
        act->setShortcut(key);
}

void TfmStudentList::connectOwnActions()
{
    m_handlers.insert(QStringLiteral("actStudentListExit"), [this] { close(); });
    m_handlers.insert(QStringLiteral("actStudentListAbout"), [this] { ShowAbout(this); });
    if (m_students) {
        ensureAction(QStringLiteral("actStudentListRefresh"),
                     QStringLiteral("Обновить"),
                     QKeySequence(Qt::Key_F5));
        ensureAction(QStringLiteral("actStudentListRecCount"),
                     QStringLiteral("Количество записей"),
                     QKeySequence(Qt::Key_F9));
        ensureAction(QStringLiteral("actStudentListLastData"), QStringLiteral("Посл. данные"), {});
        ensureAction(QStringLiteral("actStudentListArch"), QStringLiteral("Архив"), {});
        m_handlers.insert(QStringLiteral("actStudentListRefresh"), [this] { Refresh(); });
        m_handlers.insert(QStringLiteral("actStudentListRecCount"), [this] { CountRecords(); });
        m_handlers.insert(QStringLiteral("actStudentListLastData"), [this] { askLastData(); });
        m_handlers.insert(QStringLiteral("actStudentListArch"), [this] { SetArchive(!m_archive); });
        for (const char *name : {"actStudentListLastData", "actStudentListArch"})
            m_actions.value(QLatin1String(name))->setCheckable(true);
        m_actions.value(QStringLiteral("actStudentListLastData"))->setChecked(m_lastData);
        m_actions.value(QStringLiteral("actStudentListArch"))->setChecked(m_archive);
    }
    for (auto it = m_handlers.cbegin(); it != m_handlers.cend(); ++it) {
        if (QAction *act = m_actions.value(it.key()))
            connect(act, &QAction::triggered, this, it.value());
    }
    if (QAction *exit = m_actions.value(QStringLiteral("actStudentListExit"));
        exit && exit->shortcut().isEmpty())
        exit->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
}

void TfmStudentList::UpdateActions()
{
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it) {
        // Commands of the register and of the plug-ins come with their own windows; until then
        // only what this window can run is offered.
        const bool runnable = m_handlers.contains(it.key());
        const bool allowed = !DM || DM->HasRight(it.key());
        it.value()->setEnabled(runnable && allowed);
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
        SetStatusDate(date);
        m_grid->setFocus();
    });
}

bool TfmStudentList::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_statusCount && event->type() == QEvent::MouseButtonRelease) {
        CountRecords();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TfmStudentList::closeEvent(QCloseEvent *event)
{
    event->accept();
    if (m_closing)
        return;
    m_closing = true;
    if (VelmApplication)
        VelmApplication->Quit();
}
