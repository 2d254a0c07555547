// PLACEHOLDER until its own work lands: answers the command without doing it.
#include "render/smart_render.h"

#include "host/pf_errors.h"

PF_Err SmartRender(PF_InData*, PF_OutData*, PF_SmartRenderExtra*) { return PF_Err_NONE; }
