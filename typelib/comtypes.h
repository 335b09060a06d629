#pragma once

#include "typelib_global.h"

#include <QUuid>
#include <QVariant>
#include <QVariantList>

// The calling conventions shared by every interface of the object model.
//
// Failures: every interface member reports a failure by throwing LxError with the message
// meant for the user; callers catch it and show or log it. The HRESULT codes below are only
// the results of calls that succeed in more than one way (Invoke, the enumerator) or that
// answer "no such member".
//
// Lifetime: objects that count their references (plug-in objects, enumerator clones) start
// with whatever count their factory gives them and delete themselves when Release brings the
// count to 0. Interface pointers returned by getters (Application, Plugins, Data, Item, Plugin)
// are borrowed: the callee keeps them alive at least as long as itself and the caller does not
// release them. Pointers returned by IVelmClassFactory::CreateInstance and IEnumVariant::Clone
// carry one reference that the caller owns and releases.

using HRESULT = qint32;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = static_cast<HRESULT>(0x80020003u);

inline constexpr bool Succeeded(HRESULT result)
{
    return result >= 0;
}

// The ids under which any object answers as IVelmUnknown and IVelmDispatch.
// {00000000-0000-0000-C000-000000000046}
inline constexpr QUuid IID_IVelmUnknown{
        0x00000000, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
// {00020400-0000-0000-C000-000000000046}
inline constexpr QUuid IID_IVelmDispatch{
        0x00020400, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

// How a member is called through IVelmDispatch::Invoke.
enum class InvokeKind { Method, PropertyGet, PropertyPut };

// The root of every reference-counted object of the object model.
class VELMTYPELIB_EXPORT IVelmUnknown
{
public:
    virtual ~IVelmUnknown();
    // Both return the new count; an object that does not count answers a constant.
    virtual int AddRef() = 0;
    virtual int Release() = 0;
};

// Late-bound calls by dispid; the object model delivers its events through it.
class VELMTYPELIB_EXPORT IVelmDispatch : public virtual IVelmUnknown
{
public:
    ~IVelmDispatch() override;
    // S_OK when the member ran (result, when not null, receives its value),
    // DISP_E_MEMBERNOTFOUND for an unknown dispid; a failing member throws LxError.
    virtual HRESULT Invoke(int dispid, InvokeKind kind, const QVariantList &args, QVariant *result)
            = 0;
};

// One outgoing interface of a source object, with the sinks connected to it.
class VELMTYPELIB_EXPORT IConnectionPoint
{
public:
    virtual ~IConnectionPoint();
    // The id of the events interface the sinks receive.
    virtual QUuid GetConnectionInterface() const = 0;
    // Connects a sink and returns its cookie (never 0); throws LxError for a null sink.
    virtual quint32 Advise(IVelmDispatch *sink) = 0;
    // Disconnects the sink of that cookie; throws LxError for a cookie not connected.
    virtual void Unadvise(quint32 cookie) = 0;
};

// A source object that offers events through connection points.
class VELMTYPELIB_EXPORT IConnectionPointContainer
{
public:
    virtual ~IConnectionPointContainer();
    // The connection point of that events interface, or nullptr when there is none. The point
    // belongs to the container.
    virtual IConnectionPoint *FindConnectionPoint(const QUuid &iid) = 0;
};

// {B196B284-BAB4-101A-B69C-00AA00341D07}
inline constexpr QUuid IID_IConnectionPointContainer{
        0xB196B284, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07};

// An enumeration with one cursor over a sequence of variants.
class VELMTYPELIB_EXPORT IEnumVariant : public virtual IVelmUnknown
{
public:
    ~IEnumVariant() override;
    // Appends up to count items from the cursor on to items and advances the cursor past them:
    // S_OK when count items were given, S_FALSE when fewer.
    virtual HRESULT Next(int count, QVariantList &items) = 0;
    // Advances the cursor by count: S_OK, or S_FALSE when that passes the end (the cursor then
    // stands at the end).
    virtual HRESULT Skip(int count) = 0;
    // Puts the cursor before the first item.
    virtual void Reset() = 0;
    // A new enumeration over the same items with its cursor at the start; the caller owns one
    // reference to it.
    virtual IEnumVariant *Clone() = 0;
};
