#include "securityservice.h"
#include "status.h"

#include "database.h"
#include "error.h"

#include <lxnls.h>

#include <firebird/Interface.h>
#include <ibase.h>

#include <QtEndian>

using namespace Firebird;

namespace fb {

namespace {

// A service request: tag, then each argument as tag + 2-byte length + bytes.
class Request
{
public:
    explicit Request(char action) { m_bytes += action; }
    Request &text(char tag, const QString &value)
    {
        if (value.isEmpty())
            return *this;
        const QByteArray bytes = value.toUtf8();
        m_bytes += tag;
        m_bytes += char(bytes.size() & 0xff);
        m_bytes += char((bytes.size() >> 8) & 0xff);
        m_bytes += bytes;
        return *this;
    }
    QByteArray bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

void release(IService *service)
{
    Status status;
    service->detach(&status);
    if (status.failed())
        service->release();
}

} // namespace

QString ServerUser::fullName() const
{
    QStringList parts;
    for (const QString &p : {firstName, middleName, lastName})
        if (!p.isEmpty())
            parts << p;
    return parts.join(u' ');
}

SecurityService::SecurityService(const QString &server,
                                 const QString &user,
                                 const QString &password)
    : m_server(server)
    , m_user(user)
    , m_password(password)
{}

IService *SecurityService::attach()
{
    Status status;
    IXpbBuilder *spb
            = Database::util()->getXpbBuilder(&status, IXpbBuilder::SPB_ATTACH, nullptr, 0);
    spb->insertString(&status, isc_spb_user_name, m_user.toUtf8().constData());
    spb->insertString(&status, isc_spb_password, m_password.toUtf8().constData());
    if (m_user.compare(QLatin1String("SYSDBA"), Qt::CaseInsensitive) != 0)
        spb->insertString(&status, isc_spb_sql_role_name, "RDB$ADMIN");
    const QByteArray name = m_server.isEmpty()
                                    ? QByteArray("service_mgr")
                                    : (m_server + QStringLiteral(":service_mgr")).toUtf8();
    IService *service = Database::provider()->attachServiceManager(
            &status, name.constData(), spb->getBufferLength(&status), spb->getBuffer(&status));
    spb->dispose();
    if (status.failed())
        throw Error::fromStatus(status.raw);
    return service;
}

void SecurityService::runAction(const QByteArray &request)
{
    IService *service = attach();
    Status status;
    service->start(&status,
                   unsigned(request.size()),
                   reinterpret_cast<const unsigned char *>(request.constData()));
    // Waiting for the service's output to end makes its errors reach us here.
    const unsigned char items[] = {isc_info_svc_line};
    unsigned char buffer[1024];
    while (!status.failed()) {
        service->query(&status, 0, nullptr, sizeof items, items, sizeof buffer, buffer);
        if (status.failed() || buffer[0] != isc_info_svc_line)
            break;
        const unsigned length = qFromLittleEndian<quint16>(buffer + 1);
        if (length == 0)
            break;
    }
    if (status.failed()) {
        Error error = Error::fromStatus(status.raw);
        release(service);
        throw error;
    }
    release(service);
}

void SecurityService::addUser(const QString &name,
                              const QString &password,
                              const QString &firstName,
                              const QString &middleName,
                              const QString &lastName)
{
    runAction(Request(isc_action_svc_add_user)
                      .text(isc_spb_sec_username, name)
                      .text(isc_spb_sec_password, password)
                      .text(isc_spb_sec_firstname, firstName)
                      .text(isc_spb_sec_middlename, middleName)
                      .text(isc_spb_sec_lastname, lastName)
                      .bytes());
}

void SecurityService::modifyUser(const QString &name, const QString &password)
{
    runAction(Request(isc_action_svc_modify_user)
                      .text(isc_spb_sec_username, name)
                      .text(isc_spb_sec_password, password)
                      .bytes());
}

void SecurityService::deleteUser(const QString &name)
{
    runAction(Request(isc_action_svc_delete_user).text(isc_spb_sec_username, name).bytes());
}

QList<ServerUser> SecurityService::users()
{
    IService *service = attach();
    Status status;
    const char action = isc_action_svc_display_user_adm;
    service->start(&status, 1, reinterpret_cast<const unsigned char *>(&action));
    // The answer may come in several pieces; each is "get_users, length, items".
    QByteArray data;
    const unsigned char items[] = {isc_info_svc_get_users};
    // The protocol gives the buffer's length in 16 bits.
    std::vector<unsigned char> buffer(32000);
    while (!status.failed()) {
        service->query(
                &status, 0, nullptr, sizeof items, items, unsigned(buffer.size()), buffer.data());
        if (status.failed() || buffer[0] != isc_info_svc_get_users)
            break;
        const unsigned length = qFromLittleEndian<quint16>(buffer.data() + 1);
        if (length == 0)
            break;
        data.append(reinterpret_cast<const char *>(buffer.data() + 3), length);
    }
    if (status.failed()) {
        Error error = Error::fromStatus(status.raw);
        release(service);
        throw error;
    }
    release(service);

    QList<ServerUser> users;
    const auto *p = reinterpret_cast<const unsigned char *>(data.constData());
    const auto *end = p + data.size();
    auto readText = [&]() {
        const unsigned length = qFromLittleEndian<quint16>(p);
        const QString text = QString::fromUtf8(reinterpret_cast<const char *>(p + 2), length);
        p += 2 + length;
        return text;
    };
    auto readInt = [&]() {
        const int value = int(qFromLittleEndian<quint32>(p));
        p += 4;
        return value;
    };
    while (p < end) {
        const unsigned char tag = *p++;
        switch (tag) {
        case isc_spb_sec_username:
            users.append(ServerUser());
            users.last().name = readText();
            break;
        case isc_spb_sec_firstname:
            users.last().firstName = readText();
            break;
        case isc_spb_sec_middlename:
            users.last().middleName = readText();
            break;
        case isc_spb_sec_lastname:
            users.last().lastName = readText();
            break;
        case isc_spb_sec_userid:
            users.last().userId = readInt();
            break;
        case isc_spb_sec_groupid:
            users.last().groupId = readInt();
            break;
        case isc_spb_sec_admin:
            users.last().admin = readInt() != 0;
            break;
        default:
            p = end; // an item we do not know: its length is unknown too
        }
    }
    return users;
}

} // namespace fb
