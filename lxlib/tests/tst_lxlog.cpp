#include "lxapplication.h"
#include "lxerror.h"
#include "lxerrorhandle.h"
#include "lxlog.h"
#include "testfiles.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace {

// Every test starts from the load-time settings and a log file of its own.
class LogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_fileName = m_dir.filePath(QStringLiteral("velmor.log"));
        SetLogFileName(m_fileName);
        DebugLevel = -1;
        Warninglevel = -1;
        MinLevel = 99;
    }
    void TearDown() override
    {
        SetLogFileName(QString());
        DebugLevel = -1;
        Warninglevel = -1;
        MinLevel = 99;
    }
    QStringList lines() const
    {
        QStringList result = QString::fromUtf8(readBytes(m_fileName)).split(QStringLiteral("\r\n"));
        if (!result.isEmpty() && result.last().isEmpty())
            result.removeLast();
        return result;
    }

    QTemporaryDir m_dir;
    QString m_fileName;
};

struct ThresholdCase
{
    const char *name;
    int debugLevel;
    int warningLevel;
    std::vector<TErrorLevels> logged;
    QStringList writtenTags;
    int minLevel;
    bool exitWarning;
};

void PrintTo(const ThresholdCase &c, std::ostream *out)
{
    *out << c.name;
}

class LogThresholdTest : public LogTest, public ::testing::WithParamInterface<ThresholdCase>
{};

TEST_P(LogThresholdTest, WritesUpToDebugLevelAndTracksMinLevel)
{
    const ThresholdCase &c = GetParam();
    DebugLevel = c.debugLevel;
    Warninglevel = c.warningLevel;
    for (TErrorLevels level : c.logged)
        Log(QStringLiteral("message"), level);

    QStringList tags;
    static const QRegularExpression tag(QStringLiteral("^\\S+ \\S+ (\\[[A-Z ]+\\])"));
    for (const QString &line : lines())
        tags.append(tag.match(line).captured(1));
    EXPECT_EQ(tags, c.writtenTags);
    EXPECT_EQ(MinLevel, c.minLevel);
    EXPECT_EQ(ExitWarningDue(), c.exitWarning);
}

const std::vector<TErrorLevels> kAllLevels{
        elInfo, elWarning, elAppException, elError, elFatalError};

INSTANTIATE_TEST_SUITE_P(
        Levels,
        LogThresholdTest,
        ::testing::Values(
                ThresholdCase{"LoadTimeNothingWritten", -1, -1, kAllLevels, {}, 0, false},
                ThresholdCase{"NothingLogged", 4, 1, {}, {}, 99, false},
                ThresholdCase{"NormalRunErrorsOnly",
                              1,
                              0,
                              kAllLevels,
                              {"[ERROR]", "[FATAL ERROR]"},
                              0,
                              true},
                ThresholdCase{"NormalRunNoWarningAfterError",
                              1,
                              0,
                              {elError, elAppException},
                              {"[ERROR]"},
                              1,
                              false},
                ThresholdCase{"NormalRunExceptionNotWritten", 1, 0, {elAppException}, {}, 2, false},
                ThresholdCase{"DebugRunEverything",
                              4,
                              1,
                              kAllLevels,
                              {"[INFO]", "[WARNING]", "[EXCEPTION]", "[ERROR]", "[FATAL ERROR]"},
                              0,
                              true},
                ThresholdCase{"DebugRunWarnsAfterError",
                              4,
                              1,
                              {elWarning, elError},
                              {"[WARNING]", "[ERROR]"},
                              1,
                              true},
                ThresholdCase{"DebugRunNoWarningAfterException",
                              4,
                              1,
                              {elAppException},
                              {"[EXCEPTION]"},
                              2,
                              false},
                ThresholdCase{"SilentButMinLevelDrops", -1, 3, {elWarning}, {}, 3, true}),
        [](const auto &info) { return std::string(info.param.name); });

TEST_F(LogTest, LineFormat)
{
    DebugLevel = elInfo;
    Log(QStringLiteral("Start plugins creation"), elInfo);
    Log(QStringLiteral("Ошибка соединения"), elFatalError);

    const QStringList written = lines();
    ASSERT_EQ(written.size(), 2);
    const QString thread = QString::number(::gettid());
    const QRegularExpression format(
            QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d \\[INFO\\] \\[%1\\] "
                           "Start plugins creation$")
                    .arg(thread));
    EXPECT_TRUE(format.match(written[0]).hasMatch()) << written[0].toStdString();
    EXPECT_TRUE(written[1].endsWith(
            QStringLiteral("[FATAL ERROR] [%1] Ошибка соединения").arg(thread)));
    EXPECT_TRUE(readBytes(m_fileName).endsWith("\r\n"));
    EXPECT_EQ(LogLine(QStringLiteral("x"), elAppException, 7), QStringLiteral("[EXCEPTION] [7] x"));
}

