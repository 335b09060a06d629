#pragma once

#include <ivelmplugins.h>

#include <QList>

class TVelmPluginItem;

// The host's plug-in collection: one item per subkey of the plug-ins key, in the order the
// registry lists them. It is its own enumeration (one cursor; NewEnum does not reset it), and
// Clone gives a new collection over the same items.
//
// Reference counted: it starts at 0 and deletes itself when Release brings the count back to 0,
// releasing its items (which disconnect their plug-ins when that was the last reference).
class TVelmPlugins : public IVelmPlugins, public IEnumVariant
{
public:
    TVelmPlugins();
    ~TVelmPlugins() override;

    TVelmPlugins(const TVelmPlugins &) = delete;
    TVelmPlugins &operator=(const TVelmPlugins &) = delete;

    int AddRef() override;
    int Release() override;

    int Count() override { return int(m_items.size()); }
    void Init(IVelmApplication *appl) override { m_application = appl; }
    // A string finds the first item of that FriendlyName ("Модуль \"%s\" не найден" when none);
    // anything else is a 0-based position.
    IVelmPluginItem *Item(const QVariant &index) override;
    IVelmApplication *Application() override { return m_application; }
    IEnumVariant *NewEnum() override { return this; }
    // Appends an item for every subkey of the plug-ins key; a subkey that fails is logged at
    // elWarning and skipped. Nothing happens when the key is missing.
    void Update() override;
    // Asks the items from the last to the first; the first refusal stops and answers false.
    bool BeforeApplClose() override;

    HRESULT Next(int count, QVariantList &items) override;
    HRESULT Skip(int count) override;
    void Reset() override { m_cursor = 0; }
    IEnumVariant *Clone() override;

private:
    void append(TVelmPluginItem *item);

    IVelmApplication *m_application = nullptr;
    QList<TVelmPluginItem *> m_items; // each holds one reference
    int m_cursor = 0;
    int m_refCount = 0;
};
