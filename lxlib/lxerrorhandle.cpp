#include "lxerrorhandle.h"

#include "lxerror.h"
#include "lxlog.h"
#include "lxnls.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <cxxabi.h>
#include <memory>
#include <typeinfo>

QString TLxErrorHandle::MessageText(const QString &message)
{
    return message.endsWith(QLatin1Char('.')) ? message : message + QLatin1Char('.');
}

QString TLxErrorHandle::ClassName(const std::exception &error)
{
    if (const auto *lxError = dynamic_cast<const LxError *>(&error))
        return lxError->className();
    int status = 0;
    const std::unique_ptr<char, void (*)(void *)> demangled(
            abi::__cxa_demangle(typeid(error).name(), nullptr, nullptr, &status), std::free);
    return QString::fromLatin1(status == 0 && demangled ? demangled.get() : typeid(error).name());
}

bool TLxErrorHandle::CanShowMessageBoxes()
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return false;
    // A modal box on a platform nobody sees would wait for ever.
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

void TLxErrorHandle::OnError(QObject *sender, const std::exception &error)
{
    const auto *lxError = dynamic_cast<const LxError *>(&error);
    const QString message = lxError ? lxError->message() : QString::fromLocal8Bit(error.what());
    OnError(sender, ClassName(error), message);
}

void TLxErrorHandle::OnError(QObject *, const QString &className, const QString &message)
{
    Log(className + QStringLiteral(". ") + message, elAppException);
    const QString text = MessageText(message);
    if (!CanShowMessageBoxes()) {
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        return;
    }
    QApplication::beep();
    QMessageBox::critical(QApplication::activeWindow(), LxTr("Ошибка"), text);
}
