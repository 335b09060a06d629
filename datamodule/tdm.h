#pragma once

#include "velmdm_global.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

class QDomElement;
class TLxImageList;

namespace fb {
class Database;
class DataSet;
class Query;
class Transaction;
} // namespace fb

// The data module of the process: the one database connection that the host and every plug-in
// share, the login, the user's rights and settings, the journal, named parameters and single
// statements. The host creates the one instance (CreateDM) and destroys it (DestroyDM); every
// other module reaches it through DM.
class VELMDM_EXPORT TDM : public QObject
{
    Q_OBJECT

public:
    // Plays the login dialog: gets the user name and password to show, returns false when the
    // user cancels, otherwise the values to try. The default shows TfmLogin.
    using LoginDialogFunc = std::function<bool(QString &user, QString &password)>;
    // Shows an error to the user (already translated). The default is MsgError.
    using ErrorBoxFunc = std::function<void(const QString &message)>;

    explicit TDM(QObject *parent = nullptr);
    ~TDM() override;

    // Components (plug-ins reach some of them directly).
    fb::Database *DB = nullptr;
    fb::Transaction *Tran = nullptr;      // default transaction of DB
    fb::Transaction *UsersTran = nullptr; // the user record and the rights
    fb::Transaction *JTran = nullptr;     // the journal
    fb::DataSet *dsUsers = nullptr;       // the connected user's record
    fb::DataSet *dsRights = nullptr;      // rights rows of the user and his groups
    fb::DataSet *dsParameters = nullptr;  // the PARAMETERS table
    fb::Query *qrJournal_Login = nullptr;
    fb::Query *qrJournal_Logout = nullptr;
    fb::Query *qrJournal_Actions_Ins = nullptr;
    TLxImageList *ilImages = nullptr; // shared tool-bar and menu images (BinPath's images.bmp)

    // State of the login.
    QString UserName;
    QString Password;
    bool Personal = false;     // a local database file opened without a server
    QString TempDir;           // given by the host; ends with a path separator
    QStringList AllRights;     // every action name that rights.cml governs
    QStringList AllowedRights; // sorted, no duplicates (case-insensitive)
    bool RightsLoaded = false;
    qint64 JournalID = 0;

    // Connects, writes the login's journal row, the user's settings files and loads the rights.
    bool Login(const QString &user, const QString &password, bool showDialog);
    // Stores the user's settings, closes the journal row and disconnects (nothing when not
    // connected).
    void Logout();
    // (Re)connects DB as this user; on failure shows the error when asked and returns false.
    bool TryConnect(const QString &user, const QString &password, bool showError);
    bool HasRight(const QString &actionName) const;
    void UpdateRights();
    // Writes the user's SETTINGS and COLORSETTINGS blobs to TempDir's Velmor5.xml and
    // UserColorSettings.xml.
    void PrepareUserParams();
    // Writes a JOURNAL_ACTIONS row and returns its ID. With a transaction handle the row is
    // written in that (the caller's) transaction and commits or rolls back with it; otherwise
    // in JTran, committed at once. A failure raises.
    qint64 Journal(const QString &msg,
                   const QVariant &mName = {},
                   const QVariant &action = {},
                   int transactionHandle = 0,
                   qint64 parentId = 0);
    // Runs one statement in the given transaction (left as it is) or in an own one (committed).
    bool ExecuteSQL(fb::Transaction *transaction, const QString &sql, bool showError);
    // The value of a parameter of the PARAMETERS table; raises when there is none.
    QString GetParameter(const QString &name);
    // Copies a local database file into the backup folder, keeping BackupCount copies.
    void DoBackup();

    // The user's record blobs (empty when not logged in or null).
    QByteArray UserOptionsBlob() const;
    QByteArray UserColorSettingsBlob() const;
    // Writes the blob into the user's record and commits UsersTran with retaining.
    void SaveUserOptionsBlob(const QByteArray &data);
    void SaveUserColorSettingsBlob(const QByteArray &data);

    // Replaces the login dialog (tests play it); a null function brings back TfmLogin.
    static void SetLoginDialog(LoginDialogFunc dialog);
    // Replaces the error box of the login and of a lost connection; null brings back MsgError.
    static void SetErrorBox(ErrorBoxFunc box);

    // The database name Login connects to, from ServerName and DBName of the product key;
    // personal is set for the server name "$Personal" (any case).
    static QString DatabaseNameFromRegistry(bool &personal);

signals:
    // The connection was lost; the application is told to quit after the error box.
    void lostConnection(const QString &message);

private:
    void DataModuleCreate();
    void DataModuleDestroy();
    void dsUsersBeforeOpen();
    void DBLostConnect(const QString &message);
    void CloseDataSets();
    void ApplyRightsRows(const QDomElement &actions);
    QVariant UserField(const QString &field) const;
    void SaveUserField(const QString &field, const QByteArray &data, bool commit);
};

// The data module of the process; null before CreateDM and after DestroyDM.
VELMDM_EXPORT extern TDM *DM;
// Creates DM (once per process; a second call returns the existing instance).
VELMDM_EXPORT TDM *CreateDM();
// Destroys DM (logging out first when still connected).
VELMDM_EXPORT void DestroyDM();
