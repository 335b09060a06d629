#pragma once

// A small host for the script tests: a plain data class, a host-owned transaction object,
// an object with an event, and callbacks that fail in the ways hosts fail.

#include "classlib.h"
#include "engine.h"

namespace script::test {

class StudentInfo : public Object
{
public:
    Value studentId;
    Value creditsAvg;
    bool lowExists = false;
    QString ects;
    QString fio;
    int64_t sortOrder = 0;
};

class HostTran : public Object
{
public:
    bool active = false;
    int commits = 0;
};

class EventSource : public Object
{
public:
    StringListObject fields;
};

struct HostFixture
{
    HostTran tran;
    EventSource events;
    QString output;
    void install(Engine &e);
};

} // namespace script::test
