#include "velmdata.h"

#include "fmstudentlist.h"
#include "plugincall.h"
#include "studentgrid.h"

#include <database.h>
#include <dataset.h>
#include <fieldutils.h>
#include <gridutils.h>
#include <ivelmdataevents.h>
#include <lxerror.h>
#include <lxfields.h>
#include <lxlog.h>
#include <lxnls.h>
#include <query.h>
#include <tdm.h>
#include <transaction.h>

namespace {

const char kRegisterSet[] = "StudentList";
const char kKeyField[] = "STUDENTID";

} // namespace

TVelmData::TVelmData(QObject *parent)
    : QObject(parent)
    , m_events(IID_IVelmDataEvents)
{}

TVelmData::~TVelmData()
{
    Detach();
}

int TVelmData::AddRef()
{
    return ++m_refCount;
}

int TVelmData::Release()
{
    const int count = --m_refCount;
    if (count == 0)
        delete this;
    return count;
}

void TVelmData::Attach(TfmStudentList *window)
{
    Detach();
    if (!window)
        return;
    m_window = window;
    window->SetDataObjectAttached(true);
    window->OnSelectionChanged = [this] {
        NotifyBeforeScroll();
        NotifyAfterScroll();
    };
    if (fb::DataSet *students = window->Students()) {
        // The register's refresh reopens it without announcing the close and the open; it
        // reports the student it kept once it is done.
        const auto unlessRefreshing = [this, window](void (TVelmData::*notify)()) {
            return [this, window, notify] {
                if (!window->IsRefreshing())
                    (this->*notify)();
            };
        };
        m_connections = {
                connect(students, &fb::DataSet::beforeScroll, this, &TVelmData::NotifyBeforeScroll),
                connect(students,
                        &fb::DataSet::beforeClose,
                        this,
                        unlessRefreshing(&TVelmData::NotifyBeforeScroll)),
                connect(students, &fb::DataSet::afterScroll, this, &TVelmData::NotifyAfterScroll),
                connect(students,
                        &fb::DataSet::afterOpen,
                        this,
                        unlessRefreshing(&TVelmData::NotifyAfterScroll)),
                connect(window, &TfmStudentList::Refreshed, this, &TVelmData::NotifyAfterScroll),
        };
    }
}

void TVelmData::Detach()
{
    for (const QMetaObject::Connection &connection : std::as_const(m_connections))
        disconnect(connection);
    m_connections.clear();
    if (m_window) {
        m_window->OnSelectionChanged = nullptr;
        m_window->SetDataObjectAttached(false);
    }
    m_window = nullptr;
}

TfmStudentList &TVelmData::window() const
{
    if (!m_window || !m_window->Students())
        throw LxError(LxTr("Список студентов не открыт."));
    return *m_window;
}

void TVelmData::raise(int dispid)
{
    const QList<IVelmDispatch *> sinks = m_events.Sinks();
    for (IVelmDispatch *sink : sinks) {
        // A handler may disconnect another sink; that one is not called any more.
        if (!m_events.Sinks().contains(sink))
            continue;
        try {
            CallPlugin(QStringLiteral("IVelmDataEvents"),
                       [&] { sink->Invoke(dispid, InvokeKind::Method, {}, nullptr); });
        } catch (const LxError &error) {
            // The register goes on moving; a sink's failure is the sink's own business.
            Log(QStringLiteral("IVelmDataEvents: ") + error.message(), elAppException);
        }
    }
}

void TVelmData::NotifyBeforeScroll()
{
    raise(int(IVelmDataEventsDispid::OnBeforeScroll));
}

void TVelmData::NotifyAfterScroll()
{
    if (!m_window)
        return;
    qint64 id = 0;
    fb::DataSet *students = m_window->Students();
    if (students && students->isOpen() && !students->isEmpty() && students->currentRow() >= 0) {
        try {
            id = students->fieldValue(QLatin1String(kKeyField)).toLongLong();
        } catch (const LxError &error) {
            // Called from the register's own notifications: nothing may unwind through them.
            Log(error.message(), elAppException);
            return;
        }
        if (id == m_studentId)
            return;
    }
    m_studentId = id;
    raise(int(IVelmDataEventsDispid::OnAfterScroll));
}

void TVelmData::Refresh(bool fullRefresh)
{
    Log(QStringLiteral("Begin TVelmData.Refresh"), elInfo);
    if (m_window && m_window->Students()) {
        if (fullRefresh)
            m_window->RefreshFull();
        else
            m_window->RefreshCurrentRow();
    }
    Log(QStringLiteral("End TVelmData.Refresh"), elInfo);
}

QVariant TVelmData::GetData(const QString &fieldName)
{
    return window().Students()->fieldValue(fieldName);
}

bool TVelmData::Locate(const QVariant &id)
{
    return window().LocateStudent(id);
}

int TVelmData::GetSelCount()
{
    return window().SelectedCount();
}

QList<int> TVelmData::selectedRows() const
{
    // Read by row number: visiting the rows would move the register and raise the events
    // inside the call.
    return GetSelectedRows(window().Grid());
}

QString TVelmData::GetSelectedList(const QString &fieldName, const QString &delimiter)
{
    const fb::DataSet &students = *window().Students();
    if (students.isOpen() && students.fieldIndex(fieldName) < 0)
        throw LxError(LxTr("Поле %1 не найдено").arg(fieldName));
    QString list;
    for (int row : selectedRows()) {
        if (!list.isEmpty())
            list += delimiter;
        list += students.value(row, fieldName).toString();
    }
    return list;
}

QString TVelmData::UserName()
{
    return DM ? DM->UserName : QString();
}

// The password is never handed out through the object model.
QString TVelmData::Password()
{
    return {};
}

QString TVelmData::DBName()
{
    return DM && DM->DB ? DM->DB->params().databaseName : QString();
}

bool TVelmData::IsEmpty()
{
    return window().IsEmpty();
}

bool TVelmData::history(int historyMode) const
{
    if (historyMode == 0)
        return m_window && !m_window->LastData();
    return historyMode == 1;
}

QString TVelmData::GetSQL(const QString &fields, int historyMode, int maxRecords)
{
    return FieldsRep().GenerateSQL(
            fields, QLatin1String(kRegisterSet), false, maxRecords, history(historyMode));
}

QString TVelmData::GetAliasForField(const QString &fieldName, int historyMode)
{
    return FieldsRep().GetAliasForField(fieldName, history(historyMode));
}

int TVelmData::FillSelectedList(int transactionHandle)
{
    const fb::DataSet &students = *window().Students();
    const QList<int> rows = selectedRows();
    // Works inside the caller's transaction and leaves its end to the caller.
    fb::Transaction tran(*DM->DB, fb::Transaction::AdoptHandle, transactionHandle);
    fb::Query insert(tran, QStringLiteral("insert into SELECTEDIDS(SELID) values(?STUDENTID)"));
    insert.prepare();
    int count = 0;
    for (int row : rows) {
        insert.setParam(QLatin1String(kKeyField), students.value(row, QLatin1String(kKeyField)));
        insert.execute();
        ++count;
    }
    return count;
}

IConnectionPoint *TVelmData::FindConnectionPoint(const QUuid &iid)
{
    return iid == IID_IVelmDataEvents ? &m_events : nullptr;
}
