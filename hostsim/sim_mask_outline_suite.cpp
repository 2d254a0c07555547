// "AEGP Mask Outline Suite" 5 of the simulated host: vertices, segment
// count and open flag of an outline value that is still live. A closed
// outline of n vertices has n segments and answers vertex n with vertex 0;
// an open one has n - 1 segments.
#include "host/pf_errors.h"
#include "host/suites/aegp_mask_outline_suite5.h"
#include "hostsim/host.h"
#include "hostsim/stream_suites.h"

namespace hostsim {

namespace {

const SimOutline* Outline(AEGP_MaskOutlineValH h) { return Host::Current()->streams().ResolveOutline(h); }

A_Err IsMaskOutlineOpen(AEGP_MaskOutlineValH h, A_Boolean* open) {
  const SimOutline* o = Outline(h);
  if (o == nullptr || open == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  if (o->fail_open) return A_Err_GENERIC;
  *open = o->open ? 1 : 0;
  return A_Err_NONE;
}

A_Err GetMaskOutlineNumSegments(AEGP_MaskOutlineValH h, A_long* count) {
  const SimOutline* o = Outline(h);
  if (o == nullptr || count == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  if (o->fail_segments) return A_Err_GENERIC;
  const auto n = static_cast<A_long>(o->vertices.size());
  *count = o->open ? (n > 0 ? n - 1 : 0) : n;
  return A_Err_NONE;
}

A_Err GetMaskOutlineVertexInfo(AEGP_MaskOutlineValH h, AEGP_VertexIndex index, AEGP_MaskVertex* vertex) {
  const SimOutline* o = Outline(h);
  if (o == nullptr || vertex == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  if (index == o->fail_vertex) return A_Err_GENERIC;
  const auto n = static_cast<AEGP_VertexIndex>(o->vertices.size());
  if (index < 0 || index > n || n == 0 || (index == n && o->open)) return PF_Err_INVALID_INDEX;
  *vertex = o->vertices[static_cast<std::size_t>(index == n ? 0 : index)];
  return A_Err_NONE;
}

A_Err GetMaskOutlineNumFeathers(AEGP_MaskOutlineValH h, A_long* count) {
  if (Outline(h) == nullptr || count == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  *count = 0;
  return A_Err_NONE;
}

AEGP_MaskOutlineSuite5 MakeTable() {
  AEGP_MaskOutlineSuite5 t{};
  t.AEGP_IsMaskOutlineOpen = IsMaskOutlineOpen;
  t.AEGP_GetMaskOutlineNumSegments = GetMaskOutlineNumSegments;
  t.AEGP_GetMaskOutlineVertexInfo = GetMaskOutlineVertexInfo;
  t.AEGP_GetMaskOutlineNumFeathers = GetMaskOutlineNumFeathers;
  return t;
}

const AEGP_MaskOutlineSuite5 kMaskOutlineSuite5 = MakeTable();

}  // namespace

void InstallMaskOutlineSuite(Host& host) {
  host.suites().Register("AEGP Mask Outline Suite", 5, &kMaskOutlineSuite5);
}

}  // namespace hostsim
