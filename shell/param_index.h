// Positions of the effect's parameters in the host's parameter list (index
// 0 is the input layer, which the host adds itself) and the ids stored with
// each parameter in projects. The stored ids are not in index order and
// some are unused: projects depend on these exact values.
#pragma once
#include "host/pf_basic_types.h"

enum ParamIndex : A_long {
  PARAM_INPUT = 0,
  PARAM_LIGHT_GROUP_START = 1,
  PARAM_LIGHT_ANGLE = 2,
  PARAM_LIGHT_INTENSITY = 3,
  PARAM_LIGHT_GROUP_END = 4,
  PARAM_REFRACTION = 5,
  PARAM_DEPTH = 6,
  PARAM_DISPERSION = 7,
  PARAM_FROST = 8,
  PARAM_SPLAY = 9,
  PARAM_ADJUSTMENTS_GROUP_START = 10,
  PARAM_MAGNIFY = 11,
  PARAM_EFFECT_SCALE = 12,
  PARAM_RIM_SCALE = 13,
  PARAM_ADJUSTMENTS_GROUP_END = 14,
  PARAM_COUNT = 15,
};

enum ParamDiskId : A_long {
  DISK_ID_LIGHT_GROUP_START = 1,
  DISK_ID_LIGHT_GROUP_END = 2,
  DISK_ID_LIGHT_ANGLE = 3,
  DISK_ID_LIGHT_INTENSITY = 4,
  DISK_ID_REFRACTION = 5,
  DISK_ID_DEPTH = 6,
  DISK_ID_DISPERSION = 7,
  DISK_ID_FROST = 8,
  DISK_ID_SPLAY = 9,
  DISK_ID_EFFECT_SCALE = 10,
  DISK_ID_ADJUSTMENTS_GROUP_START = 13,
  DISK_ID_ADJUSTMENTS_GROUP_END = 14,
  DISK_ID_MAGNIFY = 22,
  DISK_ID_RIM_SCALE = 24,
};
