#pragma once

#include "typelib_global.h"

#include <QObject>
#include <QVariant>

class IVelmPlugin;

// IVelmPlugin for callers that bind by member name. Wraps the interface without owning it.
class VELMTYPELIB_EXPORT VelmPluginObject : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QObject *Application READ Application)

public:
    explicit VelmPluginObject(IVelmPlugin *plugin, QObject *parent = nullptr);

    IVelmPlugin *iface() const { return m_plugin; }

    QObject *Application();

    // appl: a VelmApplicationObject.
    Q_INVOKABLE void Init(QObject *appl);
    // params: a parameter set (LxParamsObject) or null for an empty one.
    Q_INVOKABLE QVariant Execute(QObject *params);
    Q_INVOKABLE bool BeforeApplClose();

private:
    IVelmPlugin *m_plugin;
};
