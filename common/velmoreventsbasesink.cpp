#include "velmoreventsbasesink.h"

#include <lxerror.h>

#include <exception>
#include <utility>

namespace {

QString MessageOf(const std::exception &error)
{
    if (auto lxError = dynamic_cast<const LxError *>(&error))
        return lxError->message();
    return QString::fromLocal8Bit(error.what());
}

IConnectionPoint *PointOf(IVelmUnknown *source, const QUuid &iid)
{
    if (!source)
        throw LxError(QStringLiteral("There is no source object"));
    auto container = dynamic_cast<IConnectionPointContainer *>(source);
    if (!container)
        throw LxError(QStringLiteral("The source object offers no events"));
    IConnectionPoint *point = container->FindConnectionPoint(iid);
    if (!point)
        throw LxError(QStringLiteral("The source object offers no events %1")
                              .arg(iid.toString(QUuid::WithBraces).toUpper()));
    return point;
}

} // namespace

TVelmorEventsBaseSink::TVelmorEventsBaseSink(const QUuid &iid)
    : m_iid(iid)
{}

TVelmorEventsBaseSink::~TVelmorEventsBaseSink()
{
    Disconnect();
}

void TVelmorEventsBaseSink::Connect(IVelmUnknown *source)
{
    Disconnect();
    try {
        IConnectionPoint *point = PointOf(source, m_iid);
        m_cookie = point->Advise(this);
        m_point = point;
    } catch (const std::exception &error) {
        throw LxError(
                QStringLiteral("Unable to connect %1.\r%2").arg(ClassName(), MessageOf(error)));
    }
    source->AddRef();
    m_source = source;
}

void TVelmorEventsBaseSink::Disconnect()
{
    if (!m_source)
        return;
    try {
        m_point->Unadvise(m_cookie);
    } catch (...) {
        // The source may have dropped its sinks already; the sink lets go of it anyway.
    }
    IVelmUnknown *source = std::exchange(m_source, nullptr);
    m_point = nullptr;
    m_cookie = 0;
    try {
        source->Release();
    } catch (...) {
    }
}

IVelmDispatch *TVelmorEventsBaseSink::QueryInterface(const QUuid &iid)
{
    if (iid == IID_IVelmUnknown || iid == IID_IVelmDispatch || iid == m_iid)
        return this;
    return nullptr;
}

HRESULT TVelmorEventsBaseSink::Invoke(int dispid,
                                      InvokeKind kind,
                                      const QVariantList &args,
                                      QVariant *result)
{
    if (kind != InvokeKind::Method)
        throw LxError(QStringLiteral("%1 only supports sinking of method calls!").arg(ClassName()));
    return DoInvoke(dispid, args, result);
}

QString TVelmorEventsBaseSink::ClassName() const
{
    return QStringLiteral("TVelmorEventsBaseSink");
}

HRESULT TVelmorEventsBaseSink::DoInvoke(int, const QVariantList &, QVariant *)
{
    return DISP_E_MEMBERNOTFOUND;
}
