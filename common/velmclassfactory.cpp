#include "velmclassfactory.h"

#include "safecall.h"
#include "velmplugin.h"

TVelmClassFactory::TVelmClassFactory(const QUuid &classId, Creator create)
    : m_classId(classId)
    , m_create(std::move(create))
{}

IVelmUnknown *TVelmClassFactory::CreateInstance()
{
    TVelmPlugin *plugin = SafeCall(QStringLiteral("Creating a plug-in object"), m_create);
    if (!plugin)
        throw LxError(QStringLiteral("The class %1 created no object")
                              .arg(m_classId.toString(QUuid::WithBraces).toUpper()));
    plugin->AddRef();
    return plugin;
}
