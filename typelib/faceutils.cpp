#include "faceutils.h"

#include <ilxparams.h>
#include <lxerror.h>
#include <lxparamsobject.h>

namespace FaceUtils {

QObject *ParamsFace(QObject *owner, ILxParams *params)
{
    if (!params)
        return nullptr;
    for (QObject *child : owner->children()) {
        auto face = qobject_cast<LxParamsObject *>(child);
        if (face && &face->params() == params)
            return face;
    }
    return new LxParamsObject(*params, owner);
}

ILxParams *ParamsOf(QObject *face)
{
    if (!face)
        return nullptr;
    auto params = qobject_cast<LxParamsObject *>(face);
    if (!params)
        throw LxError(QStringLiteral("%1 is not a parameter set")
                              .arg(QString::fromLatin1(face->metaObject()->className())));
    return &params->params();
}

} // namespace FaceUtils
