#include "lxerror.h"
#include "lxutils.h"
#include "testfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// A small tree: root/a.txt, root/sub/b.txt, root/sub/deeper/c.txt.
void makeTree(const QString &root)
{
    QDir().mkpath(root + QStringLiteral("/sub/deeper"));
    writeBytes(root + QStringLiteral("/a.txt"), "a");
    writeBytes(root + QStringLiteral("/sub/b.txt"), "b");
    writeBytes(root + QStringLiteral("/sub/deeper/c.txt"), "c");
}

class DirTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

    QTemporaryDir m_dir;
};

TEST_F(DirTest, ClearDirRemovesEverythingAndTheDirOnRequest)
{
    makeTree(path("keep"));
    EXPECT_TRUE(ClearDir(path("keep"), false));
    // Without the flag subdirectories are emptied the same way and stay.
    EXPECT_TRUE(DirExists(path("keep/sub/deeper")));
    EXPECT_FALSE(QFileInfo::exists(path("keep/a.txt")));
    EXPECT_FALSE(QFileInfo::exists(path("keep/sub/b.txt")));
    EXPECT_FALSE(QFileInfo::exists(path("keep/sub/deeper/c.txt")));

    makeTree(path("gone"));
    EXPECT_TRUE(ClearDir(path("gone"), true));
    EXPECT_FALSE(QFileInfo::exists(path("gone")));

    EXPECT_FALSE(ClearDir(path("missing"), true));
}

TEST_F(DirTest, ClearDirLeavesDotFilesAndReportsIt)
{
    makeTree(path("work"));
    writeBytes(path("work/sub/.hidden"), "h");
    EXPECT_FALSE(ClearDir(path("work"), true));
    EXPECT_TRUE(QFileInfo::exists(path("work/sub/.hidden")));
    EXPECT_FALSE(QFileInfo::exists(path("work/a.txt")));
    EXPECT_FALSE(QFileInfo::exists(path("work/sub/deeper")));
    EXPECT_TRUE(DirExists(path("work")));
}

TEST_F(DirTest, ClearDirRemovesLinksNotWhatTheyPointTo)
{
    makeTree(path("target"));
    QDir().mkpath(path("work"));
    ASSERT_TRUE(QFile::link(path("target"), path("work/link")));
    EXPECT_TRUE(ClearDir(path("work"), true));
    EXPECT_FALSE(QFileInfo::exists(path("work")));
    EXPECT_TRUE(QFileInfo::exists(path("target/sub/deeper/c.txt")));
}

TEST_F(DirTest, CopyDirCopiesTheTreeAndOverwrites)
{
    makeTree(path("src"));
    writeBytes(path("src/.config"), "dot");
    QDir().mkpath(path("dst/sub"));
    writeBytes(path("dst/sub/b.txt"), "old contents");
    writeBytes(path("dst/other.txt"), "other");

    EXPECT_TRUE(CopyDir(path("src"), path("dst")));
    EXPECT_EQ(readBytes(path("dst/a.txt")), "a");
    EXPECT_EQ(readBytes(path("dst/sub/b.txt")), "b");
    EXPECT_EQ(readBytes(path("dst/sub/deeper/c.txt")), "c");
    EXPECT_EQ(readBytes(path("dst/.config")), "dot");
    EXPECT_EQ(readBytes(path("dst/other.txt")), "other");

    EXPECT_TRUE(CopyDir(path("src"), path("new/nested")));
    EXPECT_EQ(readBytes(path("new/nested/sub/deeper/c.txt")), "c");
}

TEST_F(DirTest, CopyDirFailures)
{
    makeTree(path("src"));
    EXPECT_FALSE(CopyDir(path("missing"), path("dst")));
    // Into itself would never end.
    EXPECT_FALSE(CopyDir(path("src"), path("src/sub/copy")));
    EXPECT_FALSE(QFileInfo::exists(path("src/sub/copy")));
    // A destination that cannot be made.
    EXPECT_FALSE(CopyDir(path("src"), path("src/a.txt/dst")));
}

