#include "fmstudentlist.h"
#include "pluginfixture.h"
#include "studentgrid.h"
#include "velmapplication.h"
#include "velmdata.h"

#include <dataset.h>
#include <ivelmdataevents.h>
#include <lxerror.h>
#include <query.h>
#include <tdm.h>
#include <transaction.h>

#include <QItemSelectionModel>

#include <gtest/gtest.h>

namespace {

// A plug-in's event sink reduced to a record of the events it received.
class RecordingSink : public IVelmDispatch
{
public:
    int AddRef() override { return 2; }
    int Release() override { return 1; }
    HRESULT Invoke(int dispid, InvokeKind kind, const QVariantList &, QVariant *) override
    {
        EXPECT_EQ(kind, InvokeKind::Method);
        if (dispid == int(IVelmDataEventsDispid::OnBeforeScroll))
            events << "before";
        else if (dispid == int(IVelmDataEventsDispid::OnAfterScroll))
            events << "after";
        if (onEvent)
            onEvent();
        return S_OK;
    }
    std::function<void()> onEvent;
    QStringList events;
};

// The register of the fixture with the data object and a recording sink connected.
class DataObjectTest : public RegisterFixture
{
protected:
    void TearDown() override
    {
        if (m_sinkCookie && m_data)
            m_data->FindConnectionPoint(IID_IVelmDataEvents)->Unadvise(m_sinkCookie);
        RegisterFixture::TearDown();
    }

    void start()
    {
        ASSERT_NO_FATAL_FAILURE(RegisterFixture::start());
        m_data = dynamic_cast<TVelmData *>(m_application.Data());
        ASSERT_NE(m_data, nullptr);
        IConnectionPointContainer *container = m_data;
        m_sinkCookie = container->FindConnectionPoint(IID_IVelmDataEvents)->Advise(&m_sink);
    }

