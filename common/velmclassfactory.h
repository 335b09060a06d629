#pragma once

#include <ivelmclassfactory.h>

#include <QObject>

#include <functional>

class TVelmPlugin;

// The root object of a plug-in library: creates its plug-in objects. A library derives its
// factory in a few lines, the manifest beside it:
//
//   class TMarkBookFactory : public TVelmClassFactory
//   {
//       Q_OBJECT
//       Q_PLUGIN_METADATA(IID IVelmClassFactory_iid FILE "plugin.json")
//   public:
//       TMarkBookFactory() : TVelmClassFactory(CLSID_MarkBook, Of<TMarkBookPlugin>()) {}
//   };
//
// plugin.json: {"ProgId": "MarkBook.VelmPlugin", "ClassId": "{...}", "TypeLibrary": "MarkBook",
// "FriendlyName": "MarkBook", "LoadBehavior": 3}; the class id given here must be the manifest's.
class TVelmClassFactory : public QObject, public IVelmClassFactory
{
    Q_OBJECT
    Q_INTERFACES(IVelmClassFactory)

public:
    using Creator = std::function<TVelmPlugin *()>;

    TVelmClassFactory(const QUuid &classId, Creator create);

    QUuid ClassId() const override { return m_classId; }
    IVelmUnknown *CreateInstance() override;

    // The usual creator: a new object of the plug-in class.
    template<class Plugin>
    static Creator Of()
    {
        return [] { return new Plugin; };
    }

private:
    QUuid m_classId;
    Creator m_create;
};
