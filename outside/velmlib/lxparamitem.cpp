#include "lxparamitem.h"

#include "ilxparams.h"

LxParamItem::LxParamItem(ILxParams &params, const QString &name, QObject *parent)
    : QObject(parent)
    , m_params(params)
    , m_name(name)
{}

QVariant LxParamItem::Value() const
{
    return m_params.Value(m_name);
}

void LxParamItem::SetValue(const QVariant &value)
{
    m_params.SetValue(m_name, value);
}
