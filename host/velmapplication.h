#pragma once

#include <ilxparams.h>

#include <QDomDocument>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class TfmStudentList;

// The application object of the host: one per process. It owns the temporary directory, the
// user's settings document and option set, creates the data module, and runs the life cycle
// created -> logged in -> prepared -> unprepared -> destroyed.
class TVelmApplication : public QObject
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
    QString TempDir() const { return m_tempDir; }
    bool Prepared() const { return m_prepared; }
    bool LoggedIn() const { return m_loggedIn; }
    QDomDocument &Settings() { return m_settings; }
    ILxParams *UserOptions() const { return m_userOptions.get(); }
    TfmStudentList *MainWindow() const { return m_mainWindow; }

    // Reference count of the object model's holders; logged when the object is destroyed.
    int AddRef() { return ++m_refCount; }
    int Release() { return --m_refCount; }
    int RefCount() const { return m_refCount; }

    // False, changing nothing, when a login already succeeded.
    bool Login(const QString &user, const QString &password, bool showLoginDialog);
    // Loads the settings, the option set and the colours and creates the main window.
    void Prepare();
    // Destroys the main window, saves the settings and logs out; nothing when not prepared.
    void Unprepare();
    // Ends the run: closes the main window and leaves the message loop.
    void Quit();

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

    StartMode m_mode;
    QString m_tempDir;
    bool m_prepared = false;
    bool m_loggedIn = false;
    QDomDocument m_settings;
    std::unique_ptr<ILxParams> m_userOptions;
    QPointer<TfmStudentList> m_mainWindow;
    SettingsHooks m_settingsHooks;
    int m_refCount = 0;
};

// The application object of the process (null before it is created and after it is gone).
extern TVelmApplication *VelmApplication;
