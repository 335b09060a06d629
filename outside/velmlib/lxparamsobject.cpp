#include "lxparamsobject.h"

#include "ilxparams.h"
#include "lxparamitem.h"

LxParamsObject::LxParamsObject(ILxParams &params, QObject *parent)
    : QObject(parent)
    , m_params(&params)
{}

LxParamsObject::LxParamsObject(QObject *parent)
    : QObject(parent)
    , m_owned(CoLxParams::Create())
    , m_params(m_owned.get())
{}

// The items are children and go before the set they refer to.
LxParamsObject::~LxParamsObject()
{
    qDeleteAll(m_items);
}

LxParamItem *LxParamsObject::Item(const QString &name)
{
    LxParamItem *&item = m_items[name.toCaseFolded()];
    if (!item)
        item = new LxParamItem(*m_params, name, this);
    return item;
}

bool LxParamsObject::Exists(const QString &name) const
{
    return m_params->Exists(name);
}

int LxParamsObject::Count() const
{
    return m_params->Count();
}

QString LxParamsObject::Name(int index) const
{
    return m_params->Name(index);
}
