#pragma once

#include "velmoreventsbasesink.h"

#include <functional>

// The sink of the data object's events (IVelmDataEvents): a window assigns its handlers,
// connects the sink to Application()->Data() when shown and disconnects when hidden.
class TVelmorIVelmDataEvents : public TVelmorEventsBaseSink
{
public:
    TVelmorIVelmDataEvents();

    QString ClassName() const override;

    // Called for OnBeforeScroll (dispid 1) and OnAfterScroll (dispid 2) when assigned; what a
    // handler throws becomes the event call's failure (LxError).
    std::function<void()> OnBeforeScroll;
    std::function<void()> OnAfterScroll;

protected:
    HRESULT DoInvoke(int dispid, const QVariantList &args, QVariant *result) override;
};
