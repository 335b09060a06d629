#pragma once

#include "typelib_global.h"

#include <QObject>
#include <QVariant>

class IVelmData;

// IVelmData for callers that bind by member name. Wraps the interface without owning it.
class VELMTYPELIB_EXPORT VelmDataObject : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString UserName READ UserName)
    Q_PROPERTY(QString Password READ Password)
    Q_PROPERTY(QString DBName READ DBName)
    Q_PROPERTY(bool IsEmpty READ IsEmpty)

public:
    explicit VelmDataObject(IVelmData *data, QObject *parent = nullptr);

    IVelmData *iface() const { return m_data; }

    QString UserName();
    QString Password();
    QString DBName();
    bool IsEmpty();

    Q_INVOKABLE void Refresh(bool fullRefresh);
    Q_INVOKABLE QVariant GetData(const QString &fieldName);
    Q_INVOKABLE bool Locate(const QVariant &id);
    Q_INVOKABLE int GetSelCount();
    Q_INVOKABLE QString GetSelectedList(const QString &fieldName,
                                        const QString &delimiter = QString());
    Q_INVOKABLE QString GetSQL(const QString &fields, int historyMode = 0, int maxRecords = -1);
    Q_INVOKABLE QString GetAliasForField(const QString &fieldName, int historyMode = 0);
    Q_INVOKABLE int FillSelectedList(int transactionHandle);

private:
    IVelmData *m_data;
};
