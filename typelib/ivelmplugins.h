#pragma once

#include "comtypes.h"
#include "typelib_global.h"

#include <QVariant>

class IVelmApplication;
class IVelmPluginItem;

// {ADEE686C-44C7-4E01-A0F1-B10355CA5955}
inline constexpr QUuid IID_IVelmPlugins{
        0xADEE686C, 0x44C7, 0x4E01, 0xA0, 0xF1, 0xB1, 0x03, 0x55, 0xCA, 0x59, 0x55};
// {9347F96B-6C8A-491F-A9AB-F57FFE532875}
inline constexpr QUuid CLSID_VelmPlugins{
        0x9347F96B, 0x6C8A, 0x491F, 0xA9, 0xAB, 0xF5, 0x7F, 0xFE, 0x53, 0x28, 0x75};

enum class IVelmPluginsDispid {
    NewEnum = -4,
    Count = 1,
    Init = 2,
    Item = 3,
    Update = 4,
    BeforeApplClose = 5,
    Application = 9,
};

// The host's collection of registered plug-ins.
class VELMTYPELIB_EXPORT IVelmPlugins : public virtual IVelmUnknown
{
public:
    ~IVelmPlugins() override;

    virtual int Count() = 0;
    virtual void Init(IVelmApplication *appl) = 0;
    // A string index finds the first item of that FriendlyName (LxError when none); any other
    // index is a 0-based position.
    virtual IVelmPluginItem *Item(const QVariant &index) = 0;
    virtual IVelmApplication *Application() = 0;
    // The collection's own enumeration; its items are QVariant::fromValue<IVelmPluginItem *>
    // (see ivelmpluginitem.h).
    virtual IEnumVariant *NewEnum() = 0;
    // Reads the plug-in registrations.
    virtual void Update() = 0;
    // Asks the items from the last to the first; the first refusal answers false.
    virtual bool BeforeApplClose() = 0;
};
