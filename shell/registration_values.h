// What the module tells the host about itself when it is loaded. The
// registration exports and the Windows module's PiPL resource both read these.
#pragma once
#include "host/pf_basic_types.h"

constexpr const char* PLUGIN_DISPLAY_NAME = "Prismora";
constexpr const char* PLUGIN_MATCH_NAME = "VantrellePrismora";
constexpr const char* PLUGIN_CATEGORY = "Vantrelle";
constexpr const char* PLUGIN_ENTRY_POINT_NAME = "EntryPointFunc";
constexpr const char* PLUGIN_SUPPORT_URL = "";
constexpr A_long PLUGIN_KIND_EFFECT = 0x65464B54;  // 'eFKT'
constexpr A_long PLUGIN_API_VERSION_MAJOR = 13;
constexpr A_long PLUGIN_API_VERSION_MINOR = 27;   // PluginDataEntryFunction
constexpr A_long PLUGIN_API_VERSION_MINOR_2 = 28; // PluginDataEntryFunction2
constexpr A_long PLUGIN_RESERVED_INFO = 8;
