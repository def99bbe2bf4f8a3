// Exports of the test plugin and its dependency.
#pragma once

#if defined(_WIN32)
#define CW32_PLUGIN_EXPORT __declspec(dllexport)
#define CW32_PLUGIN_IMPORT __declspec(dllimport)
#else
#define CW32_PLUGIN_EXPORT __attribute__((visibility("default")))
#define CW32_PLUGIN_IMPORT
#endif
