// Process-wide values that global setup stores once and everything else only
// reads: the host's id for this effect and its basic-suite pointer (needed
// by callbacks that get no PF_InData, such as the idle hook and the
// pre-render record's deleter).
#pragma once
#include "host/pf_basic_types.h"
#include "host/sp_basic_suite.h"

extern AEGP_PluginID g_plugin_id;
extern const SPBasicSuite* g_basic_suite;
