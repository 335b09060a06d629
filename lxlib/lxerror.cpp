#include "lxerror.h"

LxError::LxError(const QString &message)
    : std::runtime_error(message.toStdString())
    , m_message(message)
{}
