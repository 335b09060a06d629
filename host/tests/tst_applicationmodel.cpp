#include "fmstudentlist.h"
#include "pluginfixture.h"
#include "velmapplication.h"
#include "velmdata.h"

#include <comserver.h>
#include <ilxparams.h>
#include <ivelmdata.h>
#include <ivelmplugin.h>
#include <ivelmpluginitem.h>
#include <ivelmplugins.h>
#include <lxerror.h>
#include <registry.h>
#include <tdm.h>
#include <velmconsts.h>

#include <gtest/gtest.h>

namespace {

using ApplicationModelTest = RegisterFixture;

TEST_F(ApplicationModelTest, BeforeTheLoginOnlyTheObjectItselfIsThere)
{
    IVelmApplication &appl = m_application;
    EXPECT_EQ(appl.Appl(), &appl);
    EXPECT_EQ(appl.Plugins(), nullptr);
    EXPECT_FALSE(appl.Visible());
    EXPECT_TRUE(appl.TempDir().endsWith('/'));
    try {
        appl.SetVisible(true);
        ADD_FAILURE() << "shown before the login";
    } catch (const LxError &error) {
        EXPECT_EQ(error.message(), "Не произведен вход в программу.");
    }
    EXPECT_THROW(appl.CurrentDate(), LxError); // no register yet
    EXPECT_THROW(appl.SaveUserOptions(), LxError);
    appl.Log("written by a plug-in", elWarning);
    EXPECT_EQ(m_log.Lines("[WARNING]").filter("written by a plug-in").size(), 1);
}

TEST_F(ApplicationModelTest, ASecondLoginAnswersFalseAndChangesNothing)
{
    ASSERT_NO_FATAL_FAILURE(start());
    const qint64 journal = DM->JournalID;
    IVelmApplication &appl = m_application;
    EXPECT_FALSE(appl.Login("PETROV", "other", false));
    EXPECT_TRUE(m_application.LoggedIn());
    EXPECT_EQ(DM->UserName, "SYSDBA");
    EXPECT_EQ(DM->JournalID, journal);
}

TEST_F(ApplicationModelTest, PreparedObjectsLiveUntilUnprepare)
{
    ASSERT_NO_FATAL_FAILURE(start());
    IVelmApplication &appl = m_application;
    ASSERT_NE(appl.Plugins(), nullptr);
    EXPECT_EQ(appl.Plugins()->Application(), &appl);
    EXPECT_EQ(appl.Plugins()->Count(), 0); // nothing registered
    IVelmData *data = appl.Data();
    EXPECT_EQ(appl.Data(), data);
    EXPECT_TRUE(m_window->DataObjectAttached());

    // The status date is the register's: today while it shows current data.
    EXPECT_EQ(appl.CurrentDate(), QDate::currentDate());
    appl.SetCurrentDate(QDate(2020, 9, 1));
    EXPECT_EQ(m_window->StatusDate(), QDate(2020, 9, 1));
    EXPECT_EQ(appl.CurrentDate(), QDate::currentDate());
    m_window->SetLastData(false);
    EXPECT_EQ(appl.CurrentDate(), QDate(2020, 9, 1));

    m_application.Unprepare();
    EXPECT_EQ(appl.Plugins(), nullptr);
    EXPECT_EQ(m_log.Lines("End plugins destroying. RefCount = 0").size(), 1);
}

TEST_F(ApplicationModelTest, ADataObjectAskedForBeforeTheRegisterFollowsItOnceItExists)
{
    ASSERT_NO_FATAL_FAILURE(login());
    auto *early = dynamic_cast<TVelmData *>(m_application.Data());
    ASSERT_NE(early, nullptr);
    EXPECT_FALSE(early->Attached());
    EXPECT_THROW(early->GetSelCount(), LxError);
    ASSERT_NO_FATAL_FAILURE(prepare());
    EXPECT_TRUE(early->Attached());
    EXPECT_EQ(early->GetSelCount(), 1);
    EXPECT_EQ(m_application.Data(), early);
}

#ifdef VELMOR_TEST_PLUGIN
TEST_F(ApplicationModelTest, PluginsLoadingAtStartAreConnectedByPrepare)
{
    RegisterServer(VELMOR_TEST_PLUGIN);
    Registry().SetValue(rgPluginsKey() + "\\VelmTest.VelmPlugin", "LoadBehavior", "3");
    ASSERT_NO_FATAL_FAILURE(start());
    IVelmPluginItem *item = m_application.Plugins()->Item("VelmTest");
    ASSERT_TRUE(item->Connect());
    EXPECT_EQ(item->Application(), &m_application);
    EXPECT_EQ(item->Plugin()->Application(), &m_application);
    EXPECT_TRUE(m_application.PluginsAllowClose());
    Registry().SetValue(rgPluginsKey() + "\\VelmTest.VelmPlugin", "RefuseClose", "1");
    EXPECT_FALSE(m_application.PluginsAllowClose());
    m_application.Unprepare();
    EXPECT_EQ(m_log.Lines("Start VelmTest destroying.").size(), 1);
}
#endif

TEST_F(ApplicationModelTest, SavedOptionsReachTheUsersRecord)
{
    ASSERT_NO_FATAL_FAILURE(start());
    IVelmApplication &appl = m_application;
    appl.UserOptions()->SetValue("LastOrder", qint64(42));
    appl.SaveUserOptions();
    const std::unique_ptr<ILxParams> stored = CoLxParams::Create();
    stored->LoadFromBytes(DM->UserOptionsBlob());
    EXPECT_EQ(stored->Value("LastOrder"), QVariant(qint64(42)));
}

} // namespace
