// Rasteriser of the effect layer's glyph outlines. Each cubic segment of an
// outline is sampled at twelve equal parameter steps (the tangent fields of
// a path vertex are absolute control points), the samples of an outline
// form one closed polygon, and all polygons are filled together by the
// non-zero winding rule on the caller's supersampled grid: one scanline
// through each row's centre for the byte mask, or four sub-scanlines per
// row with exact horizontal span overlaps for the float coverage.
//
// Only the edges that span a scanline are tested on it: edges are taken in
// order of their top and dropped once a scanline passes their bottom, which
// yields the same crossings as testing every edge.
#include "geometry/text_outline_mask.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <memory>
#include <vector>

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
#include <emmintrin.h>
#endif

#include "geometry/effect_layer.h"
#include "geometry/text_outlines_guard.h"
#include "host/pf_errors.h"
#include "host/suites/aegp_text_layer_suite1.h"
#include "host/suites/pf_path_data_suite1.h"
#include "render/allocation_seam.h"
#include "render/index_from_float.h"
#include "render/large_block_hint.h"
#include "shell/suite_handler.h"

namespace {

// Points are kept well inside float range so that no edge arithmetic
// overflows; a host coordinate that is not finite drops its point.
constexpr float TEXT_POINT_LIMIT = 1e12f;


struct GridMapping {
  double origin_x;
  double origin_y;
  double scale_x;
  double scale_y;
  double supersample;
};

struct GridPoint {
  float x;
  float y;
};

void AppendPoint(double x, double y, const GridMapping& m, std::vector<GridPoint>& points) {
  const float gx = static_cast<float>((x * m.scale_x - m.origin_x) * m.supersample);
  const float gy = static_cast<float>((y * m.scale_y - m.origin_y) * m.supersample);
  if (!std::isfinite(gx) || !std::isfinite(gy)) return;
  points.push_back({std::clamp(gx, -TEXT_POINT_LIMIT, TEXT_POINT_LIMIT),
                    std::clamp(gy, -TEXT_POINT_LIMIT, TEXT_POINT_LIMIT)});
}

// The cubic from v0 to v1 with control points v0.tan_out and v1.tan_in,
// sampled at t = k / 12 for k = 0 ... 11.
void SampleSegment(const PF_PathVertex& v0, const PF_PathVertex& v1, const GridMapping& m,
                   std::vector<GridPoint>& points) {
  for (int k = 0; k < TEXT_SEGMENT_SAMPLES; ++k) {
    const double t = static_cast<double>(k) / static_cast<double>(TEXT_SEGMENT_SAMPLES);
    const double u = 1.0 - t;
    const double x = u * u * u * v0.x + (u * 3.0 * u * t) * v0.tan_out_x + (u * 3.0 * t * t) * v1.tan_in_x +
                     t * t * t * v1.x;
    const double y = u * u * u * v0.y + (u * 3.0 * u * t) * v0.tan_out_y + (u * 3.0 * t * t) * v1.tan_in_y +
                     t * t * t * v1.y;
    AppendPoint(x, y, m, points);
  }
}

// One outline's polygon: skipped when its path, segment count or first
// vertex cannot be read; cut short at the first later vertex that cannot.
void FlattenOutline(const PF_PathDataSuite1* paths, PF_ProgPtr effect_ref, PF_PathOutlinePtr path,
                    const GridMapping& m, std::vector<GridPoint>& points) {
  points.clear();
  A_long segments = 0;
  if (paths->PF_PathNumSegments == nullptr || paths->PF_PathVertexInfo == nullptr ||
      paths->PF_PathNumSegments(effect_ref, path, &segments) != PF_Err_NONE || segments < 1) {
    return;
  }
  PF_PathVertex v0{};
  if (paths->PF_PathVertexInfo(effect_ref, path, 0, &v0) != PF_Err_NONE) return;
  for (A_long j = 0; j < segments; ++j) {
    PF_PathVertex v1{};
    if (paths->PF_PathVertexInfo(effect_ref, path, j + 1, &v1) != PF_Err_NONE) break;
    SampleSegment(v0, v1, m, points);
    v0 = v1;
  }
}

void AppendClosedEdges(const std::vector<GridPoint>& points, std::vector<TextEdge>& edges) {
  const std::size_t m = points.size();
  for (std::size_t p = 0; p < m; ++p) {
    const GridPoint& a = points[p];
    const GridPoint& b = points[(p + 1) % m];
    edges.push_back({a.x, a.y, b.x, b.y});
  }
}

// Every edge of every outline of the effect layer, or none.
std::vector<TextEdge> ReadTextEdges(const PF_InData* in_data, SuiteHandler& suites, const GridMapping& m) {
  std::vector<TextEdge> edges;
  AEGP_LayerH layer = GetEffectLayer(suites, in_data);
  if (layer == nullptr) return edges;
  if (GetLayerObjectType(suites, layer) != AEGP_ObjectType_TEXT) return edges;

  const AEGP_TextLayerSuite1* text = suites.TextLayerSuiteV1();
  if (text->AEGP_GetNewTextOutlines == nullptr) return edges;
  const A_Time layer_time{in_data->current_time, in_data->time_scale};
  AEGP_TextOutlinesH outlines = nullptr;
  if (text->AEGP_GetNewTextOutlines(layer, &layer_time, &outlines) != A_Err_NONE || outlines == nullptr) {
    return edges;
  }
  TextOutlinesGuard guard(text, outlines);
  A_long count = 0;
  if (text->AEGP_GetNumTextOutlines == nullptr || text->AEGP_GetNumTextOutlines(outlines, &count) != A_Err_NONE) {
    count = 0;
  }
  if (count < 1 || text->AEGP_GetIndexedTextOutline == nullptr) return edges;

  const PF_PathDataSuite1* paths = suites.PathDataSuiteV1();
  std::vector<GridPoint> points;
  for (A_long i = 0; i < count; ++i) {
    PF_PathOutlinePtr path = nullptr;
    if (text->AEGP_GetIndexedTextOutline(outlines, i, &path) != A_Err_NONE || path == nullptr) continue;
    FlattenOutline(paths, in_data->effect_ref, path, m, points);
    AppendClosedEdges(points, edges);
  }
  return edges;
}

float EdgeTop(const TextEdge& e) { return std::min(e.y0, e.y1); }
float EdgeBottom(const TextEdge& e) { return std::max(e.y0, e.y1); }

}  // namespace

