#include "velmorivelmdataevents.h"

#include "safecall.h"

#include <ivelmdataevents.h>

TVelmorIVelmDataEvents::TVelmorIVelmDataEvents()
    : TVelmorEventsBaseSink(IID_IVelmDataEvents)
{}

QString TVelmorIVelmDataEvents::ClassName() const
{
    return QStringLiteral("TVelmorIVelmDataEvents");
}

HRESULT TVelmorIVelmDataEvents::DoInvoke(int dispid, const QVariantList &, QVariant *)
{
    const std::function<void()> *handler = nullptr;
    switch (static_cast<IVelmDataEventsDispid>(dispid)) {
    case IVelmDataEventsDispid::OnBeforeScroll:
        handler = &OnBeforeScroll;
        break;
    case IVelmDataEventsDispid::OnAfterScroll:
        handler = &OnAfterScroll;
        break;
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
    if (*handler)
        SafeCall(ClassName(), *handler);
    return S_OK;
}
