#pragma once

#include "lxparamitem.h"
#include "velmlib_global.h"

#include <QHash>
#include <QObject>

#include <memory>

class ILxParams;

// A parameter set as a QObject, for callers that bind by name at run time:
// Item(name).Value, Exists(name), Count(), Name(index).
class VELMLIB_EXPORT LxParamsObject : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int Count READ Count)

public:
    // Presents a set owned elsewhere, which must outlive this object.
    explicit LxParamsObject(ILxParams &params, QObject *parent = nullptr);
    // Presents a new empty set of its own.
    explicit LxParamsObject(QObject *parent = nullptr);
    ~LxParamsObject() override;

    ILxParams &params() const { return *m_params; }

    // The entry of that name (one object per name, owned by this object).
    Q_INVOKABLE LxParamItem *Item(const QString &name);
    Q_INVOKABLE bool Exists(const QString &name) const;
    Q_INVOKABLE int Count() const;
    Q_INVOKABLE QString Name(int index) const;

private:
    std::unique_ptr<ILxParams> m_owned;
    ILxParams *m_params;
    QHash<QString, LxParamItem *> m_items; // by folded name
};
