#pragma once
#include "host/pf_in_data.h"
#include "host/pf_smart_fx.h"

PF_Err SmartRender(PF_InData* in_data, PF_OutData* out_data, PF_SmartRenderExtra* extra);
