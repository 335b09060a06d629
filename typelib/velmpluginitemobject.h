#pragma once

#include "typelib_global.h"

#include <QObject>
#include <QVariant>

class IVelmPluginItem;

// IVelmPluginItem for callers that bind by member name. Wraps the interface without owning it.
class VELMTYPELIB_EXPORT VelmPluginItemObject : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QObject *Application READ Application)
    Q_PROPERTY(bool Connect READ Connect WRITE SetConnect)
    Q_PROPERTY(QString Description READ Description WRITE SetDescription)
    Q_PROPERTY(QString Guid READ Guid)
    Q_PROPERTY(QString ProgId READ ProgId)
    Q_PROPERTY(QObject *Plugin READ Plugin)
    Q_PROPERTY(QString FriendlyName READ FriendlyName)

public:
    explicit VelmPluginItemObject(IVelmPluginItem *item, QObject *parent = nullptr);

    IVelmPluginItem *iface() const { return m_item; }

    QObject *Application();
    bool Connect() const;
    void SetConnect(bool connect);
    QString Description() const;
    void SetDescription(const QString &description);
    // The class id in braces.
    QString Guid() const;
    QString ProgId() const;
    QObject *Plugin();
    QString FriendlyName() const;

    // params: a parameter set (LxParamsObject) or null for an empty one.
    Q_INVOKABLE QVariant Execute(QObject *params);
    Q_INVOKABLE bool BeforeApplClose();

private:
    IVelmPluginItem *m_item;
};
