// PLACEHOLDER until its own work lands: answers the command without doing it.
#include "geometry/smart_pre_render.h"

#include "host/pf_errors.h"

PF_Err SmartPreRender(PF_InData*, PF_OutData*, PF_PreRenderExtra*) { return PF_Err_NONE; }
