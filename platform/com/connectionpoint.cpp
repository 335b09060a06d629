#include "connectionpoint.h"

#include <lxerror.h>

#include <algorithm>

ConnectionPoint::ConnectionPoint(const QUuid &iid)
    : m_iid(iid)
{}

ConnectionPoint::~ConnectionPoint()
{
    for (auto &[cookie, sink] : std::exchange(m_sinks, {}))
        sink->Release();
}

QUuid ConnectionPoint::GetConnectionInterface() const
{
    return m_iid;
}

quint32 ConnectionPoint::Advise(IVelmDispatch *sink)
{
    if (!sink)
        throw LxError(QStringLiteral("No sink to connect"));
    sink->AddRef();
    m_sinks.emplace_back(++m_lastCookie, sink);
    return m_lastCookie;
}

void ConnectionPoint::Unadvise(quint32 cookie)
{
    auto found = std::find_if(m_sinks.begin(), m_sinks.end(), [cookie](const auto &entry) {
        return entry.first == cookie;
    });
    if (found == m_sinks.end())
        throw LxError(QStringLiteral("No sink is connected with the cookie %1").arg(cookie));
    IVelmDispatch *sink = found->second;
    m_sinks.erase(found);
    sink->Release();
}

QList<IVelmDispatch *> ConnectionPoint::Sinks() const
{
    QList<IVelmDispatch *> sinks;
    for (const auto &entry : m_sinks)
        sinks.append(entry.second);
    return sinks;
}

bool ConnectionPoint::IsConnected(quint32 cookie) const
{
    return std::any_of(m_sinks.begin(), m_sinks.end(), [cookie](const auto &entry) {
        return entry.first == cookie;
    });
}

void ConnectionPoint::Fire(int dispid, const QVariantList &args)
{
    const auto round = m_sinks;
    for (const auto &[cookie, sink] : round) {
        if (IsConnected(cookie))
            sink->Invoke(dispid, InvokeKind::Method, args, nullptr);
    }
}
