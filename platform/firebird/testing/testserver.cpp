#include "testserver.h"

#include <QFile>
#include <QRegularExpression>
#include <QTcpSocket>

namespace fb {

QString TestServer::sysdbaPassword()
{
    const QString env = qEnvironmentVariable("VELMOR_FB_PASSWORD");
    if (!env.isEmpty())
        return env;
    QFile file(QStringLiteral("/etc/firebird/3.0/SYSDBA.password"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QRegularExpression re(QStringLiteral("^ISC_PASSWORD=\"?([^\"\\n]*)\"?"),
                                QRegularExpression::MultilineOption);
    return re.match(QString::fromUtf8(file.readAll())).captured(1);
}

bool TestServer::reachable()
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), 3050);
    return socket.waitForConnected(1000);
}

QString TestServer::unavailableReason()
{
    if (!reachable())
        return QStringLiteral(
                "no Firebird server on 127.0.0.1:3050 (scripts/start-firebird-server)");
    if (sysdbaPassword().isEmpty())
        return QStringLiteral("SYSDBA password unknown: set VELMOR_FB_PASSWORD");
    return {};
}

void TestServer::shareFolder(const QString &path)
{
    QFile::setPermissions(path,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                  | QFileDevice::ReadOther | QFileDevice::WriteOther
                                  | QFileDevice::ExeOther);
}

} // namespace fb
