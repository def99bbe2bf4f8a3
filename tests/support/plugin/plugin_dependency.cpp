// The library that the test plugin needs.
#include "plugin_export.h"

extern "C" CW32_PLUGIN_EXPORT int PluginDependencyValue() { return 40; }
