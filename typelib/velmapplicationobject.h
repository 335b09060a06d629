#pragma once

#include "typelib_global.h"

#include <lxlog.h>

#include <QDate>
#include <QObject>
#include <QVariant>

class IVelmApplication;

// IVelmApplication for callers that bind by member name (scripts, templates). Wraps the
// interface without owning it; the interfaces it returns come as their own faces.
class VELMTYPELIB_EXPORT VelmApplicationObject : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(QObject *Plugins READ Plugins)
    Q_PROPERTY(QObject *Appl READ Appl)
    Q_PROPERTY(QString TempDir READ TempDir)
    Q_PROPERTY(QObject *Data READ Data)
    Q_PROPERTY(QObject *UserOptions READ UserOptions)
    Q_PROPERTY(QDate CurrentDate READ CurrentDate WRITE SetCurrentDate)

public:
    explicit VelmApplicationObject(IVelmApplication *appl, QObject *parent = nullptr);

    IVelmApplication *iface() const { return m_appl; }

    bool Visible() const;
    void SetVisible(bool visible);
    QObject *Plugins();
    QObject *Appl();
    QString TempDir() const;
    QObject *Data();
    QObject *UserOptions();
    QDate CurrentDate() const;
    void SetCurrentDate(const QDate &date);

    Q_INVOKABLE void Log(const QString &message, int level = elInfo);
    Q_INVOKABLE bool
    Login(const QString &user, const QString &password, bool showLoginDialog = false);
    Q_INVOKABLE void Quit();
    Q_INVOKABLE void Journal(const QString &msg,
                             const QVariant &mname = {},
                             const QVariant &action = {},
                             int transactionHandle = 0,
                             int parentId = 0);
    Q_INVOKABLE void SaveUserOptions();
    Q_INVOKABLE void SaveUserColorSettings();
    Q_INVOKABLE void ScreenRefresh();

private:
    IVelmApplication *m_appl;
};
