// A library for the loader's tests: one exported function that needs a second library lying
// beside it, which only a load with the altered search path finds.
#include "plugin_export.h"

extern "C" CW32_PLUGIN_IMPORT int PluginDependencyValue();

extern "C" CW32_PLUGIN_EXPORT int PluginAnswer() { return PluginDependencyValue() + 2; }
