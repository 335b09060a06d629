#pragma once

#include <lxerror.h>

#include <QString>

#include <exception>

// Runs call() so that whatever it throws leaves as LxError: an LxError unchanged, any other
// exception with its message, anything else as "<context> failed". Interface members run their
// plug-in's code through it, so a failing command reaches the host as a message, never as an
// exception the host does not expect.
template<class Call>
auto SafeCall(const QString &context, Call call) -> decltype(call())
{
    try {
        return call();
    } catch (const LxError &) {
        throw;
    } catch (const std::exception &error) {
        throw LxError(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        throw LxError(QStringLiteral("%1 failed").arg(context));
    }
}
