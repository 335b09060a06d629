#pragma once

#include <ilxparams.h>
#include <ivelmapplication.h>

#include <QDomDocument>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class TfmStudentList;
class TVelmData;
class TVelmPlugins;

// The application object of the host: one per process. It owns the temporary directory, the
// user's settings document and option set, creates the data module, and runs the life cycle
// created -> logged in -> prepared -> unprepared -> destroyed. Plug-ins and other clients
// reach it as IVelmApplication; its members raise LxError on failure.
//
// It counts its references without deleting itself (the program owns it); the count left at
// destruction is logged.
class TVelmApplication : public QObject, public IVelmApplication
{
    Q_OBJECT

public:
    enum class StartMode { Normal, Automation };

    // The questions and messages of the settings load (message boxes by default).
    struct SettingsHooks
    {
        std::function<bool()> ctrlHeld;
        std::function<bool(const QString &question)> ask;
        std::function<void(const QString &message)> inform;
        std::function<void(const QString &message)> error;
    };

    explicit TVelmApplication(StartMode mode = StartMode::Normal, QObject *parent = nullptr);
    ~TVelmApplication() override;

    StartMode Mode() const { return m_mode; }
    bool Prepared() const { return m_prepared; }
    bool LoggedIn() const { return m_loggedIn; }
    QDomDocument &Settings() { return m_settings; }
    TfmStudentList *MainWindow() const;

    int AddRef() override { return ++m_refCount; }
    int Release() override { return --m_refCount; }
    int RefCount() const { return m_refCount; }

    // True when the main window exists and is visible.
    bool Visible() const override;
    // Shows or hides the main window; "Не произведен вход в программу." before a login.
    void SetVisible(bool visible) override;
    // The plug-in collection, from Prepare to Unprepare (null otherwise).
    IVelmPlugins *Plugins() override;
    IVelmApplication *Appl() override { return this; }
    void Log(const QString &message, int level = elInfo) override;
    // False, changing nothing, when a login already succeeded.
    bool Login(const QString &user, const QString &password, bool showLoginDialog = false) override;
    // Ends the run: closes the main window and leaves the message loop.
    void Quit() override;
    // The temporary directory, ending with a path separator.
    QString TempDir() const override;
    // The data object, made on the first request and attached to the register as soon as the
    // main window exists.
    IVelmData *Data() override;
    ILxParams *UserOptions() override { return m_userOptions.get(); }
    void Journal(const QString &msg,
                 const QVariant &mname = {},
                 const QVariant &action = {},
                 int transactionHandle = 0,
                 int parentId = 0) override;
    // Today in current-data mode, the register's status date in history mode.
    QDate CurrentDate() const override;
    // The register's status date (reopens the register when it changes).
    void SetCurrentDate(const QDate &date) override;
    // Writes the option set into the user's record.
    void SaveUserOptions() override;
    // Writes the user's grid colours into the user's record.
    void SaveUserColorSettings() override;
    // Repaints the register and handles the pending window messages.
    void ScreenRefresh() override;

    // Asks the plug-ins whether the main window may close (true without a collection).
    bool PluginsAllowClose();

    // Loads the settings, the option set and the colours, creates the plug-in collection
    // (connecting the plug-ins that load at start) and the main window.
    void Prepare();
    // Releases the plug-ins, destroys the main window, releases the data object, saves the
    // settings and logs out; nothing when not prepared.
    void Unprepare();

    static QString SettingsFileName(const QString &tempDir);
    static QString UserColorSettingsFileName(const QString &tempDir);
    // Loads the user's window settings into the document: with Ctrl held the user may choose
    // the defaults; a missing or broken file is reported and replaced by the defaults.
    static void LoadSettings(QDomDocument &settings,
                             const QString &tempDir,
                             const QString &defaultsFile,
                             const SettingsHooks &hooks);
    static QDomDocument EmptySettings();

    void SetSettingsHooks(const SettingsHooks &hooks) { m_settingsHooks = hooks; }

private:
    void Initialize();
    void LoadUserOptions();
    void LoadFieldRepository();
    void CreatePlugins();
    void ReleasePlugins();
    void ReleaseData();
    TfmStudentList &RequireMainWindow() const;

    StartMode m_mode;
    QString m_tempDir;
    bool m_prepared = false;
    bool m_loggedIn = false;
    QDomDocument m_settings;
    std::unique_ptr<ILxParams> m_userOptions;
    QPointer<TfmStudentList> m_mainWindow;
    TVelmPlugins *m_plugins = nullptr; // one reference while prepared
    TVelmData *m_data = nullptr;       // one reference from the first request to Unprepare
    SettingsHooks m_settingsHooks;
    int m_refCount = 0;
};

// The application object of the process (null before it is created and after it is gone).
extern TVelmApplication *VelmApplication;
