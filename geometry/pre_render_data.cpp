// PLACEHOLDER until the pre-render work lands: the deleter is written there.
#include "geometry/pre_render_data.h"

void DeletePreRenderData(void*) {}
