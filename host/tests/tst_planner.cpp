#include "planner.h"

#include "lxerror.h"
#include "windows1251xml.h"

#include <QDomDocument>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A plan file in its own folder and a runner that records what it was asked to start.
class PlannerTest : public testing::Test
{
protected:
    QString planFile() const { return m_dir.filePath("plan.xml"); }
    QString file(const QString &name) const { return m_dir.filePath(name); }

    void writePlan(const QString &tasks)
    {
        QFile out(planFile());
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write("<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n<Plan>" + tasks.toUtf8()
                  + "</Plan>");
    }

    void touch(const QString &name)
    {
        QFile out(file(name));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    }

    void run(const QDate &today)
    {
        Planner::RunPlan(planFile(), today, [this](const QString &commandLine, bool wait) {
            m_started << commandLine + (wait ? " (wait)" : "");
            return 0;
        });
    }

    QDomElement task(int index) const
    {
        QDomDocument plan;
        Windows1251Xml::load(plan, planFile());
        QDomElement element = plan.documentElement().firstChildElement();
        for (int i = 0; i < index; ++i)
            element = element.nextSiblingElement();
        return element;
    }

    QTemporaryDir m_dir;
    QStringList m_started;
};

struct DayCase
{
    const char *attributes;
    QDate today;
    bool runs;
};

TEST_F(PlannerTest, DayRulesDecideWhetherATaskRuns)
{
    // 2026-12-05 is a Saturday, 2026-12-07 a Monday.
    const DayCase cases[] = {
            {"DaysOfMonth=\"1,15\"", QDate(2026, 12, 1), true},
            {"DaysOfMonth=\"1,15\"", QDate(2026, 12, 15), true},
            {"DaysOfMonth=\"1,15\"", QDate(2026, 12, 11), false},
            {"DaysOfMonth=\"1,15\"", QDate(2026, 12, 5), false},
            {"DaysOfWeek=\"6\"", QDate(2026, 12, 5), true},
            {"DaysOfWeek=\"6\"", QDate(2026, 12, 7), false},
            {"DaysOfWeek=\"135\"", QDate(2026, 12, 7), true},
            {"Begin=\"01.12.2026\" End=\"10.12.2026\"", QDate(2026, 12, 10), true},
            {"Begin=\"01.12.2026\" End=\"10.12.2026\"", QDate(2026, 11, 30), false},
            // A range counts only with both ends.
            {"Begin=\"01.12.2027\"", QDate(2026, 12, 1), true},
            {"NumShow=\"0\"", QDate(2026, 12, 1), false},
    };
    for (const DayCase &c : cases) {
        m_started.clear();
        writePlan(QString("<Task ExecApp=\"prog\" %1/>").arg(c.attributes));
        run(c.today);
        EXPECT_EQ(m_started.size(), c.runs ? 1 : 0)
                << c.attributes << " on " << c.today.toString().toStdString();
    }
}

TEST_F(PlannerTest, NumShowCountsDownAndIsSavedAtOnce)
{
    writePlan("<Task ExecApp=\"prog a\" WaitExec=\"True\" NumShow=\"1\"/>");
    run(QDate(2026, 12, 1));
    EXPECT_EQ(m_started, QStringList{"prog a (wait)"});
    EXPECT_EQ(task(0).attribute("NumShow"), "0");

    // From the next start on the task is expired; without a DelList it stays in the plan.
    run(QDate(2026, 12, 2));
    EXPECT_EQ(m_started.size(), 1);
    EXPECT_FALSE(task(0).isNull());
}

TEST_F(PlannerTest, ExpiredTaskDeletesItsFilesAndTheLastTaskTheWholePlan)
{
    touch("old1.dat");
    touch("old2.dat");
    writePlan(QString("<Task ExecApp=\"prog\" Begin=\"01.01.2026\" End=\"31.01.2026\">"
                      "<DelList><File>%1</File><File>%2</File></DelList></Task>")
                      .arg(file("old1.dat"), file("old2.dat")));
    run(QDate(2026, 12, 1));
    EXPECT_TRUE(m_started.isEmpty());
    EXPECT_FALSE(QFile::exists(file("old1.dat")));
    EXPECT_FALSE(QFile::exists(file("old2.dat")));
    EXPECT_FALSE(QFile::exists(planFile()));
}

TEST_F(PlannerTest, ConsecutiveExpiredTasksGoAndTheDueTaskAfterThemRuns)
{
    writePlan("<Task ExecApp=\"a\" NumShow=\"0\"><DelList/></Task>"
              "<Task ExecApp=\"b\" End=\"01.01.2020\" Begin=\"01.01.2019\"><DelList/></Task>"
              "<Task ExecApp=\"c\"/>");
    run(QDate(2026, 12, 1));
    EXPECT_EQ(m_started, QStringList{"c"});
    EXPECT_EQ(task(0).attribute("ExecApp"), "c");
    EXPECT_TRUE(task(1).isNull());
}

TEST_F(PlannerTest, TaskNeitherDueNorExpiredLeavesTheFileUntouched)
{
    writePlan("<Task ExecApp=\"prog\" Begin=\"01.01.2030\" End=\"31.01.2030\" NumShow=\"2\">"
              "<DelList/></Task>");
    QFile before(planFile());
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    const QByteArray bytes = before.readAll();
    run(QDate(2026, 12, 1));
    QFile after(planFile());
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), bytes);
    EXPECT_TRUE(m_started.isEmpty());
}

TEST_F(PlannerTest, BrokenValuesStopTheRunWithAnError)
{
    const char *broken[] = {
            "<Task ExecApp=\"p\" Begin=\"32.01.2026\" End=\"01.02.2026\"/>",
            "<Task ExecApp=\"p\" NumShow=\"-1\"/>",
            "<Task ExecApp=\"p\" NumShow=\"many\"/>",
            "<Task ExecApp=\"p\" WaitExec=\"perhaps\"/>",
            "<Task ExecApp=\"p\"",
    };
    for (const char *tasks : broken) {
        writePlan(tasks);
        EXPECT_THROW(run(QDate(2026, 12, 1)), LxError) << tasks;
    }
    EXPECT_TRUE(m_started.isEmpty());
}

TEST_F(PlannerTest, MissingPlanIsNoError)
{
    EXPECT_NO_THROW(run(QDate(2026, 12, 1)));
}

TEST(PlannerRunProgram, ExitCodesOfStartedAndUnstartableProgramsAreReturned)
{
    EXPECT_EQ(Planner::RunProgram("sh -c \"exit 3\"", true), 3);
    EXPECT_EQ(Planner::RunProgram("/nonexistent/program", true), 1);
    EXPECT_EQ(Planner::RunProgram("/nonexistent/program", false), 1);
    EXPECT_EQ(Planner::RunProgram("true", false), 0);
}

} // namespace
