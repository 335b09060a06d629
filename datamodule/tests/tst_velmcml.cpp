#include <security.h>
#include <xmlsecurity.h>

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct ToolRun
{
    int exitCode = -1;
    QString errors;
};

class VelmcmlTest : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    static ToolRun velmcml(const QStringList &arguments)
    {
        QProcess process;
        process.start(QStringLiteral(VELMCML_PATH), arguments);
        EXPECT_TRUE(process.waitForFinished(30000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardError())};
    }

    QString path(const QString &name) const { return m_dir.filePath(name); }

    static QByteArray read(const QString &fileName)
    {
        QFile file(fileName);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static void write(const QString &fileName, const QByteArray &content)
    {
        QFile file(fileName);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    // The files of the folder, to prove that no temporary file stays behind.
    QStringList files() const { return QDir(m_dir.path()).entryList(QDir::Files, QDir::Name); }

    QTemporaryDir m_dir;
};

TEST_F(VelmcmlTest, EncodeAndDecodeGiveBackTheSameBytes)
{
    const QString source = QStringLiteral(VELMOR_TEST_DATA "/data/rights.xml");
    ASSERT_EQ(velmcml({QStringLiteral("encode"), source, path(QStringLiteral("r.cml"))}).exitCode,
              0);
    ASSERT_EQ(velmcml({QStringLiteral("decode"),
                       path(QStringLiteral("r.cml")),
                       path(QStringLiteral("r.xml"))})
                      .exitCode,
              0);
    EXPECT_EQ(read(path(QStringLiteral("r.xml"))), read(source));
    EXPECT_EQ(read(path(QStringLiteral("r.cml"))),
              EncodeString(read(source), DefinitionFileKey) + "\r\n");
    EXPECT_EQ(files(), QStringList({QStringLiteral("r.cml"), QStringLiteral("r.xml")}));
}

TEST_F(VelmcmlTest, AnotherKeyNumberIsUsedBothWays)
{
    const QString source = QStringLiteral(VELMOR_TEST_DATA "/data/rights.xml");
    const QString encoded = path(QStringLiteral("k.cml"));
    ASSERT_EQ(velmcml({QStringLiteral("--key"),
                       QStringLiteral("5"),
                       QStringLiteral("encode"),
                       source,
                       encoded})
                      .exitCode,
              0);
    EXPECT_EQ(DecodeString(read(encoded), 5), read(source));

    const ToolRun wrongKey
            = velmcml({QStringLiteral("decode"), encoded, path(QStringLiteral("k.xml"))});
    EXPECT_EQ(wrongKey.exitCode, 1);
    EXPECT_TRUE(wrongKey.errors.contains(encoded));
    EXPECT_TRUE(wrongKey.errors.contains(QStringLiteral("Неверная контрольная сумма.")));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("k.xml"))));
}

TEST_F(VelmcmlTest, FailuresExitNonZeroAndLeaveNoOutput)
{
    write(path(QStringLiteral("malformed.xml")), "<?xml version=\"1.0\"?><a><b></a>");
    write(path(QStringLiteral("garbage.cml")), "not encoded\r\n");
    const QString kept = path(QStringLiteral("kept.xml"));
    const struct
    {
        const char *what;
        QStringList arguments;
        int exitCode;
        QString message; // the file name and text expected on stderr
    } cases[] = {
            {"missing input",
             {QStringLiteral("encode"),
              path(QStringLiteral("none.xml")),
              path(QStringLiteral("o"))},
             1,
             path(QStringLiteral("none.xml"))},
            {"malformed XML",
             {QStringLiteral("encode"), path(QStringLiteral("malformed.xml")), path("o")},
             1,
             path(QStringLiteral("malformed.xml")) + QStringLiteral(": XML error")},
            {"undecodable input over an existing output",
             {QStringLiteral("decode"), path(QStringLiteral("garbage.cml")), kept},
             1,
             path(QStringLiteral("garbage.cml")) + QStringLiteral(": Ошибка декодирования.")},
            {"output folder missing",
             {QStringLiteral("encode"),
              QStringLiteral(VELMOR_TEST_DATA "/data/rights.xml"),
              path(QStringLiteral("no/such/dir/o.cml"))},
             1,
             path(QStringLiteral("no/such/dir/o.cml"))},
            {"no arguments", {}, 2, QStringLiteral("usage")},
            {"unknown command", {QStringLiteral("pack"), path("a"), path("b")}, 2, "usage"},
            {"key out of range",
             {QStringLiteral("--key"),
              QStringLiteral("256"),
              QStringLiteral("encode"),
              path("a"),
              path("o")},
             2,
             QStringLiteral("usage")},
            {"key not a number",
             {QStringLiteral("--key=x"), QStringLiteral("decode"), path("a"), path("o")},
             2,
             QStringLiteral("usage")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        write(kept, "old content");
        const ToolRun run = velmcml(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_TRUE(run.errors.contains(c.message)) << run.errors.toStdString();
        EXPECT_EQ(read(kept), QByteArray("old content"));
        EXPECT_FALSE(QFile::exists(path(QStringLiteral("o"))));
    }
    EXPECT_EQ(files(),
              QStringList({QStringLiteral("garbage.cml"),
                           QStringLiteral("kept.xml"),
                           QStringLiteral("malformed.xml")}));
}

} // namespace
