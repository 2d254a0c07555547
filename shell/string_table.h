// The effect's user-visible texts, looked up by id. Ids equal the index of
// their record; texts are NUL-terminated and live as long as the module.
#pragma once
#include "host/pf_basic_types.h"

enum StrID : A_long {
  STR_NONE = 0,
  STR_NAME,
  STR_DESCRIPTION,
  STR_REFRACTION,
  STR_MAGNIFY,
  STR_DEPTH,
  STR_SPLAY,
  STR_FROST,
  STR_DISPERSION,
  STR_LIGHT,
  STR_LIGHT_ANGLE,
  STR_LIGHT_INTENSITY,
  STR_EFFECT_SCALE,
  STR_RIM_SCALE,
  STR_ADJUSTMENTS,
  STR_COUNT,
};

constexpr A_long TABLE_STRING_LENGTH = 256;

struct TableString {
  A_long index;
  A_char str[TABLE_STRING_LENGTH];
};

extern const TableString g_string_table[STR_COUNT];

// The text of record `id`; an id outside StrID yields the empty text.
const A_char* GetStringPtr(A_long id);
