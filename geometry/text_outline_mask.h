// The effect layer's glyph outlines as a raster: the host's text outlines at
// the frame's time, flattened into closed polygons and filled by the
// non-zero winding rule into a byte mask (255 inside, 0 outside) and,
// optionally, an anti-aliased float coverage plane of the same grid.
//
// Frame: the caller's supersampled pixel grid. A layer vertex (x, y) lands
// at ((x * scale_x - origin_x) * s, (y * scale_y - origin_y) * s); grid
// column c covers x from c to c + 1 and its centre is c + 0.5, rows alike.
// An edge that runs downward (y growing) winds +1, one that runs upward -1.
#pragma once
#include <cstdint>

#include "host/pf_in_data.h"

class SuiteHandler;

// One edge of a flattened outline, grid pixels.
struct TextEdge {
  float x0;
  float y0;
  float x1;
  float y1;
};

// Where a scanline crosses an edge: +1 for an edge running downward, -1 for
// one running upward.
struct ScanCrossing {
  float x;
  int direction;
};

// Polyline samples per cubic segment; a segment's end point is the next
// segment's first sample.
constexpr int TEXT_SEGMENT_SAMPLES = 12;
// Sub-scanlines per grid row when anti-aliased coverage is wanted.
constexpr int TEXT_COVERAGE_SUBSCANLINES = 4;

// A new width x height byte mask (calloc'ed; the caller frees it with free),
// or null when the effect layer is no text layer, its outlines cannot be had
// or give no edge, the grid is empty, or the mask cannot be allocated.
// `coverage`, when given, is the caller's zero-filled width x height plane:
// it receives the coverage (0 to 1) from four sub-scanlines per row, and the
// mask is derived from it (255 where coverage >= 0.5). Every host object
// taken is handed back before the call returns, also when it throws: a
// missing suite throws the int 516; a failed growth of the point, edge or
// crossing arrays throws the standard library's allocation error.
std::uint8_t* BuildTextOutlineMask(const PF_InData* in_data, SuiteHandler& suites, int origin_x, int origin_y,
                                   int width, int height, double scale_x, double scale_y, int supersample,
                                   float* coverage);

// One span [xa, xb) of grid x added to a coverage row of `width` floats:
// every column c it overlaps by o > 0 becomes min(1, value + min(1, o) x
// weight). The fill's blitter, open to its test.
void AddTextCoverageSpan(float* row, int width, float weight, float xa, float xb);
