// Sequence data of an effect instance: a one-byte host handle holding 1.
// Nothing reads it; it exists so the host has something to own per instance.
#pragma once
#include "host/pf_in_data.h"

PF_Err SequenceSetup(PF_InData* in_data, PF_OutData* out_data);
PF_Err SequenceSetdown(PF_InData* in_data);
