#include "geometry/pre_render_nesting.h"

thread_local std::int32_t g_pre_render_nesting = 0;
