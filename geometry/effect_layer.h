// The layer that carries the effect, as the host names it for the effect
// reference of the current call.
#pragma once
#include "host/aegp_types.h"
#include "host/pf_in_data.h"

class SuiteHandler;

// Null when the host cannot tell.
AEGP_LayerH GetEffectLayer(SuiteHandler& suites, const PF_InData* in_data);
// The layer's object type, AEGP_ObjectType_NONE (-1) when the query fails.
AEGP_ObjectType GetLayerObjectType(SuiteHandler& suites, AEGP_LayerH layer);
// The layer's flags, 0 when the query fails.
AEGP_LayerFlags GetLayerFlags(SuiteHandler& suites, AEGP_LayerH layer);
