#include "pluginfixture.h"

#include "fmstudentlist.h"

#include <dataset.h>
#include <lxlog.h>
#include <tdm.h>

#include <QDir>
#include <QFile>

TestLog::TestLog()
    : m_previousLevel(DebugLevel)
{
    SetLogFileName(QDir(m_dir.path()).filePath("test.log"));
    DebugLevel = elInfo;
}

TestLog::~TestLog()
{
    DebugLevel = m_previousLevel;
    SetLogFileName(QString());
}

QString TestLog::Text() const
{
    QFile file(QDir(m_dir.path()).filePath("test.log"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

QStringList TestLog::Lines(const QString &containing) const
{
    QStringList lines;
    for (const QString &line : Text().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        if (line.contains(containing))
            lines << line;
    return lines;
}

void RegisterFixture::SetUp()
{
    m_registry.SetPersonalInstallation(m_db.path(), m_options.path());
    for (const char *file : {"fields.xml", "DefaultSettings.xml", "ColorSettings.xml"})
        ASSERT_TRUE(QFile::copy(QStringLiteral(VELMOR_SOURCE_DIR "/installation/options/") + file,
                                m_options.filePath(file)));
    const QString menu = QStringLiteral(VELMOR_BIN_DIR "/../options/userinterface.cml");
    if (QFile::exists(menu))
        QFile::copy(menu, m_options.filePath("userinterface.cml"));
    m_db.run("insert into SEC_USERSGROUPS (UGID, UGNAME, RTYPE, PASSWD) values "
             "(1, 'SYSDBA', 'U', 'bWFzdGVya2V5')"); // Base64 of "masterkey"
    const char *names[] = {"Андреев", "Борисов", "Васильев", "Григорьев", "Дмитриев"};
    for (int i = 0; i < 5; ++i)
        m_db.run(QStringLiteral("insert into STUDENTS (STUDENTID, FIO, GROUPNUM, OWNER) "
                                "values (%1, '%2', '21', 'SYSDBA')")
                         .arg(101 + i)
                         .arg(QString::fromUtf8(names[i])));
}

void RegisterFixture::TearDown()
{
    m_application.Unprepare();
}

void RegisterFixture::start()
{
    ASSERT_NO_FATAL_FAILURE(login());
    ASSERT_NO_FATAL_FAILURE(prepare());
}

void RegisterFixture::login()
{
    TDM::SetErrorBox([](const QString &message) { ADD_FAILURE() << message.toStdString(); });
    TDM::SetLoginDialog([](QString &, QString &) { return false; });
    ASSERT_TRUE(m_application.Login("SYSDBA", "masterkey", false));
}

void RegisterFixture::prepare()
{
    TVelmApplication::SettingsHooks hooks;
    hooks.ctrlHeld = [] { return false; };
    hooks.inform = [](const QString &) {};
    hooks.error = [](const QString &message) { ADD_FAILURE() << message.toStdString(); };
    m_application.SetSettingsHooks(hooks);
    m_application.Prepare();
    m_window = m_application.MainWindow();
    ASSERT_NE(m_window, nullptr);
    ASSERT_TRUE(m_window->Students()->isOpen());
}
