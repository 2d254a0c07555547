// Segment i of an outline runs from vertex i to vertex i + 1 (the host
// numbers the first vertex again after the last of a closed outline), with
// control points P0 = vertex i, P1 = P0 + its out-tangent, P3 = vertex
// i + 1 and P2 = P3 + its in-tangent, each formed in double and rounded to
// float. Samples t = k / n, k = 0 .. n - 1, are evaluated in float
// arithmetic in a fixed order so every build gives the same bits.
#include "geometry/mask_outline_reader.h"

#include <algorithm>
#include <cmath>

#include "geometry/bounded_values.h"
#include "geometry/pre_render_data.h"
#include "geometry/stream_helpers.h"
#include "geometry/stream_ownership.h"
#include "host/suites/aegp_mask_outline_suite5.h"
#include "host/suites/aegp_stream_suite11.h"

namespace {

constexpr int MIN_SAMPLES_PER_SEGMENT = 2;
constexpr int MAX_SAMPLES_PER_SEGMENT = 64;

bool VertexIsFinite(const AEGP_MaskVertex& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.tan_in_x) && std::isfinite(v.tan_in_y) &&
         std::isfinite(v.tan_out_x) && std::isfinite(v.tan_out_y);
}

// A vertex and its tangents held to the working range, so the control
// points and their float samples stay finite.
AEGP_MaskVertex BoundedVertex(AEGP_MaskVertex v) {
  v.x = BoundedLength(v.x);
  v.y = BoundedLength(v.y);
  v.tan_in_x = BoundedLength(v.tan_in_x);
  v.tan_in_y = BoundedLength(v.tan_in_y);
  v.tan_out_x = BoundedLength(v.tan_out_x);
  v.tan_out_y = BoundedLength(v.tan_out_y);
  return v;
}

// Writes the n samples of segment i at out[0 .. 2n). False when a vertex
// cannot be read or is not a finite number.
bool SampleSegment(const AEGP_MaskOutlineSuite5* outlines, AEGP_MaskOutlineValH outline, int i, int n,
                   float* out) {
  AEGP_MaskVertex a{};
  AEGP_MaskVertex b{};
  if (outlines->AEGP_GetMaskOutlineVertexInfo(outline, i, &a) != 0) return false;
  if (outlines->AEGP_GetMaskOutlineVertexInfo(outline, i + 1, &b) != 0) return false;
  if (!VertexIsFinite(a) || !VertexIsFinite(b)) return false;
  a = BoundedVertex(a);
  b = BoundedVertex(b);
  const float p0x = static_cast<float>(a.x);
  const float p0y = static_cast<float>(a.y);
  const float p1x = static_cast<float>(a.x + a.tan_out_x);
  const float p1y = static_cast<float>(a.y + a.tan_out_y);
  const float p3x = static_cast<float>(b.x);
  const float p3y = static_cast<float>(b.y);
  const float p2x = static_cast<float>(b.x + b.tan_in_x);
  const float p2y = static_cast<float>(b.y + b.tan_in_y);
  for (int k = 0; k < n; ++k) {
    const float t = static_cast<float>(k) / static_cast<float>(n);
    const float u = 1.0f - t;
    const float w0 = u * u * u;
    const float w1 = u * 3.0f * u * t;
    const float w2 = u * 3.0f * t * t;
    const float w3 = t * t * t;
    out[2 * k] = w0 * p0x + w1 * p1x + w2 * p2x + w3 * p3x;
    out[2 * k + 1] = w0 * p0y + w1 * p1y + w2 * p2y + w3 * p3y;
  }
  return true;
}

int SamplesPerSegment(int room, int segments) {
  return std::clamp(room / segments, MIN_SAMPLES_PER_SEGMENT, MAX_SAMPLES_PER_SEGMENT);
}

// Samples every segment that fits the room from `points`; the number of
// points written, or -1 when a vertex failed.
int SampleOutline(const AEGP_MaskOutlineSuite5* outlines, AEGP_MaskOutlineValH outline, int segments, int n,
                  int room, float* points) {
  int written = 0;
  for (int i = 0; i < segments; ++i) {
    if (written > room - n) break;
    if (!SampleSegment(outlines, outline, i, n, points + 2 * written)) return -1;
    written += n;
  }
  return written;
}

}  // namespace

int ReadMaskOutline(SuiteHandler& suites, const PF_InData* in_data, AEGP_MaskRefH mask, float* points) {
  if (mask == nullptr || points == nullptr) return 0;
  ScopedStreamRef stream(suites);
  if (suites.StreamSuiteV11()->AEGP_GetNewMaskStream(0, mask, AEGP_MaskStream_OUTLINE, stream.out()) != 0) return 0;
  if (!stream) return 0;
  ScopedStreamValue value(suites);
  if (!value.Read(stream.get(), AEGP_LTimeMode_LayerTime, FrameTime(in_data))) return 0;
  const AEGP_MaskOutlineValH outline = value.value().val.mask;
  if (outline == nullptr) return 0;
  const AEGP_MaskOutlineSuite5* outlines = suites.MaskOutlineSuiteV5();
  A_long segments = 0;
  if (outlines->AEGP_GetMaskOutlineNumSegments(outline, &segments) != 0 || segments < 2) return 0;
  const int n = SamplesPerSegment(MAX_SLOT_POINTS - 1, segments);
  const int total = SampleOutline(outlines, outline, segments, n, MAX_SLOT_POINTS, points);
  return total >= 3 ? total : 0;
}

int FlattenPathOutline(SuiteHandler& suites, AEGP_StreamRefH path, const PF_InData* in_data, float* points,
                       std::uint32_t start) {
  if (path == nullptr || points == nullptr) return 0;
  ScopedStreamValue value(suites);
  if (!value.Read(path, AEGP_LTimeMode_LayerTime, FrameTime(in_data))) return 0;
  const AEGP_MaskOutlineValH outline = value.value().val.mask;
  if (outline == nullptr) return 0;
  const AEGP_MaskOutlineSuite5* outlines = suites.MaskOutlineSuiteV5();
  A_long segments = 0;
  A_Boolean open = 1;
  if (outlines->AEGP_GetMaskOutlineNumSegments(outline, &segments) != 0) return 0;
  if (outlines->AEGP_IsMaskOutlineOpen(outline, &open) != 0) return 0;
  const std::int64_t room = static_cast<std::int64_t>(MAX_SLOT_POINTS) - start;
  if (segments < 2 || open != 0 || room < 3) return 0;
  const int n = SamplesPerSegment(static_cast<int>(room) - 1, segments);
  const int total = SampleOutline(outlines, outline, segments, n, static_cast<int>(room), points + 2 * start);
  return total >= 3 ? total : 0;
}
