#include "ivelmclassfactory.h"

IVelmClassFactory::~IVelmClassFactory() = default;
