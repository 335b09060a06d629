#pragma once

#include "database.h"

#include <firebird/Interface.h>

namespace fb {

// A status vector for one sequence of OO-API calls, disposed with the object. Pass it as
// `&status` where the API wants its status wrapper.
struct Status
{
    Firebird::IStatus *raw = Database::master()->getStatus();
    Firebird::CheckStatusWrapper wrapper{raw};
    ~Status() { raw->dispose(); }
    Firebird::CheckStatusWrapper *operator&() { return &wrapper; }
    bool failed() const { return wrapper.getState() & Firebird::IStatus::STATE_ERRORS; }
};

} // namespace fb
