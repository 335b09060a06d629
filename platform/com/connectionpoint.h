#pragma once

#include "velmcom_global.h"

#include <comtypes.h>

#include <QList>
#include <QUuid>

#include <utility>
#include <vector>

// The connection point of one events interface: the sinks connected to it with their cookies
// (1, 2, 3 ... in connection order, never reused). A sink holds a reference while connected:
// Advise adds one, Unadvise and the point's destruction release it.
class VELMCOM_EXPORT ConnectionPoint : public IConnectionPoint
{
public:
    explicit ConnectionPoint(const QUuid &iid);
    ~ConnectionPoint() override;
    ConnectionPoint(const ConnectionPoint &) = delete;
    ConnectionPoint &operator=(const ConnectionPoint &) = delete;

    QUuid GetConnectionInterface() const override;
    quint32 Advise(IVelmDispatch *sink) override;
    void Unadvise(quint32 cookie) override;

    // The connected sinks in connection order.
    QList<IVelmDispatch *> Sinks() const;
    bool IsConnected(quint32 cookie) const;
    // Calls the method of that dispid on every sink connected when the call begins, in
    // connection order; a sink disconnected by an earlier one meanwhile is skipped. The first
    // failure of a sink stops the round and propagates.
    void Fire(int dispid, const QVariantList &args = {});

private:
    QUuid m_iid;
    quint32 m_lastCookie = 0;
    std::vector<std::pair<quint32, IVelmDispatch *>> m_sinks;
};
