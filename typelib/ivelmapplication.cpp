#include "ivelmapplication.h"

IVelmApplication::~IVelmApplication() = default;
