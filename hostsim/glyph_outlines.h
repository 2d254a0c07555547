// Text outlines from real glyphs: a line of text set in DejaVu Sans through
// FreeType, each glyph contour turned into a closed SimTextPath of cubic
// segments in layer pixels (x right, y down). A path vertex carries its
// segments' control points as absolute positions: tan_out starts the segment
// that leaves the vertex, tan_in ends the one that arrives; straight
// segments have control points on their end points, and the font's
// quadratic segments are raised to cubics (control points two thirds of the
// way from each end point to the quadratic's one).
#pragma once
#include <string>

#include "hostsim/scene.h"

namespace hostsim {

// The font the simulated host sets text in (Debian's fonts-dejavu-core).
inline constexpr const char* TEXT_FONT_PATH = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// False when this build has no glyph loader or the font cannot be opened;
// tests that need glyphs skip then.
bool GlyphOutlinesAvailable();

// Sets `text` (UTF-8) on one line at `font_size` pixels per em, the
// baseline starting at (x, y) in layer pixels, and appends one path per
// glyph contour to `out`. Glyphs advance by the font's advance widths,
// without kerning or hinting. False, with `out` unchanged, when glyphs are
// not available.
bool SetTextOutlines(const std::string& text, double font_size, double x, double y, SimTextOutlines& out);

}  // namespace hostsim
