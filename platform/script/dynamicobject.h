#pragma once

#include "value.h"

#include <QStringView>

#include <span>

namespace script {

// An object reached by member name at run time (late binding). Scripts hold it in a Variant;
// `Obj.Name` reads, `Obj.Name := V` writes, `Obj.Name(Args)` invokes, `Obj[Index]` uses the
// default member (an empty name). Errors are reported by throwing std::exception.
class VELMSCRIPT_EXPORT IDynamicObject
{
public:
    virtual ~IDynamicObject() = default;
    virtual Value get(QStringView name, std::span<const Value> index) = 0;
    virtual void set(QStringView name, std::span<const Value> index, const Value &v) = 0;
    virtual Value invoke(QStringView name, std::span<const Value> args) = 0;
};

} // namespace script
