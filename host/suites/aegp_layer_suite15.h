// "AEGP Layer Suite" version 15: a composition's layers and their switches,
// times, transfer modes, parents and track mattes. The operations the
// plug-in calls sit where version 11 has them, so the table is version 11's.
#pragma once
#include "host/suites/aegp_layer_suite11.h"

extern "C" {

struct AEGP_LayerSuite15 : AEGP_LayerSuite11 {};

}  // extern "C"

static_assert(sizeof(AEGP_LayerSuite15) == sizeof(AEGP_LayerSuite11));
