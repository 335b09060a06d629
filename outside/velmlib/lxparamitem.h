#pragma once

#include "velmlib_global.h"

#include <QObject>
#include <QVariant>

class ILxParams;

// One entry of a parameter set for late binding by name (scripts, plug-ins): reading Value
// of an absent entry gives empty, writing it creates the entry.
class VELMLIB_EXPORT LxParamItem : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString Name READ Name CONSTANT)
    Q_PROPERTY(QVariant Value READ Value WRITE SetValue)

public:
    LxParamItem(ILxParams &params, const QString &name, QObject *parent);

    QString Name() const { return m_name; }
    QVariant Value() const;
    void SetValue(const QVariant &value);

private:
    ILxParams &m_params;
    QString m_name;
};
