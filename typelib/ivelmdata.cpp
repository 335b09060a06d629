#include "ivelmdata.h"

IVelmData::~IVelmData() = default;
