// Glyph contours of DejaVu Sans read through FreeType in font units (no
// scaling, no hinting), so the outlines are the font's own, and mapped to
// layer pixels by font_size / units_per_em with the y axis turned downward.
// FT_Outline_Decompose resolves TrueType's implied on-curve points and
// closes each contour; its segments become the path's vertices.
#include "hostsim/glyph_outlines.h"

#include <cstdint>
#include <vector>

#ifdef HOSTSIM_HAS_FREETYPE
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#endif

namespace hostsim {

#ifdef HOSTSIM_HAS_FREETYPE

namespace {

// The next code point of a UTF-8 string; malformed bytes read as U+FFFD.
char32_t NextCodePoint(const std::string& s, std::size_t& i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char b0 = byte(i);
  int extra = 0;
  char32_t cp = 0;
  if (b0 < 0x80) {
    ++i;
    return b0;
  } else if ((b0 & 0xE0) == 0xC0) {
    extra = 1;
    cp = b0 & 0x1F;
  } else if ((b0 & 0xF0) == 0xE0) {
    extra = 2;
    cp = b0 & 0x0F;
  } else if ((b0 & 0xF8) == 0xF0) {
    extra = 3;
    cp = b0 & 0x07;
  } else {
    ++i;
    return 0xFFFD;
  }
  if (i + static_cast<std::size_t>(extra) >= s.size()) {
    i = s.size();
    return 0xFFFD;
  }
  for (int k = 1; k <= extra; ++k) {
    const unsigned char b = byte(i + static_cast<std::size_t>(k));
    if ((b & 0xC0) != 0x80) {
      i += static_cast<std::size_t>(k);
      return 0xFFFD;
    }
    cp = (cp << 6) | (b & 0x3F);
  }
  i += static_cast<std::size_t>(extra) + 1;
  return cp;
}

// Builds the paths of one glyph while FT_Outline_Decompose walks it.
struct ContourBuilder {
  double scale;     // layer pixels per font unit
  double origin_x;  // the glyph's origin on the baseline, layer pixels
  double origin_y;
  std::vector<SimTextPath>* paths;
  SimTextPath current;
  double cx = 0, cy = 0;  // the pen, layer pixels

  void Map(const FT_Vector* v, double& x, double& y) const {
    x = origin_x + static_cast<double>(v->x) * scale;
    y = origin_y - static_cast<double>(v->y) * scale;
  }

  void Flush() {
    if (current.vertices.empty()) return;
    std::vector<PF_PathVertex>& v = current.vertices;
    // The closing segment arrives back at the first vertex: its end point
    // is that vertex, so only its control point is kept.
    if (v.size() >= 2 && v.back().x == v.front().x && v.back().y == v.front().y) {
      v.front().tan_in_x = v.back().tan_in_x;
      v.front().tan_in_y = v.back().tan_in_y;
      v.pop_back();
    }
    current.open = false;
    if (v.size() >= 2) paths->push_back(std::move(current));
    current = SimTextPath{};
  }

  void Start(double x, double y) {
    Flush();
    current.vertices.push_back(PF_PathVertex{x, y, x, y, x, y});
    cx = x;
    cy = y;
  }

  // A cubic from the pen to (x, y) with control points (c1x, c1y), (c2x, c2y).
  void Segment(double c1x, double c1y, double c2x, double c2y, double x, double y) {
    if (x == cx && y == cy && c1x == cx && c1y == cy && c2x == cx && c2y == cy) return;  // no length
    PF_PathVertex& from = current.vertices.back();
    from.tan_out_x = c1x;
    from.tan_out_y = c1y;
    current.vertices.push_back(PF_PathVertex{x, y, c2x, c2y, x, y});
    cx = x;
    cy = y;
  }

  static ContourBuilder& Of(void* user) { return *static_cast<ContourBuilder*>(user); }

  static int MoveTo(const FT_Vector* to, void* user) {
    ContourBuilder& b = Of(user);
    double x, y;
    b.Map(to, x, y);
    b.Start(x, y);
    return 0;
  }
  static int LineTo(const FT_Vector* to, void* user) {
    ContourBuilder& b = Of(user);
    double x, y;
    b.Map(to, x, y);
    b.Segment(b.cx, b.cy, x, y, x, y);
    return 0;
  }
  static int ConicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
    ContourBuilder& b = Of(user);
    double qx, qy, x, y;
    b.Map(control, qx, qy);
    b.Map(to, x, y);
    b.Segment(b.cx + (qx - b.cx) * (2.0 / 3.0), b.cy + (qy - b.cy) * (2.0 / 3.0), x + (qx - x) * (2.0 / 3.0),
              y + (qy - y) * (2.0 / 3.0), x, y);
    return 0;
  }
  static int CubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
    ContourBuilder& b = Of(user);
    double ax, ay, bx, by, x, y;
    b.Map(c1, ax, ay);
    b.Map(c2, bx, by);
    b.Map(to, x, y);
    b.Segment(ax, ay, bx, by, x, y);
    return 0;
  }
};

struct FreeTypeFace {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  FreeTypeFace() {
    if (FT_Init_FreeType(&library) != 0) {
      library = nullptr;
      return;
    }
    if (FT_New_Face(library, TEXT_FONT_PATH, 0, &face) != 0) face = nullptr;
  }
  ~FreeTypeFace() {
    if (face != nullptr) FT_Done_Face(face);
    if (library != nullptr) FT_Done_FreeType(library);
  }
  FreeTypeFace(const FreeTypeFace&) = delete;
  FreeTypeFace& operator=(const FreeTypeFace&) = delete;
  bool Open() const { return face != nullptr && face->units_per_EM > 0; }
};

}  // namespace

bool GlyphOutlinesAvailable() { return FreeTypeFace().Open(); }

bool SetTextOutlines(const std::string& text, double font_size, double x, double y, SimTextOutlines& out) {
  FreeTypeFace ft;
  if (!ft.Open()) return false;
  const double scale = font_size / static_cast<double>(ft.face->units_per_EM);
  std::vector<SimTextPath> paths;
  double pen_x = x;
  FT_Outline_Funcs funcs{};
  funcs.move_to = &ContourBuilder::MoveTo;
  funcs.line_to = &ContourBuilder::LineTo;
  funcs.conic_to = &ContourBuilder::ConicTo;
  funcs.cubic_to = &ContourBuilder::CubicTo;
  for (std::size_t i = 0; i < text.size();) {
    const char32_t cp = NextCodePoint(text, i);
    const FT_UInt glyph = FT_Get_Char_Index(ft.face, static_cast<FT_ULong>(cp));
    if (FT_Load_Glyph(ft.face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0) continue;
    const FT_GlyphSlot slot = ft.face->glyph;
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
      ContourBuilder builder{scale, pen_x, y, &paths, {}};
      if (FT_Outline_Decompose(&slot->outline, &funcs, &builder) == 0) builder.Flush();
    }
    pen_x += static_cast<double>(slot->advance.x) * scale;
  }
  for (SimTextPath& p : paths) out.paths.push_back(std::move(p));
  return true;
}

#else

bool GlyphOutlinesAvailable() { return false; }

bool SetTextOutlines(const std::string&, double, double, double, SimTextOutlines&) { return false; }

#endif

}  // namespace hostsim
