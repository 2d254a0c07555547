// The render-cache key: byte blocks fed to the host's GUID mix-in so that
// the host's frame cache tells frames apart by what this effect draws (the
// pane geometry, the text outlines, the track matte), not only by the
// effect's controls. Integers go in as they lie in memory (little-endian).
#pragma once
#include <cstdint>

#include "geometry/pre_render_data.h"
#include "host/pf_in_data.h"
#include "host/pf_smart_fx.h"

class SuiteHandler;

constexpr char GUID_TAG[4] = {'1', 'Z', 'R', 'P'};
constexpr std::int32_t PLUGIN_BUILD = 94;
constexpr std::int32_t GUID_SALT = 123;
constexpr int TEXT_HASH_VERTEX_BUDGET = 4000;

// FNV-1a from SIGNATURE_HASH_SEED over the first shape_count slots' bytes.
std::uint64_t HashShapeSlots(const ShapeSlot* slots, std::uint32_t shape_count);

// Feeds the key's blocks in order through `mix_in` (never null here):
// tag, build, salt, shape count; the slot hash when there are slots; the
// text hash of a text layer; the track matte's composition time, matrix,
// flags and the effect layer's matte mode. A block whose query fails is
// left out and the blocks after it are still fed.
void FeedRenderCacheKey(SuiteHandler& suites, const PF_InData* in_data,
                        PF_Err (*mix_in)(PF_ProgPtr, A_u_long, const void*), const ShapeSlot* staged_slots,
                        std::uint32_t shape_count);
