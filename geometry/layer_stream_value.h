// Reading one of a layer's own transform streams (Anchor Point, Position,
// Scale, Rotation) at a time, with expressions applied. Values are as the
// host reports them: layer or composition pixels, percent, degrees.
#pragma once
#include "host/aegp_types.h"
#include "host/aegp_stream_types.h"
#include "host/pf_basic_types.h"

class SuiteHandler;

// Reads the stream's x and y (a one-dimensional stream gives x only, y is
// left alone). False when the stream or its value cannot be had or is not
// finite; the outputs are then untouched, so the caller's default stands.
// The stream and its value are disposed before it returns.
bool ReadLayerStreamValue(SuiteHandler& suites, AEGP_LayerH layer, AEGP_LayerStream which, AEGP_LTimeMode mode,
                          const A_Time& time, bool two_dimensional, double* x, double* y);
