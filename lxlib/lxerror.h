#pragma once

#include "lxlib_global.h"

#include <QString>

#include <stdexcept>

// The general exception of the system: a message meant for the user (already translated
// where it is a user-visible text). Other libraries derive their own errors from it.
class LXLIB_EXPORT LxError : public std::runtime_error
{
public:
    explicit LxError(const QString &message);
    QString message() const { return m_message; }
    // The class name logged by the application's exception handler.
    virtual QString className() const { return QStringLiteral("Exception"); }

private:
    QString m_message;
};