TEST_F(LogTest, ConcurrentWritersKeepLinesWhole)
{
    DebugLevel = elInfo;
    const int writers = 8;
    const int perWriter = 400;
    const QString padding(300, QLatin1Char('x'));
    std::vector<std::unique_ptr<QThread>> threads;
    for (int w = 0; w < writers; ++w) {
        threads.emplace_back(QThread::create([w, padding] {
            for (int i = 0; i < perWriter; ++i)
                Log(QStringLiteral("writer %1 line %2 %3").arg(w).arg(i).arg(padding), elInfo);
        }));
        threads.back()->start();
    }
    for (auto &thread : threads)
        thread->wait();

    const QRegularExpression whole(
            QStringLiteral("^\\S+ \\S+ \\[INFO\\] \\[\\d+\\] writer (\\d) line (\\d+) x{300}$"));
    std::vector<int> next(writers, 0);
    for (const QString &line : lines()) {
        const auto match = whole.match(line);
        ASSERT_TRUE(match.hasMatch()) << line.left(120).toStdString();
        const int writer = match.captured(1).toInt();
        // Each writer's lines appear complete and in its own order.
        EXPECT_EQ(match.captured(2).toInt(), next[writer]++);
    }
    for (int w = 0; w < writers; ++w)
        EXPECT_EQ(next[w], perWriter) << "writer " << w;
}

TEST_F(LogTest, UnwritableLogIsIgnored)
{
    DebugLevel = elInfo;
    SetLogFileName(m_dir.filePath(QStringLiteral("missing/dir/velmor.log")));
    EXPECT_NO_THROW(Log(QStringLiteral("lost"), elError));
    EXPECT_EQ(MinLevel, elError);
}

TEST(LogFileNameTest, NextToTheExecutable)
{
    SetLogFileName(QString());
    const QString expected = QCoreApplication::applicationFilePath() + QStringLiteral(".log");
    EXPECT_EQ(LogFileName(), expected);
}

struct MessageCase
{
    QString message;
    QString shown;
};

TEST(ErrorHandleTest, MessageGetsOneFullStop)
{
    const std::vector<MessageCase> cases{
            {QStringLiteral("Нет соединения с сервером"),
             QStringLiteral("Нет соединения с сервером.")},
            {QStringLiteral("Файл не найден."), QStringLiteral("Файл не найден.")},
            {QStringLiteral("Wait..."), QStringLiteral("Wait...")},
            {QStringLiteral("Line one.\r\nLine two"), QStringLiteral("Line one.\r\nLine two.")},
    };
    for (const MessageCase &c : cases)
        EXPECT_EQ(TLxErrorHandle::MessageText(c.message), c.shown) << c.message.toStdString();
}

class DatabaseError : public LxError
{
public:
    using LxError::LxError;
    QString className() const override { return QStringLiteral("EDatabaseError"); }
};

TEST(ErrorHandleTest, ClassNames)
{
    EXPECT_EQ(TLxErrorHandle::ClassName(LxError(QStringLiteral("x"))), QStringLiteral("Exception"));
    EXPECT_EQ(TLxErrorHandle::ClassName(DatabaseError(QStringLiteral("x"))),
              QStringLiteral("EDatabaseError"));
    EXPECT_EQ(TLxErrorHandle::ClassName(std::out_of_range("x")),
              QStringLiteral("std::out_of_range"));
}

class ThrowingObject : public QObject
{
public:
    bool event(QEvent *event) override
    {
        if (event->type() == QEvent::User)
            throw DatabaseError(QStringLiteral("Нарушение ключа"));
        return QObject::event(event);
    }
};

TEST_F(LogTest, ExceptionFromAnEventIsLoggedAndTheLoopGoesOn)
{
    DebugLevel = elInfo;
    ThrowingObject object;
    QEvent event(QEvent::User);
    EXPECT_NO_THROW(QCoreApplication::sendEvent(&object, &event));
    QCoreApplication::postEvent(&object, new QEvent(QEvent::User));
    EXPECT_NO_THROW(QCoreApplication::processEvents());

    const QStringList written = lines();
    ASSERT_EQ(written.size(), 2);
    for (const QString &line : written)
        EXPECT_TRUE(line.endsWith(
                QStringLiteral("[EXCEPTION] [%1] EDatabaseError. Нарушение ключа").arg(::gettid())))
                << line.toStdString();
    EXPECT_EQ(MinLevel, elAppException);
}

} // namespace
