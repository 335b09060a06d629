#include "testplugin.h"

#include <velmclassfactory.h>

class TTestPluginFactory : public TVelmClassFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID IVelmClassFactory_iid FILE "plugin.json")

public:
    TTestPluginFactory()
        : TVelmClassFactory(
                QUuid::fromString(QStringLiteral("{6A885A9B-6FAA-49FF-8CC1-79D67B055C65}")),
                Of<TTestPlugin>())
    {}
};

#include "testpluginfactory.moc"
