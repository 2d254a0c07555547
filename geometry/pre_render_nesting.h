// The guard against host renders that come back into the pre-render: a
// matte render asks the host for a frame, and the host may render that
// frame by running this effect's pre-render again on the same thread. The
// counter is per thread; while three matte renders are in progress on a
// thread, a further pre-render there renders no matte.
#pragma once
#include <cstdint>

constexpr std::int32_t MAX_PRE_RENDER_NESTING = 3;

extern thread_local std::int32_t g_pre_render_nesting;

// Raises the counter for one matte render and lowers it again when it
// leaves, also when an exception passes.
class PreRenderNestingScope {
 public:
  PreRenderNestingScope() { ++g_pre_render_nesting; }
  ~PreRenderNestingScope() { --g_pre_render_nesting; }
  PreRenderNestingScope(const PreRenderNestingScope&) = delete;
  PreRenderNestingScope& operator=(const PreRenderNestingScope&) = delete;
};

inline bool MatteRenderAllowed() { return g_pre_render_nesting < MAX_PRE_RENDER_NESTING; }