void AddTextCoverageSpan(float* row, int width, float weight, float xa, float xb) {
  const int first = IndexFromFloat<int>(std::floor(xa), 0, width);
  const int end = IndexFromFloat<int>(std::ceil(xb), 0, width);
  auto add = [&](int c) {
    const float o = std::min(xb, static_cast<float>(c + 1)) - std::max(xa, static_cast<float>(c));
    if (o > 0.0f) row[c] = std::min(1.0f, row[c] + std::min(1.0f, o) * weight);
  };
  int c = first;
#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
  // Columns wholly inside the span (ceil(xa) <= c < floor(xb)) overlap it by
  // exactly 1 and take min(1, value + 1 x weight), four at a time.
  const int inner_begin = IndexFromFloat<int>(std::ceil(xa), first, std::max(first, end));
  const int inner_end = IndexFromFloat<int>(std::floor(xb), inner_begin, std::max(inner_begin, end));
  if (inner_end - inner_begin >= 4) {
    for (; c < inner_begin; ++c) add(c);
    const __m128 one = _mm_set1_ps(1.0f);
    const __m128 step = _mm_mul_ps(one, _mm_set1_ps(weight));
    for (; c + 4 <= inner_end; c += 4) _mm_storeu_ps(row + c, _mm_min_ps(_mm_add_ps(_mm_loadu_ps(row + c), step), one));
  }
#endif
  for (; c < end; ++c) add(c);
}

