#include <security.h>
#include <xmlsecurity.h>

#include <lxlog.h>

#include <gtest/gtest.h>

#include <QDomDocument>
#include <QFile>
#include <QTemporaryDir>

namespace {

const QByteArray PlainXml = "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\r\n"
                            "<Menu Caption=\"\xc3\xeb\xe0\xe2\xed\xee\xe5\"><Item/></Menu>\r\n";

class LoadEncXMLTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        DebugLevel = elInfo;
    }

    QString write(const QString &name, const QByteArray &content)
    {
        const QString fileName = m_dir.filePath(name);
        QFile file(fileName);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return fileName;
    }

    QString copyFixture(const QString &name)
    {
        const QString fileName = m_dir.filePath(name);
        EXPECT_TRUE(QFile::copy(QStringLiteral(VELMOR_TEST_DATA "/data/") + name, fileName));
        return fileName;
    }

    // The lines of this process's log that mention the file; other test processes write
    // to the same log, each with files of its own temporary folder.
    static QStringList logLinesAbout(const QString &fileName)
    {
        QFile log(LogFileName());
        if (!log.open(QIODevice::ReadOnly))
            return {};
        QStringList lines;
        for (const QString &line : QString::fromUtf8(log.readAll()).split(QStringLiteral("\r\n")))
            if (line.contains(fileName))
                lines.append(line);
        return lines;
    }

    QTemporaryDir m_dir;
};

TEST_F(LoadEncXMLTest, FileEncodedByTheBuildKeepsItsCyrillicTexts)
{
    QDomDocument document;
    ASSERT_TRUE(LoadEncXML(document, QStringLiteral(VELMOR_TEST_CML_DIR "/rights.cml")));
    const QDomElement root = document.documentElement();
    EXPECT_EQ(root.tagName(), QStringLiteral("Rights"));
    EXPECT_EQ(root.attribute(QStringLiteral("Caption")), QStringLiteral("Права доступа"));
    EXPECT_EQ(root.lastChildElement().attribute(QStringLiteral("Caption")),
              QStringLiteral("Подтвердить приказ «№ 5»"));
}

TEST_F(LoadEncXMLTest, OneLineLoadsWithOrWithoutLineBreakButNotSplit)
{
    const QByteArray encoded = EncodeString(PlainXml, DefinitionFileKey);
    const qsizetype half = encoded.size() / 2;
    const struct
    {
        const char *what;
        QByteArray content;
        bool loads;
    } cases[] = {
            {"no line break", encoded, true},
            {"CR LF after the line", encoded + "\r\n", true},
            {"LF after the line", encoded + "\n", true},
            // two line breaks make a complete group of their own
            {"empty line after it", encoded + "\r\n\r\n", false},
            {"split over two lines",
             encoded.left(half) + "\r\n" + encoded.mid(half) + "\r\n",
             false},
            {"split at a group boundary", encoded.left(8) + "\n" + encoded.mid(8) + "\n", false},
            {"empty line before it", "\r\n" + encoded, false},
    };
    int index = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QDomDocument document;
        const QString fileName = write(QStringLiteral("case%1.cml").arg(index++), c.content);
        EXPECT_EQ(LoadEncXML(document, fileName), c.loads);
        if (c.loads) {
            EXPECT_EQ(document.documentElement().attribute(QStringLiteral("Caption")),
                      QStringLiteral("Главное"));
        }
    }
}

TEST_F(LoadEncXMLTest, EveryFailureIsOneLogLineNamingTheFile)
{
    QByteArray altered = EncodeString(PlainXml, DefinitionFileKey);
    altered[20] = altered[20] == 'Q' ? 'R' : 'Q';
    const struct
    {
        const char *what;
        QString fileName;
        QString message;
    } cases[] = {
            {"missing file", m_dir.filePath(QStringLiteral("missing.cml")), QString()},
            {"not encoded at all",
             copyFixture(QStringLiteral("garbage.cml")),
             QStringLiteral("Ошибка декодирования.")},
            {"empty file",
             write(QStringLiteral("empty.cml"), QByteArray()),
             QStringLiteral("Ошибка декодирования.")},
            {"altered character",
             write(QStringLiteral("altered.cml"), altered),
             QStringLiteral("Неверная контрольная сумма.")},
            {"another key number",
             write(QStringLiteral("otherkey.cml"), EncodeString(PlainXml, DefinitionFileKey - 1)),
             QStringLiteral("Неверная контрольная сумма.")},
            {"malformed XML",
             write(QStringLiteral("malformed.cml"),
                   EncodeString("<?xml version=\"1.0\"?><Menu><Item></Menu>", DefinitionFileKey)),
             QStringLiteral("XML error")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QDomDocument document;
        document.setContent(QByteArray("<Old/>"));
        EXPECT_FALSE(LoadEncXML(document, c.fileName));
        EXPECT_TRUE(document.documentElement().isNull());
        const QStringList lines = logLinesAbout(c.fileName);
        ASSERT_EQ(lines.size(), 1);
        EXPECT_TRUE(lines[0].contains(QStringLiteral("[EXCEPTION]"))) << lines[0].toStdString();
        EXPECT_TRUE(lines[0].contains(c.message)) << lines[0].toStdString();
    }
}

TEST_F(LoadEncXMLTest, LoadingReplacesThePreviousDocument)
{
    QDomDocument document;
    document.setContent(QByteArray("<Old><Child/></Old>"));
    const QString fileName
            = write(QStringLiteral("menu.cml"), EncodeString(PlainXml, DefinitionFileKey) + "\r\n");
    ASSERT_TRUE(LoadEncXML(document, fileName));
    EXPECT_EQ(document.documentElement().tagName(), QStringLiteral("Menu"));
    EXPECT_EQ(document.childNodes().count(), 2); // the XML declaration and the root
}

} // namespace
