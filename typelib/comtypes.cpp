#include "comtypes.h"

// The destructors are defined here so that every library shares one type identity of each
// interface, which dynamic_cast between host and plug-in libraries relies on.
IVelmUnknown::~IVelmUnknown() = default;
IVelmDispatch::~IVelmDispatch() = default;
IConnectionPoint::~IConnectionPoint() = default;
IConnectionPointContainer::~IConnectionPointContainer() = default;
IEnumVariant::~IEnumVariant() = default;
