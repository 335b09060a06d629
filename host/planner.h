#pragma once

#include <QDate>
#include <QString>

#include <functional>

// The scheduled tasks of plan.xml, run at every start before the login.
//
// Each child element of the plan's root is a task: it starts ExecApp on its days, a limited
// number of times (NumShow counts down) or within Begin..End; once expired it deletes the files
// of its DelList and leaves the plan. The file goes when its last task is gone.
class Planner
{
public:
    using ErrorReporter = std::function<void(const QString &message)>;
    using ProgramRunner = std::function<int(const QString &commandLine, bool wait)>;

    // Runs OptionsPath's plan.xml; an error is shown in an error box and the start goes on.
    static void RunPlan();
    // Runs the plan in fileName as on the given day. Raises LxError on a broken file, date or
    // number; what already ran and what was already saved stays.
    static void RunPlan(const QString &fileName, const QDate &today, const ProgramRunner &runner);

    // Starts a process in the current directory; 1 when it cannot be started, its exit code
    // when waited for, 0 otherwise.
    static int RunProgram(const QString &commandLine, bool wait);
};