TEST_F(DirTest, TempFileForms)
{
    const QString file = GetTempFile(QStringLiteral("vlmx"));
    EXPECT_TRUE(QFileInfo(file).isFile());
    EXPECT_EQ(QFileInfo(file).size(), 0);
    EXPECT_EQ(QFileInfo(file).absolutePath(), QFileInfo(QDir::tempPath()).absoluteFilePath());
    EXPECT_TRUE(QFileInfo(file).fileName().startsWith(QStringLiteral("vlm")));
    EXPECT_NE(GetTempFile(QStringLiteral("vlm")), file);
    QFile::remove(file);

    const QString report = GetTempFile(m_dir.path(), QStringLiteral(".rtf"));
    EXPECT_TRUE(report.endsWith(QStringLiteral(".rtf")));
    EXPECT_TRUE(QFileInfo(report).fileName().startsWith(QStringLiteral("tmp")));
    EXPECT_EQ(QFileInfo(report).absolutePath(), QFileInfo(m_dir.path()).absoluteFilePath());
    EXPECT_FALSE(QFileInfo::exists(report));
    EXPECT_TRUE(QDir(m_dir.path()).isEmpty());

    const QString dir = CreateTempDir(QStringLiteral("vlm"));
    EXPECT_TRUE(dir.endsWith(QLatin1Char('/')));
    EXPECT_TRUE(DirExists(dir));
    EXPECT_TRUE(ClearDir(dir, true));
}

TEST(PathTest, SlashesAndDirs)
{
    const std::vector<std::pair<QString, QString>> cases{
            {QString(), QString()},
            {QStringLiteral("/tmp"), QStringLiteral("/tmp/")},
            {QStringLiteral("/tmp/"), QStringLiteral("/tmp/")},
            {QStringLiteral("data"), QStringLiteral("data/")},
    };
    for (const auto &[path, expected] : cases) {
        EXPECT_EQ(AddSlash2(path), expected);
        EXPECT_EQ(NormalDir(path), expected);
        QString variable = path;
        AddSlash(variable);
        EXPECT_EQ(variable, expected);
    }
    EXPECT_FALSE(DirExists(QString()));
    EXPECT_TRUE(DirExists(QStringLiteral("/")));
}

TEST_F(DirTest, GetFileAsStringEndsEveryLineWithCrLf)
{
    writeBytes(path("unix.txt"), "one\ntwo\r\nthree");
    EXPECT_EQ(GetFileAsString(path("unix.txt")), QStringLiteral("one\r\ntwo\r\nthree\r\n"));
    writeBytes(path("cyr.txt"), QStringEncoder("windows-1251").encode(QStringLiteral("Приказ\n")));
    EXPECT_EQ(GetFileAsString(path("cyr.txt")), QStringLiteral("Приказ\r\n"));
    writeBytes(path("utf8.txt"), QStringLiteral("Приказ\n\n").toUtf8());
    EXPECT_EQ(GetFileAsString(path("utf8.txt")), QStringLiteral("Приказ\r\n\r\n"));
    writeBytes(path("empty.txt"), QByteArray());
    EXPECT_EQ(GetFileAsString(path("empty.txt")), QString());
    EXPECT_THROW(GetFileAsString(path("missing.txt")), LxError);
}

TEST(RaiseExceptionTest, ThrowsLxErrorWithTheMessage)
{
    try {
        RaiseException(QStringLiteral("Приказ %1 не найден").arg(12));
        FAIL();
    } catch (const LxError &error) {
        EXPECT_EQ(error.message(), QStringLiteral("Приказ 12 не найден"));
    }
}

TEST(DelayTest, WaitsAndPumpsEvents)
{
    bool fired = false;
    QTimer::singleShot(0, [&fired] { fired = true; });
    const qint64 waited = Delay(50);
    EXPECT_GE(waited, 50);
    EXPECT_TRUE(fired);
}

} // namespace
