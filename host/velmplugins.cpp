#include "velmplugins.h"

#include "plugincall.h"
#include "textformat.h"
#include "velmpluginitem.h"

#include <lxerror.h>
#include <lxlog.h>
#include <lxnls.h>
#include <registry.h>
#include <velmconsts.h>

TVelmPlugins::TVelmPlugins()
{
    Log(QStringLiteral("Start plugins creation"), elInfo);
    Log(QStringLiteral("End plugins creation"), elInfo);
}

TVelmPlugins::~TVelmPlugins()
{
    Log(QStringLiteral("Start plugins destroying"), elInfo);
    const QList<TVelmPluginItem *> items = std::exchange(m_items, {});
    for (TVelmPluginItem *item : items)
        item->Release();
    Log(QStringLiteral("End plugins destroying. RefCount = ") + QString::number(m_refCount),
        elInfo);
}

int TVelmPlugins::AddRef()
{
    return ++m_refCount;
}

int TVelmPlugins::Release()
{
    const int count = --m_refCount;
    if (count == 0)
        delete this;
    return count;
}

void TVelmPlugins::append(TVelmPluginItem *item)
{
    item->AddRef();
    m_items.append(item);
}

IVelmPluginItem *TVelmPlugins::Item(const QVariant &index)
{
    if (index.typeId() == QMetaType::QString) {
        const QString name = index.toString();
        for (TVelmPluginItem *item : std::as_const(m_items)) {
            if (item->FriendlyName() == name)
                return item;
        }
        throw LxError(FormatText(LxTr("Модуль \"%s\" не найден"), {name}));
    }
    bool isNumber = false;
    const int position = index.toInt(&isNumber);
    if (!isNumber || position < 0 || position >= m_items.size())
        throw LxError(LxTr("Нет модуля с номером %1").arg(index.toString()));
    return m_items.at(position);
}

void TVelmPlugins::Update()
{
    const Registry registry;
    if (!registry.KeyExists(rgPluginsKey()))
        return;
    const QStringList subkeys = registry.SubKeys(rgPluginsKey());
    for (const QString &subkey : subkeys) {
        TVelmPluginItem *item = nullptr;
        try {
            item = new TVelmPluginItem(m_application, subkey);
        } catch (const std::exception &error) {
            Log(ErrorText(error) + QLatin1Char(' ') + subkey, elWarning);
            continue;
        }
        append(item);
    }
}

bool TVelmPlugins::BeforeApplClose()
{
    for (auto it = m_items.crbegin(); it != m_items.crend(); ++it) {
        if (!(*it)->BeforeApplClose())
            return false;
    }
    return true;
}

HRESULT TVelmPlugins::Next(int count, QVariantList &items)
{
    int given = 0;
    while (given < count && m_cursor < m_items.size()) {
        items.append(QVariant::fromValue<IVelmPluginItem *>(m_items.at(m_cursor++)));
        ++given;
    }
    return given == count ? S_OK : S_FALSE;
}

HRESULT TVelmPlugins::Skip(int count)
{
    const qsizetype left = m_items.size() - m_cursor;
    count = qMax(count, 0);
    if (count > left) {
        m_cursor = int(m_items.size());
        return S_FALSE;
    }
    m_cursor += count;
    return S_OK;
}

IEnumVariant *TVelmPlugins::Clone()
{
    auto *clone = new TVelmPlugins;
    clone->m_application = m_application;
    for (TVelmPluginItem *item : std::as_const(m_items))
        clone->append(item);
    clone->AddRef();
    return clone;
}
