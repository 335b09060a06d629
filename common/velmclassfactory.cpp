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
    plugin->AddRef();
    return plugin;
}
