#include "lxnls.h"

#include <libintl.h>

namespace {
const char kDomain[] = "velmor";
}

QString LxTrDomain(const char *domain, const QString &msgid)
{
    if (msgid.isEmpty())
        return msgid;
    const QByteArray id = msgid.toUtf8();
    const char *translated = dgettext(domain ? domain : kDomain, id.constData());
    if (translated == id.constData())
        return msgid;
    return QString::fromUtf8(translated);
}

QString LxTr(const QString &msgid)
{
    return LxTrDomain(kDomain, msgid);
}

QString LxTr(const char *msgid)
{
    return LxTr(QString::fromUtf8(msgid));
}

void LxBindDomain(const char *) {}

void TranslateComponent(QWidget *, const char *) {}
