#pragma once

#include "comtypes.h"
#include "typelib_global.h"

#include <QObject>
#include <QUuid>

// The root object of a plug-in library (its Qt plug-in instance): creates the library's one
// class of objects.
class VELMTYPELIB_EXPORT IVelmClassFactory
{
public:
    virtual ~IVelmClassFactory();

    // The class id of the objects it creates, as in the library's manifest.
    virtual QUuid ClassId() const = 0;
    // A new object holding one reference that the caller owns and releases.
    virtual IVelmUnknown *CreateInstance() = 0;
};

#define IVelmClassFactory_iid "org.velmor.IVelmClassFactory/1.0"
Q_DECLARE_INTERFACE(IVelmClassFactory, IVelmClassFactory_iid)