    void mark(const QList<int> &rows)
    {
        QItemSelectionModel *selection = m_window->Grid()->selectionModel();
        for (int row : rows)
            selection->select(m_window->Grid()->model()->index(row, 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    static int countSelectedIds(fb::Transaction &transaction)
    {
        fb::Query count(transaction, "select count(*) from SELECTEDIDS");
        count.execute();
        count.next();
        return count.value(0).toInt();
    }

    TVelmData *m_data = nullptr;
    RecordingSink m_sink;
    quint32 m_sinkCookie = 0;
};

TEST_F(DataObjectTest, IsMadeOnceAndAnswersForTheRegister)
{
    ASSERT_NO_FATAL_FAILURE(start());
    EXPECT_EQ(m_application.Data(), m_data);
    EXPECT_TRUE(m_window->DataObjectAttached());
    EXPECT_FALSE(m_data->IsEmpty());
    EXPECT_EQ(m_data->GetData("FIO").toString(), "Андреев");
    EXPECT_TRUE(m_data->Locate(104));
    EXPECT_EQ(m_data->GetData("STUDENTID").toLongLong(), 104);
    EXPECT_FALSE(m_data->Locate(999));
    EXPECT_THROW(m_data->GetData("NO_SUCH_FIELD"), LxError);
    EXPECT_EQ(m_data->UserName(), "SYSDBA");
    EXPECT_EQ(m_data->Password(), ""); // never handed out
    EXPECT_EQ(m_data->DBName(), m_db.path());

    // A full refresh reads the changed names of every row; a plain one the current row only.
    m_db.run("update STUDENTS set GROUPNUM = '99'");
    m_data->Refresh(false);
    EXPECT_EQ(m_data->GetData("GROUPNUM").toString(), "99");
    EXPECT_EQ(m_window->Students()->value(0, "GROUPNUM").toString(), "21");
    m_data->Refresh(true);
    EXPECT_EQ(m_window->Students()->value(0, "GROUPNUM").toString(), "99");
}

TEST_F(DataObjectTest, SelectionCountsAndListsFollowTheMarks)
{
    ASSERT_NO_FATAL_FAILURE(start());
    EXPECT_EQ(m_data->GetSelCount(), 1); // no marks: the current row
    EXPECT_EQ(m_data->GetSelectedList("STUDENTID", ","), "101");

    mark({0, 2, 4});
    EXPECT_EQ(m_data->GetSelCount(), 3);
    EXPECT_EQ(m_data->GetSelectedList("STUDENTID", ","), "101,103,105");
    EXPECT_EQ(m_data->GetSelectedList("STUDENTID"), "101103105");
    EXPECT_EQ(m_data->GetSelectedList("FIO", "; "), "Андреев; Васильев; Дмитриев");
    EXPECT_THROW(m_data->GetSelectedList("NO_SUCH_FIELD", ","), LxError);
    // Reading the selection does not move the register.
    EXPECT_TRUE(m_sink.events.isEmpty() || !m_sink.events.contains("before"));

    m_window->SelectAll();
    EXPECT_EQ(m_data->GetSelCount(), 5);
}

TEST_F(DataObjectTest, AfterScrollIsReportedOncePerStudent)
{
    ASSERT_NO_FATAL_FAILURE(start());
    m_data->NotifyAfterScroll(); // the current student is reported once
    EXPECT_EQ(m_data->LastStudentId(), 101);
    m_sink.events.clear();

    m_window->Students()->setCurrentRow(1);
    EXPECT_EQ(m_sink.events, (QStringList{"before", "after"}));
    EXPECT_EQ(m_data->LastStudentId(), 102);

    // Reopening on the same student (not the first row) moves back to it without a second
    // after-scroll, not even for the first row on the way.
    m_sink.events.clear();
    m_window->Refresh();
    EXPECT_EQ(m_window->Students()->fieldValue("STUDENTID").toLongLong(), 102);
    EXPECT_EQ(m_data->LastStudentId(), 102);
    EXPECT_TRUE(m_sink.events.contains("before"));
    EXPECT_FALSE(m_sink.events.contains("after"));
    m_window->Students()->setCurrentRow(0);

    // A change of the selection raises both; the after-scroll only for another student.
    m_sink.events.clear();
    m_window->OnSelectionChanged();
    EXPECT_EQ(m_sink.events, QStringList{"before"});

    // An empty register always reports.
    m_db.run("delete from STUDENTS");
    m_sink.events.clear();
    m_data->Refresh(true);
    EXPECT_TRUE(m_data->IsEmpty());
    EXPECT_EQ(m_data->LastStudentId(), 0);
    EXPECT_TRUE(m_sink.events.contains("after"));
    EXPECT_EQ(m_data->GetSelCount(), 0);
    m_sink.events.clear();
    m_window->OnSelectionChanged();
    EXPECT_EQ(m_sink.events, (QStringList{"before", "after"}));
}

TEST_F(DataObjectTest, ASinkThatFailsOrDisconnectsDoesNotStopTheRegister)
{
    ASSERT_NO_FATAL_FAILURE(start());
    RecordingSink failing;
    failing.onEvent = [] { throw std::runtime_error("sink broke"); };
    IConnectionPoint *point = m_data->FindConnectionPoint(IID_IVelmDataEvents);
    EXPECT_EQ(m_data->FindConnectionPoint(IID_IVelmData), nullptr);
    // Sinks are called in connection order; the first one disconnects the third.
    RecordingSink third;
    quint32 thirdCookie = 0;
    RecordingSink first;
    first.onEvent = [&] {
        if (thirdCookie)
            point->Unadvise(std::exchange(thirdCookie, 0));
    };
    point->Unadvise(std::exchange(m_sinkCookie, 0));
    const quint32 firstCookie = point->Advise(&first);
    const quint32 failingCookie = point->Advise(&failing);
    thirdCookie = point->Advise(&third);

    m_window->Students()->setCurrentRow(2);
    EXPECT_EQ(m_window->Students()->currentRow(), 2);
    EXPECT_EQ(first.events, (QStringList{"before", "after"}));
    EXPECT_EQ(failing.events, (QStringList{"before", "after"}));
    EXPECT_TRUE(third.events.isEmpty());
    point->Unadvise(firstCookie);
    point->Unadvise(failingCookie);
}

TEST_F(DataObjectTest, GetSqlFollowsTheRegistersHistoryMode)
{
    ASSERT_NO_FATAL_FAILURE(start());
    const QString current = m_data->GetSQL("FIO,GROUPNUM");
    const QString history = m_data->GetSQL("FIO,GROUPNUM", 1);
    EXPECT_NE(current, history);
    EXPECT_TRUE(history.contains("CurDate", Qt::CaseInsensitive));
    EXPECT_EQ(m_data->GetSQL("FIO,GROUPNUM", 2), current);
    EXPECT_TRUE(m_data->GetSQL("FIO", 0, 10).contains("first 10", Qt::CaseInsensitive));

    m_window->SetLastData(false); // the user switches to history
    EXPECT_EQ(m_data->GetSQL("FIO,GROUPNUM"), history);
    EXPECT_EQ(m_data->GetSQL("FIO,GROUPNUM", 7), current);
    EXPECT_NE(m_data->GetAliasForField("GROUPNUM"), m_data->GetAliasForField("GROUPNUM", 2));
    m_window->SetLastData(true);
    EXPECT_EQ(m_data->GetSQL("FIO,GROUPNUM"), current);
}

TEST_F(DataObjectTest, FillSelectedListWritesInTheCallersTransactionOnly)
{
    ASSERT_NO_FATAL_FAILURE(start());
    mark({1, 3});
    fb::Transaction caller(*DM->DB);
    caller.start();
    EXPECT_EQ(m_data->FillSelectedList(caller.handle()), 2);
    ASSERT_TRUE(caller.isActive()); // neither committed nor rolled back
    EXPECT_EQ(countSelectedIds(caller), 2);
    fb::Query ids(caller, "select SELID from SELECTEDIDS order by SELID");
    ids.execute();
    QStringList found;
    while (ids.next())
        found << ids.value(0).toString();
    EXPECT_EQ(found, (QStringList{"102", "104"}));
    ids.close();
    caller.rollback();

    fb::Transaction later(*DM->DB);
    later.start();
    EXPECT_EQ(countSelectedIds(later), 0); // gone with the caller's rollback
    later.rollback();
    EXPECT_THROW(m_data->FillSelectedList(caller.handle()), std::exception); // a stale handle
}

TEST(DataObject, MembersNeedingTheRegisterFailWithoutIt)
{
    auto *data = new TVelmData;
    data->AddRef();
    EXPECT_FALSE(data->Attached());
    for (const auto &call : std::initializer_list<std::function<void()>>{
                 [&] { data->GetSelCount(); },
                 [&] { data->GetData("FIO"); },
                 [&] { data->Locate(1); },
                 [&] { data->IsEmpty(); },
                 [&] { data->GetSelectedList("FIO", ","); },
                 [&] { data->FillSelectedList(1); },
         }) {
        try {
            call();
            ADD_FAILURE() << "no error";
        } catch (const LxError &error) {
            EXPECT_EQ(error.message(), "Список студентов не открыт.");
        }
    }
    EXPECT_NO_THROW(data->Refresh(true)); // nothing to refresh
    EXPECT_EQ(data->Release(), 0);
}

} // namespace
