#pragma once

#include <lxerror.h>
#include <lxnls.h>

#include <QString>

#include <exception>

// The message of an exception: the system's own message of an LxError, else the text.
inline QString ErrorText(const std::exception &error)
{
    if (const auto *lxError = dynamic_cast<const LxError *>(&error))
        return lxError->message();
    return QString::fromLocal8Bit(error.what());
}

// Runs a call into a plug-in's code so that whatever it throws reaches the host as LxError with
// a message: an LxError as it is, another std::exception with its text, anything else with a
// message naming the plug-in. A plug-in's fault never unwinds the host past this point.
template<typename Call>
void CallPlugin(const QString &pluginName, Call &&call)
{
    try {
        call();
    } catch (const LxError &) {
        throw;
    } catch (const std::exception &error) {
        throw LxError(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        throw LxError(LxTr("Модуль %1 завершил вызов неизвестной ошибкой").arg(pluginName));
    }
}
