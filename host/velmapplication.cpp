#include "velmapplication.h"

#include "colorsettings.h"
#include "commandline.h"
#include "fmsplash.h"
#include "fmstudentlist.h"
#include "studentgrid.h"
#include "textformat.h"
#include "velmdata.h"
#include "velmplugins.h"

#include <colorgridutils.h>
#include <fieldutils.h>
#include <lxerror.h>
#include <lxlog.h>
#include <lxnls.h>
#include <lxutils.h>
#include <tdm.h>
#include <velmutils.h>
#include <windows1251xml.h>

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

TVelmApplication *VelmApplication = nullptr;

namespace {

const char kSettingsFile[] = "Velmor5.xml";
const char kUserColorSettingsFile[] = "UserColorSettings.xml";

TVelmApplication::SettingsHooks withDefaults(TVelmApplication::SettingsHooks hooks)
{
    if (!hooks.ctrlHeld)
        hooks.ctrlHeld = [] {
            return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier);
        };
    if (!hooks.ask)
        hooks.ask = [](const QString &question) { return MsgConfirmation(question); };
    if (!hooks.inform)
        hooks.inform = [](const QString &message) { MsgInformation(message); };
    if (!hooks.error)
        hooks.error = [](const QString &message) { MsgError(message); };
    return hooks;
}

// Copies the defaults over the settings file; raises naming the files when that fails.
void copyDefaults(const QString &defaultsFile, const QString &settingsFile)
{
    if (!QFileInfo(defaultsFile).isFile())
        throw LxError(
                FormatText(LxTr("Файл настроек по умолчанию \"%s\" не найден."), {defaultsFile}));
    QFile::remove(settingsFile);
    if (!QFile::copy(defaultsFile, settingsFile))
        throw LxError(QStringLiteral("%1 -> %2: %3")
                              .arg(defaultsFile,
                                   settingsFile,
                                   LxTr("Не удалось скопировать настройки по умолчанию")));
    QFile::setPermissions(settingsFile, QFile::ReadOwner | QFile::WriteOwner);
}

} // namespace

TVelmApplication::TVelmApplication(StartMode mode, QObject *parent)
    : QObject(parent)
    , m_mode(mode)
{
    VelmApplication = this;
    Initialize();
}

TVelmApplication::~TVelmApplication()
{
    ::Log(QStringLiteral("Start application destroying"), elInfo);
    try {
        Unprepare();
    } catch (const std::exception &error) {
        ::Log(QString::fromLocal8Bit(error.what()), elAppException);
    }
    DestroyDM();
    if (!m_tempDir.isEmpty())
        ClearDir(m_tempDir, true);
    ::Log(QStringLiteral("End application destroying. RefCount=") + QString::number(m_refCount),
          m_refCount != 0 ? elError : elInfo);
    if (VelmApplication == this)
        VelmApplication = nullptr;
}

void TVelmApplication::Initialize()
{
    ::Log(QStringLiteral("Start application initializing"), elInfo);
    m_prepared = false;
    m_loggedIn = false;
    m_tempDir = CreateTempDir(QStringLiteral("velm"));
    m_userOptions = CoLxParams::Create();
    m_settings = EmptySettings();
    ::Log(QStringLiteral("Start datamodule initializing"), elInfo);
    CreateDM();
    DM->TempDir = m_tempDir;
    ::Log(QStringLiteral("End datamodule initializing"), elInfo);
    ::Log(QStringLiteral("End application initializing"), elInfo);
}

QDomDocument TVelmApplication::EmptySettings()
{
    QDomDocument document;
    document.appendChild(document.createProcessingInstruction(
            QStringLiteral("xml"), QStringLiteral("version=\"1.0\" encoding=\"windows-1251\"")));
    document.appendChild(document.createElement(QStringLiteral("Props")));
    return document;
}

bool TVelmApplication::Login(const QString &user, const QString &password, bool showLoginDialog)
{
    if (m_loggedIn)
        return false;
    m_loggedIn = DM->Login(user, password, showLoginDialog);
    return m_loggedIn;
}

