#include "ivelmplugins.h"

IVelmPlugins::~IVelmPlugins() = default;
