#pragma once

#include "dynamicobject.h"

#include <QPointer>
#include <QVariant>

class QObject;

namespace script {

// Late binding to any QObject: Q_PROPERTY members are read and written by name,
// Q_INVOKABLE methods and slots are called by name (omitted trailing arguments take the
// parameter type's default). The object is held weakly: when it is destroyed, access is an error.
class VELMSCRIPT_EXPORT QObjectDispatch : public IDynamicObject
{
public:
    explicit QObjectDispatch(QObject *obj);
    Value get(QStringView name, std::span<const Value> index) override;
    void set(QStringView name, std::span<const Value> index, const Value &v) override;
    Value invoke(QStringView name, std::span<const Value> args) override;

    static Value wrap(QObject *obj);

private:
    QObject *target(QStringView member) const;
    QPointer<QObject> obj_;
};

VELMSCRIPT_EXPORT QVariant toQVariant(const Value &v);
VELMSCRIPT_EXPORT Value fromQVariant(const QVariant &v);

} // namespace script
