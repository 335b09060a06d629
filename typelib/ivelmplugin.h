#pragma once

#include "comtypes.h"
#include "typelib_global.h"

#include <QVariant>

class ILxParams;
class IVelmApplication;

// {FAD87AD9-4B3A-4098-B924-377DC08A73AD}
inline constexpr QUuid IID_IVelmPlugin{
        0xFAD87AD9, 0x4B3A, 0x4098, 0xB9, 0x24, 0x37, 0x7D, 0xC0, 0x8A, 0x73, 0xAD};

enum class IVelmPluginDispid {
    Execute = 2,
    Init = 3,
    Application = 4,
    BeforeApplClose = 5,
};

// The interface every plug-in object implements.
class VELMTYPELIB_EXPORT IVelmPlugin : public virtual IVelmUnknown
{
public:
    ~IVelmPlugin() override;

    // Stores the host's application object for the plug-in library, replacing a previous one.
    virtual void Init(IVelmApplication *appl) = 0;
    virtual IVelmApplication *Application() = 0;
    // Runs the command named by the entry "Action": true when carried out or started, false
    // when not handled. Failures throw LxError.
    virtual QVariant Execute(ILxParams *params) = 0;
    // Whether the host may close now.
    virtual bool BeforeApplClose() = 0;
};
