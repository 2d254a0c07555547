// "AEGP Stream Suite" version 11: the layer's, an effect's and a mask's
// streams, their names (UTF-16 memory handles) and their values at a time.
// The operations the plug-in calls sit where version 10 has them, so the
// table is version 10's.
#pragma once
#include "host/suites/aegp_stream_suite10.h"

extern "C" {

struct AEGP_StreamSuite11 : AEGP_StreamSuite10 {};

}  // extern "C"

static_assert(sizeof(AEGP_StreamSuite11) == sizeof(AEGP_StreamSuite10));
