// The pane field of a stage that could not build one: no pane anywhere,
// depth 0 and distance (and height, when present) NO_DISTANCE.
#pragma once
#include "render/float_plane.h"

void FillNoPaneField(FloatPlane& pane_depth, FloatPlane& pane_distance, FloatPlane* pane_height);
