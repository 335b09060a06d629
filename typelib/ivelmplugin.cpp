#include "ivelmplugin.h"

IVelmPlugin::~IVelmPlugin() = default;
