// Measures the student register window over a large database (made by run.sh):
//   (a) opening the window until its first screen is painted, and switching it to history mode
//       until the grid is painted again;
//   (b) selecting the whole grid and counting the selection (which fetches every row) against
//       the baseline: a bare data set opening the same select and fetching all of it.
//   (c) the colour lookup each painted cell makes, against a plain hash lookup of the same key,
//       and a repaint of the first screen.
// Every figure is the best of a few runs in this process; (b) prints the ratio to the baseline.
//
//     registerbench <database> [runs]

#include <colorgridutils.h>
#include <dataset.h>
#include <fmstudentlist.h>
#include <gridutils.h>
#include <lxerror.h>
#include <registry.h>
#include <studentgrid.h>
#include <tdm.h>
#include <transaction.h>
#include <velmapplication.h>
#include <velmconsts.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFont>
#include <QHash>
#include <QTableView>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <memory>

namespace {

// Waits until the widget has been painted after the call (or 60 s went by).
class PaintWatch : public QObject
{
public:
    explicit PaintWatch(QWidget *widget)
        : m_widget(widget)
    {
        widget->installEventFilter(this);
    }
    ~PaintWatch() override { m_widget->removeEventFilter(this); }

    void wait()
    {
        QElapsedTimer limit;
        limit.start();
        while (!m_painted && limit.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (!m_painted)
            std::fprintf(stderr, "registerbench: the grid was not painted within a minute\n");
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            m_painted = true;
        return false;
    }

private:
    QWidget *m_widget;
    bool m_painted = false;
};

// Best time in milliseconds of runs calls of work; prepare runs untimed before each call.
double best(int runs, const std::function<void()> &prepare, const std::function<void()> &work)
{
    double result = 1e18;
    for (int i = 0; i < runs; ++i) {
        if (prepare)
            prepare();
        QElapsedTimer timer;
        timer.start();
        work();
        result = std::min(result, timer.nsecsElapsed() / 1e6);
    }
    return result;
}

void paintedAfter(QTableView *grid, const std::function<void()> &work)
{
    PaintWatch watch(grid->viewport());
    work();
    watch.wait();
}

// A registry of its own for a personal installation on the database, with the build's options.
void useInstallation(const QTemporaryDir &dir, const QString &database)
{
    qputenv("VELMOR_REGISTRY", QDir(dir.path()).filePath("registry.ini").toUtf8());
    SetVelmKey(QString());
    Registry registry;
    registry.CreateKey(rgVelmKey());
    registry.SetValue(rgVelmKey(), "ServerName", "$Personal");
    registry.SetValue(rgVelmKey(), "DBName", database);
    registry.SetValue(rgVelmKey(), "OptionsPath", VELMOR_OPTIONS_DIR);
    registry.SetValue(rgVelmKey(), "BinPath", dir.path());
}

// The first chunk of the register's current select (its text and parameters) in a bare data set.
double rawFirstChunk(fb::Transaction &tran, const fb::DataSet &register_, int runs)
{
    const QString sql = register_.expandedSelectSql();
    return best(runs, nullptr, [&] {
        fb::DataSet dataSet(tran);
        dataSet.setSelectSql(sql);
        if (dataSet.hasParam("CurDate"))
            dataSet.setParam("CurDate", register_.param("CurDate"));
        tran.ensureStarted();
        dataSet.open();
        dataSet.fetchMore(256);
        tran.commit();
    });
}

void printRow(const char *what, double ms, double baseline = 0)
{
    if (baseline > 0)
        std::printf("%-46s %9.1f ms %8.2fx\n", what, ms, ms / baseline);
    else
        std::printf("%-46s %9.1f ms\n", what, ms);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: registerbench <database> [runs]\n");
        return 2;
    }
    const QString database = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 3;
    QTemporaryDir dir;
    useInstallation(dir, database);

