#pragma once

#include <ilxparams.h>

#include <QObject>
#include <QVariant>

// Helpers of the QObject faces: one face per wrapped interface pointer, kept as a child of the
// face that handed it out, so a script asking twice gets the same object.
namespace FaceUtils {

template<class Face, class Interface>
Face *FaceOf(QObject *owner, Interface *iface)
{
    if (!iface)
        return nullptr;
    for (QObject *child : owner->children()) {
        auto face = qobject_cast<Face *>(child);
        if (face && face->iface() == iface)
            return face;
    }
    return new Face(iface, owner);
}

// The face of a parameter set (LxParamsObject) for a set owned elsewhere.
QObject *ParamsFace(QObject *owner, ILxParams *params);
// The set behind a parameter face; LxError when the object is not one. A null object is taken
// as no set (nullptr).
ILxParams *ParamsOf(QObject *face);

// Calls call(set) with the set behind a parameter face, or with a new empty set when the face
// is null: a command called from a script without parameters still gets a set to read.
template<class Call>
QVariant WithParams(QObject *face, Call call)
{
    if (ILxParams *params = ParamsOf(face))
        return call(params);
    auto empty = CoLxParams::Create();
    return call(empty.get());
}

} // namespace FaceUtils