QString TVelmApplication::SettingsFileName(const QString &tempDir)
{
    return QDir(tempDir).filePath(QLatin1String(kSettingsFile));
}

QString TVelmApplication::UserColorSettingsFileName(const QString &tempDir)
{
    return QDir(tempDir).filePath(QLatin1String(kUserColorSettingsFile));
}

void TVelmApplication::LoadSettings(QDomDocument &settings,
                                    const QString &tempDir,
                                    const QString &defaultsFile,
                                    const SettingsHooks &givenHooks)
{
    const SettingsHooks hooks = withDefaults(givenHooks);
    const QString settingsFile = SettingsFileName(tempDir);
    if (hooks.ctrlHeld()) {
        SplashVisible(false);
        if (hooks.ask(LxTr("Хотите использовать настройки по умолчанию?")))
            copyDefaults(defaultsFile, settingsFile);
        SplashVisible(true);
    }
    try {
        Windows1251Xml::load(settings, settingsFile);
    } catch (const LxError &error) {
        ::Log(error.message(), elAppException);
        // A stay-on-top splash would cover the box and the start would seem to hang.
        SplashVisible(false);
        hooks.inform(LxTr("Файл настроек отсутствует или повреждён. \r\n"
                          "Будут использованы настройки по умолчанию."));
        SplashVisible(true);
        copyDefaults(defaultsFile, settingsFile);
        Windows1251Xml::load(settings, settingsFile);
    }
}

void TVelmApplication::LoadUserOptions()
{
    m_userOptions->Clear();
    QByteArray blob = DM->UserOptionsBlob();
    if (blob.isEmpty())
        return;
    QBuffer stream(&blob);
    stream.open(QIODevice::ReadOnly);
    try {
        m_userOptions->LoadFromStream(stream);
    } catch (const LxError &error) {
        // The stored set stays in the database untouched; this run goes on without it.
        ::Log(QStringLiteral("User options: ") + error.message(), elAppException);
        m_userOptions->Clear();
    }
}

void TVelmApplication::Prepare()
{
    ::Log(QStringLiteral("Start application preparing"), elInfo);
    LoadSettings(
            m_settings,
            m_tempDir,
            GetFullFileName(QStringLiteral("OptionsPath"), QStringLiteral("DefaultSettings.xml")),
            m_settingsHooks);
    LoadUserOptions();
    LoadColorSettings(
            GetFullFileName(QStringLiteral("OptionsPath"), QStringLiteral("ColorSettings.xml")),
            UserColorSettingsFileName(m_tempDir));
    LoadFieldRepository();
    SplashStatus(QStringLiteral("Загрузка модулей"));
    CreatePlugins();
    if (!m_mainWindow) {
        SplashStatus(QStringLiteral("Создание главного окна"));
        m_mainWindow = new TfmStudentList();
    }
    // A plug-in connected at start may have asked for the data object before the register
    // existed; it follows the register from now on.
    if (m_data && !m_data->Attached())
        m_data->Attach(m_mainWindow);
    m_prepared = true;
    ::Log(QStringLiteral("End application preparing"), elInfo);
}

void TVelmApplication::LoadFieldRepository()
{
    try {
        LoadFieldsRep(GetFullFileName(QStringLiteral("OptionsPath"), QStringLiteral("fields.xml")));
    } catch (const LxError &error) {
        // Without the fields the register cannot be built; the rest of the program still works.
        ::Log(error.message(), elAppException);
        SplashVisible(false);
        withDefaults(m_settingsHooks).error(error.message());
        SplashVisible(true);
    }
}

void TVelmApplication::Unprepare()
{
    if (!m_prepared)
        return;
    ::Log(QStringLiteral("Start application unpreparing"), elInfo);
    ReleasePlugins();
    // The register is torn down without raising the data object's events any more.
    if (m_data)
        m_data->Detach();
    delete m_mainWindow.data();
    FreeFieldsRep();
    m_userOptions->Clear();
    ReleaseData();
    Windows1251Xml::save(m_settings, SettingsFileName(m_tempDir));
    if (DM)
        DM->Logout();
    m_prepared = false;
    ::Log(QStringLiteral("End application unpreparing"), elInfo);
}

