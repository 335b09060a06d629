#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace fb {
class Database;
class Transaction;
} // namespace fb

// The build number of a version text: its fourth word, words being separated by blanks and
// dots (empty words skipped); -1 when there is no fourth word or it is not a number.
int BuildNumber(const QString &version);

// Compares the installed build (registry "Version") with the newest row of CLIENT_UPDATES.
//
// A database with a newer build first hands over every waiting updater row (written as
// velmupdate into UpdaterDir and its version into the registry, one row at a time) and then
// starts BinPath's velmupdate with the user's credentials. Run() is true when the program may
// go on.
class TVersionCheck
{
public:
    struct Hooks
    {
        std::function<bool(const QString &question)> ask;
        std::function<void(const QString &message)> error;
        // Starts a program without waiting; false when it cannot be started.
        std::function<bool(const QString &program, const QStringList &arguments)> start;
    };

    TVersionCheck(fb::Database &database, fb::Transaction &transaction);

    void SetCredentials(const QString &user, const QString &password);
    // Without asking (the "UPD" switch).
    void SetAskBeforeUpdate(bool ask) { m_ask = ask; }
    // Where a new updater is written; the host executable's own directory by default.
    void SetUpdaterDir(const QString &dir) { m_updaterDir = dir; }
    // Message boxes and QProcess::startDetached by default.
    void SetHooks(const Hooks &hooks);

    // Errors (database, registry, files) are shown through the error hook and give false.
    bool Run();

private:
    enum class Step { GoOn, Stop, Again };

    Step pass(bool repeated);
    // Writes the first updater row newer than the bound; false when that row is a package.
    bool updateUpdater(int newerThan, int &updaterBuild);
    bool startUpdater();

    fb::Database &m_database;
    fb::Transaction &m_transaction;
    QString m_user;
    QString m_password;
    bool m_ask = true;
    QString m_updaterDir;
    Hooks m_hooks;
    int m_bound = -1; // rows up to this build are handled in this run
};

// The check of a normal start on the data module's connection and login.
bool CheckVersion(bool askBeforeUpdate);
