#include "stubapplication.h"

#include <lxerror.h>

namespace {

[[noreturn]] void NotHere(const char *member)
{
    throw LxError(
            QStringLiteral("%1 is not part of the test application").arg(QLatin1String(member)));
}

} // namespace

void StubApplication::SetVisible(bool)
{
    NotHere("SetVisible");
}

void StubApplication::Log(const QString &message, int level)
{
    logged.append(QStringLiteral("%1:%2").arg(level).arg(message));
}

bool StubApplication::Login(const QString &, const QString &, bool)
{
    NotHere("Login");
}

void StubApplication::Quit()
{
    NotHere("Quit");
}

void StubApplication::Journal(const QString &, const QVariant &, const QVariant &, int, int)
{
    NotHere("Journal");
}

void StubApplication::SetCurrentDate(const QDate &)
{
    NotHere("SetCurrentDate");
}

void StubApplication::SaveUserOptions()
{
    NotHere("SaveUserOptions");
}

void StubApplication::SaveUserColorSettings()
{
    NotHere("SaveUserColorSettings");
}

void StubApplication::ScreenRefresh()
{
    NotHere("ScreenRefresh");
}