void TVelmApplication::Quit()
{
    if (m_mainWindow && m_mainWindow->isVisible())
        QMetaObject::invokeMethod(m_mainWindow.data(), &QWidget::close, Qt::QueuedConnection);
    if (QCoreApplication::instance())
        QMetaObject::invokeMethod(
                QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
}

void TVelmApplication::CreatePlugins()
{
    if (m_plugins)
        return;
    m_plugins = new TVelmPlugins;
    m_plugins->AddRef();
    m_plugins->Init(this);
    m_plugins->Update();
}

void TVelmApplication::ReleasePlugins()
{
    if (TVelmPlugins *plugins = std::exchange(m_plugins, nullptr))
        plugins->Release();
}

void TVelmApplication::ReleaseData()
{
    if (TVelmData *data = std::exchange(m_data, nullptr)) {
        data->Detach();
        data->Release();
    }
}

TfmStudentList &TVelmApplication::RequireMainWindow() const
{
    if (!m_mainWindow)
        throw LxError(LxTr("Главное окно программы не создано."));
    return *m_mainWindow;
}

bool TVelmApplication::Visible() const
{
    return m_mainWindow && m_mainWindow->isVisible();
}

void TVelmApplication::SetVisible(bool visible)
{
    if (!m_loggedIn)
        throw LxError(LxTr("Не произведен вход в программу."));
    if (m_mainWindow)
        m_mainWindow->setVisible(visible);
}

TfmStudentList *TVelmApplication::MainWindow() const
{
    return m_mainWindow;
}

bool TVelmApplication::PluginsAllowClose()
{
    return !m_plugins || m_plugins->BeforeApplClose();
}

IVelmPlugins *TVelmApplication::Plugins()
{
    return m_plugins;
}

void TVelmApplication::Log(const QString &message, int level)
{
    ::Log(message, TErrorLevels(qBound(int(elFatalError), level, int(elInfo))));
}

QString TVelmApplication::TempDir() const
{
    if (m_tempDir.isEmpty() || m_tempDir.endsWith(QLatin1Char('/')))
        return m_tempDir;
    return m_tempDir + QLatin1Char('/');
}

IVelmData *TVelmApplication::Data()
{
    if (!m_data) {
        m_data = new TVelmData;
        m_data->AddRef();
    }
    // Plug-ins connected at start may ask before the register exists; it attaches later.
    if (!m_data->Attached() && m_mainWindow)
        m_data->Attach(m_mainWindow);
    return m_data;
}

void TVelmApplication::Journal(const QString &msg,
                               const QVariant &mname,
                               const QVariant &action,
                               int transactionHandle,
                               int parentId)
{
    if (!DM)
        throw LxError(LxTr("Не произведен вход в программу."));
    DM->Journal(msg, mname, action, transactionHandle, parentId);
}

QDate TVelmApplication::CurrentDate() const
{
    const TfmStudentList &window = RequireMainWindow();
    return window.LastData() ? QDate::currentDate() : window.StatusDate();
}

void TVelmApplication::SetCurrentDate(const QDate &date)
{
    RequireMainWindow().SetStatusDate(date);
}

void TVelmApplication::SaveUserOptions()
{
    if (!DM || !m_loggedIn)
        throw LxError(LxTr("Не произведен вход в программу."));
    DM->SaveUserOptionsBlob(m_userOptions->SaveToBytes());
}

void TVelmApplication::SaveUserColorSettings()
{
    if (!DM || !m_loggedIn)
        throw LxError(LxTr("Не произведен вход в программу."));
    DM->SaveUserColorSettingsBlob(XmlUserColorSettings.toByteArray());
}

void TVelmApplication::ScreenRefresh()
{
    if (!m_mainWindow)
        return;
    if (TStudentGrid *grid = m_mainWindow->Grid())
        grid->viewport()->repaint();
    QCoreApplication::processEvents();
}
