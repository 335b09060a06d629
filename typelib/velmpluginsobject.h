#pragma once

#include "typelib_global.h"

#include <QObject>
#include <QVariant>

class IVelmPlugins;

// IVelmPlugins for callers that bind by member name. Wraps the interface without owning it.
class VELMTYPELIB_EXPORT VelmPluginsObject : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int Count READ Count)
    Q_PROPERTY(QObject *Application READ Application)

public:
    explicit VelmPluginsObject(IVelmPlugins *plugins, QObject *parent = nullptr);

    IVelmPlugins *iface() const { return m_plugins; }

    int Count();
    QObject *Application();

    // The item of that FriendlyName (a string) or position (a number).
    Q_INVOKABLE QObject *Item(const QVariant &index);
    Q_INVOKABLE void Update();
    Q_INVOKABLE bool BeforeApplClose();

private:
    IVelmPlugins *m_plugins;
};
