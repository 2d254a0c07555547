#include "shell/plugin_globals.h"

AEGP_PluginID g_plugin_id = 0;
const SPBasicSuite* g_basic_suite = nullptr;
