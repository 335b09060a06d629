#pragma once

#include <lxerror.h>

#include <QString>

#include <functional>

// The message of the LxError the call raises, or "<no error>".
inline QString ErrorOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const LxError &error) {
        return error.message();
    }
    return QStringLiteral("<no error>");
}
