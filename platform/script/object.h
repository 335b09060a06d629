#pragma once

#include "value.h"

#include <QHash>

namespace script {

// Base of every object a script can reach by a typed reference: instances of script classes,
// of host classes, and host-owned objects handed to the script. The script holds handles
// (Cell), never raw pointers: when the object goes away its handle turns dead.
class VELMSCRIPT_EXPORT Object
{
public:
    Object() = default;
    virtual ~Object();
    Object(const Object &) = delete;
    Object &operator=(const Object &) = delete;

    ClassInfo *scriptClass() const { return cls_; }
    QString className() const;
    bool inheritsFrom(const QString &className) const;

    // Handlers the script assigned to the object's events (ProcRef values), by event name.
    Value handler(const QString &event) const;
    void setHandler(const QString &event, const Value &proc);

    // Fields declared by script classes derived from this object's class.
    std::vector<Value> fields;

    Cell *cell(); // the object's handle, created on first use

private:
    friend class EngineImpl;
    friend class Engine;
    friend struct ClassInfo;
    ClassInfo *cls_ = nullptr;
    QString clsName_ = QStringLiteral("TObject"); // kept apart: the object may outlive its engine
    Cell *cell_ = nullptr;
    bool scriptOwned_ = false;
    std::unique_ptr<QHash<QString, Value>> handlers_;

public:
    void setScriptClass(ClassInfo *c);
    bool scriptOwned() const { return scriptOwned_; }
};

// An exception object; the script's Exception class and every class derived from it.
class VELMSCRIPT_EXPORT ExceptionObject : public Object
{
public:
    QString message;
};

} // namespace script
