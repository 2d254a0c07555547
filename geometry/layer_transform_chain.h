// The effect layer's transform composed through its parent chain. Angles
// are in radians here (the streams give degrees); the position is in
// composition pixels, the anchor in the layer's own pixels, scales in
// percent. A positive angle turns x towards y (clockwise on screen, y down).
#pragma once
#include "host/aegp_types.h"
#include "host/pf_in_data.h"

class SuiteHandler;

constexpr int PARENT_CHAIN_LIMIT = 16;

struct LayerTransform {
  double rotation_cos = 1.0;  // of the total angle: own Rotation + every parent's
  double rotation_sin = 0.0;
  double anchor_x = 0.0;  // the layer's own Anchor Point
  double anchor_y = 0.0;
  double position_x = 0.0;  // own Position carried through the parents
  double position_y = 0.0;
  double scale_x_pct = 100.0;  // own Scale times every parent's Scale / 100
  double scale_y_pct = 100.0;
};

// Reads the layer's Rotation, Anchor Point, Position and Scale in layer
// time, then composes at most PARENT_CHAIN_LIMIT parents in composition
// time. Every value that cannot be read keeps its default; a null layer
// gives the defaults (anchor at the middle of PF_InData's width and height).
LayerTransform ReadLayerTransformChain(SuiteHandler& suites, const PF_InData* in_data, AEGP_LayerH layer);
