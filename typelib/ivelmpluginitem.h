#pragma once

#include "comtypes.h"
#include "typelib_global.h"

#include <QString>
#include <QUuid>
#include <QVariant>

class ILxParams;
class IVelmApplication;
class IVelmPlugin;

// {35DE7985-C952-4F10-B7F4-1A9D2B65F987}
inline constexpr QUuid IID_IVelmPluginItem{
        0x35DE7985, 0xC952, 0x4F10, 0xB7, 0xF4, 0x1A, 0x9D, 0x2B, 0x65, 0xF9, 0x87};
// {D6963188-1A28-4F74-A37F-3E73ECCD22A6}
inline constexpr QUuid CLSID_VelmPluginItem{
        0xD6963188, 0x1A28, 0x4F74, 0xA3, 0x7F, 0x3E, 0x73, 0xEC, 0xCD, 0x22, 0xA6};

enum class IVelmPluginItemDispid {
    Application = 1,
    Connect = 2,
    Description = 3,
    Guid = 4,
    ProgId = 5,
    Plugin = 6,
    Execute = 7,
    FriendlyName = 8,
    BeforeApplClose = 9,
};

// One registered plug-in of the host's collection.
class VELMTYPELIB_EXPORT IVelmPluginItem : public virtual IVelmUnknown
{
public:
    ~IVelmPluginItem() override;

    virtual IVelmApplication *Application() = 0;
    // Whether the plug-in object exists; setting true creates and initialises it, false
    // releases it. The state changes only when that succeeds.
    virtual bool Connect() const = 0;
    virtual void SetConnect(bool connect) = 0;
    virtual QString Description() const = 0;
    virtual void SetDescription(const QString &description) = 0;
    virtual QUuid Guid() const = 0;
    virtual QString ProgId() const = 0;
    // The plug-in object while connected, else nullptr.
    virtual IVelmPlugin *Plugin() = 0;
    // The plug-in's Execute; LxError "Plugin is not connected." when it is not.
    virtual QVariant Execute(ILxParams *params) = 0;
    virtual QString FriendlyName() const = 0;
    // The plug-in's answer when connected, true otherwise.
    virtual bool BeforeApplClose() = 0;
};

Q_DECLARE_METATYPE(IVelmPluginItem *)
