// The last hold on a staged shape slot before the record: its centre, sizes
// and radii within LENGTH_LIMIT and its rotation reduced, whatever group
// transforms, outer transforms and sums produced them.
#pragma once
#include "geometry/pre_render_data.h"

void BoundSlotValues(ShapeSlot& slot);
