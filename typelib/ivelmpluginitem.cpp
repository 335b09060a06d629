#include "ivelmpluginitem.h"

IVelmPluginItem::~IVelmPluginItem() = default;