namespace {

// Sets the pixels of mask row `row` whose centre lies in [xa, xb).
void SetMaskSpan(std::uint8_t* row, int width, float xa, float xb) {
  const int first = IndexFromFloat<int>(std::ceil(xa - 0.5f), 0, width);
  const int last = IndexFromFloat<int>(std::floor(xb - 0.5f), -1, width - 1);
  for (int c = first; c <= last; ++c) row[c] = 255;
}

void FillEdges(std::vector<TextEdge>& edges, int width, int height, std::uint8_t* mask, float* coverage) {
  const int subscanlines = coverage != nullptr ? TEXT_COVERAGE_SUBSCANLINES : 1;
  const float weight = 1.0f / static_cast<float>(subscanlines);
  std::sort(edges.begin(), edges.end(),
            [](const TextEdge& a, const TextEdge& b) { return EdgeTop(a) < EdgeTop(b); });
  std::vector<TextEdge> active;
  std::vector<ScanCrossing> crossings;
  std::size_t next = 0;
  for (int r = 0; r < height; ++r) {
    const std::size_t row_start = static_cast<std::size_t>(r) * static_cast<std::size_t>(width);
    for (int k = 0; k < subscanlines; ++k) {
      const float y = coverage != nullptr
                          ? static_cast<float>(r) + (static_cast<float>(k) + 0.5f) * weight
                          : static_cast<float>(r) + 0.5f;
      while (next < edges.size() && EdgeTop(edges[next]) <= y) active.push_back(edges[next++]);
      std::erase_if(active, [y](const TextEdge& e) { return EdgeBottom(e) <= y; });

      crossings.clear();
      for (const TextEdge& e : active) {
        int direction = 0;
        if (e.y0 <= y && y < e.y1) {
          direction = 1;
        } else if (e.y1 <= y && y < e.y0) {
          direction = -1;
        } else {
          continue;
        }
        crossings.push_back({e.x0 + (y - e.y0) / (e.y1 - e.y0) * (e.x1 - e.x0), direction});
      }
      if (crossings.size() < 2) continue;
      std::sort(crossings.begin(), crossings.end(), [](const ScanCrossing& a, const ScanCrossing& b) {
        return a.x < b.x || (a.x == b.x && a.direction < b.direction);
      });

      int winding = 0;
      float xa = 0.0f;
      for (const ScanCrossing& c : crossings) {
        const int before = winding;
        winding += c.direction;
        if (before == 0 && winding != 0) {
          xa = c.x;
        } else if (before != 0 && winding == 0) {
          if (coverage != nullptr) {
            AddTextCoverageSpan(coverage + row_start, width, weight, xa, c.x);
          } else {
            SetMaskSpan(mask + row_start, width, xa, c.x);
          }
        }
      }
    }
  }
  if (coverage != nullptr) {
    const std::size_t n = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::size_t i = 0;
#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
    // Sixteen at a time: the all-ones lanes of the comparison (a NaN
    // compares false, as in the scalar test) pack down to bytes of 255.
    const __m128 half = _mm_set1_ps(0.5f);
    for (; i + 16 <= n; i += 16) {
      const __m128i m0 = _mm_castps_si128(_mm_cmpge_ps(_mm_loadu_ps(coverage + i), half));
      const __m128i m1 = _mm_castps_si128(_mm_cmpge_ps(_mm_loadu_ps(coverage + i + 4), half));
      const __m128i m2 = _mm_castps_si128(_mm_cmpge_ps(_mm_loadu_ps(coverage + i + 8), half));
      const __m128i m3 = _mm_castps_si128(_mm_cmpge_ps(_mm_loadu_ps(coverage + i + 12), half));
      const __m128i bytes = _mm_packs_epi16(_mm_packs_epi32(m0, m1), _mm_packs_epi32(m2, m3));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(mask + i), bytes);
    }
#endif
    for (; i < n; ++i) mask[i] = coverage[i] >= 0.5f ? 255 : 0;
  }
}

}  // namespace

std::uint8_t* BuildTextOutlineMask(const PF_InData* in_data, SuiteHandler& suites, int origin_x, int origin_y,
                                   int width, int height, double scale_x, double scale_y, int supersample,
                                   float* coverage) {
  const GridMapping mapping{static_cast<double>(origin_x), static_cast<double>(origin_y), scale_x, scale_y,
                            static_cast<double>(supersample)};
  std::vector<TextEdge> edges = ReadTextEdges(in_data, suites, mapping);
  if (edges.empty() || width <= 0 || height <= 0) return nullptr;
  // Held so that a fill whose arrays cannot grow does not lose it. A large
  // mask takes room for its huge-page alignment; the bytes beyond width x
  // height are never touched.
  const std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  ZeroedArray<std::uint8_t> mask = TryAllocateZeroedArray<std::uint8_t>(LargeBlockRequestBytes(bytes));
  if (mask == nullptr) return nullptr;
  FillEdges(edges, width, height, mask.get(), coverage);
  return mask.release();
}