    TDM::SetErrorBox([](const QString &message) {
        std::fprintf(stderr, "registerbench: %s\n", qPrintable(message));
    });
    TDM::SetLoginDialog([](QString &, QString &) { return false; });
    TVelmApplication application;
    TVelmApplication::SettingsHooks hooks;
    hooks.ctrlHeld = [] { return false; };
    hooks.ask = [](const QString &) { return true; };
    hooks.inform = [](const QString &) {};
    hooks.error = [](const QString &message) {
        std::fprintf(stderr, "registerbench: %s\n", qPrintable(message));
    };
    application.SetSettingsHooks(hooks);
    try {
        if (!application.Login("SYSDBA", "masterkey", false)) {
            std::fprintf(stderr, "registerbench: cannot log in to %s\n", argv[1]);
            return 1;
        }
        application.Prepare();
        TfmStudentList *main = application.MainWindow();
        if (!main || !main->Students() || !main->Students()->isOpen()) {
            std::fprintf(stderr, "registerbench: the register did not open\n");
            return 1;
        }
        paintedAfter(main->Grid(), [&] { main->show(); });

        // (a) The window opened afresh until its first screen is painted, as at start.
        std::unique_ptr<TfmStudentList> window;
        const double open = best(
                runs,
                [&] { window.reset(); },
                [&] {
                    window = std::make_unique<TfmStudentList>();
                    paintedAfter(window->Grid(), [&] { window->show(); });
                });
        QTableView *grid = window->Grid();
        fb::DataSet *students = window->Students();
        fb::Transaction tran(students->transaction().database());
        const double rawOpen = rawFirstChunk(tran, *students, runs);
        const double history = best(
                runs,
                [&] { window->SetLastData(true); },
                [&] { paintedAfter(grid, [&] { window->SetLastData(false); }); });
        const double rawHistory = rawFirstChunk(tran, *students, runs);
        window->SetLastData(true);

        // (b) Select all and count on the open register against a raw fetch of its select. The
        // three take turns, so a busy machine slows each of them alike.
        const QString sql = students->expandedSelectSql();
        int counted = 0, fetched = 0;
        const auto reopen = [&] { window->OpenList(false); };
        double selectCount = 1e18, selectCountPaint = 1e18, raw = 1e18, fetchOnly = 1e18;
        for (int run = 0; run < runs; ++run) {
            selectCount = std::min(selectCount, best(1, reopen, [&] {
                                       SelectWholeGrid(grid);
                                       counted = SelectedRowCount(grid);
                                   }));
            selectCountPaint = std::min(selectCountPaint, best(1, reopen, [&] {
                                            paintedAfter(grid, [&] {
                                                SelectWholeGrid(grid);
                                                counted = SelectedRowCount(grid);
                                            });
                                        }));
            raw = std::min(raw, best(1, nullptr, [&] {
                               fb::DataSet dataSet(tran);
                               dataSet.setSelectSql(sql);
                               tran.ensureStarted();
                               QElapsedTimer timer;
                               dataSet.open();
                               timer.start();
                               dataSet.fetchAll();
                               fetchOnly = std::min(fetchOnly, timer.nsecsElapsed() / 1e6);
                               fetched = dataSet.rowCount();
                               tran.commit();
                           }));
        }

        std::printf("register of %d students, %d columns, best of %d runs\n",
                    fetched,
                    students->fieldCount(),
                    runs);
        printRow("(a) open window, first screen painted", open);
        printRow("    raw: its select, open + first chunk", rawOpen);
        printRow("(a) switch to history mode, painted", history);
        printRow("    raw: its select, open + first chunk", rawHistory);
        printRow("(b) baseline: DataSet open + fetchAll", raw);
        printRow("    of which fetchAll", fetchOnly);
        printRow("(b) SelectWholeGrid + SelectedRowCount", selectCount, raw);
        printRow("(b) the same until the grid is painted", selectCountPaint, raw);

        // (c) Each painted cell asks for its colours by grid kind and field.
        const int calls = 1000000;
        const QString kind = QStringLiteral("StudentList");
        const QString fields[] = {QStringLiteral("FIO"), QStringLiteral("GROUPNUM")};
        QFont font;
        QColor background, foreground;
        const double colours = best(runs, nullptr, [&] {
            for (int i = 0; i < calls; ++i)
                GetColorSettings(kind, fields[i & 1], font, background, foreground);
        });
        const QHash<QString, int> plain{{fields[0], 1}, {fields[1], 2}};
        int sink = 0;
        const double hashed = best(runs, nullptr, [&] {
            for (int i = 0; i < calls; ++i)
                sink += plain.value(fields[i & 1]);
        });
        const double repaint = best(runs, nullptr, [&] { grid->viewport()->repaint(); });
        std::printf("%-46s %9.1f ns %8.2fx\n",
                    "(c) GetColorSettings per call",
                    colours * 1e6 / calls,
                    colours / std::max(hashed, 1e-9));
        std::printf("%-46s %9.1f ns\n", "    baseline: QHash lookup", hashed * 1e6 / calls);
        printRow("(c) repaint of the first screen", repaint);
        if (sink == 42)
            std::printf("\n"); // keeps the baseline loop from being optimised away
        if (counted != fetched) {
            std::fprintf(stderr,
                         "registerbench: counted %d rows, the select has %d\n",
                         counted,
                         fetched);
            return 1;
        }
        window.reset();
        application.Unprepare();
    } catch (const std::exception &error) {
        std::fprintf(stderr, "registerbench: %s\n", error.what());
        return 1;
    }
    return 0;
}
