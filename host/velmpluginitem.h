#pragma once

#include <ivelmpluginitem.h>

#include <QString>
#include <QUuid>

class IVelmApplication;
class IVelmPlugin;

// One plug-in of the registry below the plug-ins key: the subkey's name is the plug-in's ProgID
// or its class id in braces; the subkey holds LoadBehavior (required; 3 connects at once) and
// FriendlyName. Connecting creates the plug-in object through the class registry and hands it
// the application object; the item owns the object while connected.
//
// Reference counted: it starts at 0 and deletes itself when Release brings the count back to 0;
// destruction disconnects the plug-in.
class TVelmPluginItem : public IVelmPluginItem
{
public:
    // Reads the registration; raises LxError when the name is neither a class id nor a
    // registered ProgID, when LoadBehavior is missing or not a number, or when a plug-in that
    // loads at start cannot be connected.
    TVelmPluginItem(IVelmApplication *application, const QString &subkey);
    ~TVelmPluginItem() override;

    TVelmPluginItem(const TVelmPluginItem &) = delete;
    TVelmPluginItem &operator=(const TVelmPluginItem &) = delete;

    int AddRef() override;
    int Release() override;

    IVelmApplication *Application() override { return m_application; }
    bool Connect() const override { return m_plugin != nullptr; }
    void SetConnect(bool connect) override;
    QString Description() const override { return m_description; }
    void SetDescription(const QString &description) override { m_description = description; }
    QUuid Guid() const override { return m_guid; }
    QString ProgId() const override { return m_progId; }
    IVelmPlugin *Plugin() override { return m_plugin; }
    QVariant Execute(ILxParams *params) override;
    QString FriendlyName() const override { return m_friendlyName; }
    bool BeforeApplClose() override;

    int LoadBehavior() const { return m_loadBehavior; }

private:
    void readRegistration();
    void connectPlugin();
    void disconnectPlugin();

    IVelmApplication *m_application;
    QString m_progId;
    QUuid m_guid;
    int m_loadBehavior = 0;
    QString m_friendlyName;
    QString m_description;
    IVelmPlugin *m_plugin = nullptr;
    int m_refCount = 0;
};
