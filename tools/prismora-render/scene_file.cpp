#include "scene_file.h"

#include <cmath>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <vector>

namespace prismora_render {

namespace {

using nlohmann::json;

// A parse error that carries the path of the field it is about.
struct SceneError {
  std::string field;
  std::string problem;
};

[[noreturn]] void Fail(const std::string& field, const std::string& problem) { throw SceneError{field, problem}; }

// Groups inside groups, counted from the layer's own contents. The reader
// recurses once per group, and the plug-in looks only a few levels down, so
// a bound well above any real use keeps a hostile file off the stack.
constexpr int MAX_GROUP_NESTING = 64;

// Builds the document while keeping the path to the value being read, so
// that a syntax error or a number too large for a double is reported with
// the field it belongs to, as every other scene error is.
class PathTrackingSax {
 public:
  explicit PathTrackingSax(json& result) : dom_(result, false) {}

  bool null() { return Value(), dom_.null(); }
  bool boolean(bool v) { return Value(), dom_.boolean(v); }
  bool number_integer(json::number_integer_t v) { return Value(), dom_.number_integer(v); }
  bool number_unsigned(json::number_unsigned_t v) { return Value(), dom_.number_unsigned(v); }
  bool number_float(json::number_float_t v, const json::string_t& text) { return Value(), dom_.number_float(v, text); }
  bool string(json::string_t& v) { return Value(), dom_.string(v); }
  bool binary(json::binary_t& v) { return Value(), dom_.binary(v); }
  bool start_object(std::size_t n) {
    Value();
    frames_.push_back(Frame{false, 0, {}});
    return dom_.start_object(n);
  }
  bool key(json::string_t& k) {
    frames_.back().key = k;
    return dom_.key(k);
  }
  bool end_object() {
    frames_.pop_back();
    return dom_.end_object();
  }
  bool start_array(std::size_t n) {
    Value();
    frames_.push_back(Frame{true, 0, {}});
    return dom_.start_array(n);
  }
  bool end_array() {
    frames_.pop_back();
    return dom_.end_array();
  }
  bool parse_error(std::size_t, const std::string& token, const nlohmann::detail::exception& e) {
    field_ = Path();
    // 406: a number that overflows a double.
    problem_ = e.id == 406 ? std::string("the number ").append(token).append(" is too large")
                           : std::string("not valid JSON: ").append(e.what());
    return false;
  }

  const std::string& field() const { return field_; }
  const std::string& problem() const { return problem_; }

 private:
  struct Frame {
    bool array;
    std::size_t count;  // values begun in an array
    std::string key;    // the key being read in an object
  };
  void Value() {
    if (!frames_.empty() && frames_.back().array) ++frames_.back().count;
  }
  // Open containers name the member they are in; the innermost one names
  // the member being read when the parser stopped.
  std::string Path() const {
    std::string path;
    for (std::size_t i = 0; i < frames_.size(); ++i) {
      const Frame& f = frames_[i];
      const bool innermost = i + 1 == frames_.size();
      if (f.array) {
        path.append("[").append(std::to_string(innermost ? f.count : f.count - 1)).append("]");
      } else {
        if (!path.empty()) path.append(".");
        path.append(f.key);
      }
    }
    return path;
  }

  nlohmann::detail::json_sax_dom_parser<json> dom_;
  std::vector<Frame> frames_;
  std::string field_;
  std::string problem_;
};

void CheckKeys(const json& j, const std::string& field, std::initializer_list<const char*> allowed) {
  if (!j.is_object()) Fail(field, "expected an object");
  for (auto it = j.begin(); it != j.end(); ++it) {
    bool known = false;
    for (const char* k : allowed) known = known || it.key() == k;
    if (!known) Fail(field.empty() ? it.key() : field + "." + it.key(), "unknown field");
  }
}

std::string Join(const std::string& field, const std::string& key) { return field.empty() ? key : field + "." + key; }

double Number(const json& j, const std::string& field) {
  if (!j.is_number()) Fail(field, "expected a number");
  const double v = j.get<double>();
  if (!std::isfinite(v)) Fail(field, "expected a finite number");
  return v;
}

double NumberIn(const json& j, const std::string& field, double lo, double hi) {
  const double v = Number(j, field);
  if (!(v >= lo && v <= hi)) {
    std::ostringstream s;
    s << "must be between " << lo << " and " << hi;
    Fail(field, s.str());
  }
  return v;
}

std::array<double, 2> Pair(const json& j, const std::string& field) {
  if (!j.is_array() || j.size() != 2 || !j[0].is_number() || !j[1].is_number()) {
    Fail(field, "expected an array of 2 numbers");
  }
  return {Number(j[0], field), Number(j[1], field)};
}

bool Bool(const json& j, const std::string& field) {
  if (!j.is_boolean()) Fail(field, "expected true or false");
  return j.get<bool>();
}

std::string String(const json& j, const std::string& field) {
  if (!j.is_string()) Fail(field, "expected a string");
  return j.get<std::string>();
}

std::vector<std::array<double, 2>> Points(const json& j, const std::string& field) {
  if (!j.is_array()) Fail(field, "expected an array of [x, y] points");
  std::vector<std::array<double, 2>> out;
  for (std::size_t i = 0; i < j.size(); ++i) out.push_back(Pair(j[i], field + "[" + std::to_string(i) + "]"));
  return out;
}

TransformDesc Transform(const json& j, const std::string& field) {
  CheckKeys(j, field, {"anchor", "position", "scale", "rotation"});
  TransformDesc t;
  if (j.contains("anchor")) t.anchor = Pair(j["anchor"], Join(field, "anchor"));
  if (j.contains("position")) t.position = Pair(j["position"], Join(field, "position"));
  if (j.contains("scale")) t.scale = Pair(j["scale"], Join(field, "scale"));
  if (j.contains("rotation")) t.rotation = Number(j["rotation"], Join(field, "rotation"));
  return t;
}

std::vector<ContentItem> Contents(const json& j, const std::string& field, int nesting);

ContentItem Item(const json& j, const std::string& field, int nesting) {
  if (!j.is_object() || j.size() != 1) Fail(field, "expected an object with one key naming the item");
  const std::string kind = j.begin().key();
  const json& v = *j.begin();
  const std::string f = Join(field, kind);
  ContentItem item;
  auto common = [&](std::initializer_list<const char*> keys) {
    CheckKeys(v, f, keys);
    if (v.contains("name")) item.name = String(v["name"], Join(f, "name"));
    if (v.contains("position")) item.position = Pair(v["position"], Join(f, "position"));
  };
  if (kind == "rectangle") {
    item.kind = ContentItem::Kind::RECTANGLE;
    common({"name", "position", "size", "roundness"});
    if (v.contains("size")) item.size = Pair(v["size"], Join(f, "size"));
    if (v.contains("roundness")) item.roundness = NumberIn(v["roundness"], Join(f, "roundness"), 0, 1e6);
  } else if (kind == "ellipse") {
    item.kind = ContentItem::Kind::ELLIPSE;
    common({"name", "position", "size"});
    if (v.contains("size")) item.size = Pair(v["size"], Join(f, "size"));
  } else if (kind == "star" || kind == "polygon") {
    item.kind = kind == "star" ? ContentItem::Kind::STAR : ContentItem::Kind::POLYGON;
    common({"name", "position", "points", "outer_radius", "inner_radius", "outer_roundness", "inner_roundness",
            "rotation"});
    if (v.contains("points")) item.points = NumberIn(v["points"], Join(f, "points"), 3, 100);
    if (v.contains("outer_radius")) item.outer_radius = Number(v["outer_radius"], Join(f, "outer_radius"));
    if (v.contains("inner_radius")) item.inner_radius = Number(v["inner_radius"], Join(f, "inner_radius"));
    if (v.contains("outer_roundness")) item.outer_roundness = Number(v["outer_roundness"], Join(f, "outer_roundness"));
    if (v.contains("inner_roundness")) item.inner_roundness = Number(v["inner_roundness"], Join(f, "inner_roundness"));
    if (v.contains("rotation")) item.rotation = Number(v["rotation"], Join(f, "rotation"));
  } else if (kind == "path") {
    item.kind = ContentItem::Kind::PATH;
    CheckKeys(v, f, {"name", "points", "closed"});
    if (v.contains("name")) item.name = String(v["name"], Join(f, "name"));
    if (!v.contains("points")) Fail(Join(f, "points"), "missing");
    item.path = Points(v["points"], Join(f, "points"));
    if (v.contains("closed")) item.closed = Bool(v["closed"], Join(f, "closed"));
  } else if (kind == "group") {
    item.kind = ContentItem::Kind::GROUP;
    CheckKeys(v, f, {"name", "transform", "contents"});
    if (v.contains("name")) item.name = String(v["name"], Join(f, "name"));
    if (v.contains("transform")) item.group_transform = Transform(v["transform"], Join(f, "transform"));
    if (nesting >= MAX_GROUP_NESTING) {
      Fail(f, "groups may nest at most " + std::to_string(MAX_GROUP_NESTING) + " deep");
    }
    if (v.contains("contents")) item.contents = Contents(v["contents"], Join(f, "contents"), nesting + 1);
  } else if (kind == "merge") {
    item.kind = ContentItem::Kind::MERGE;
    const std::string mode = String(v, f);
    static const char* const modes[] = {"merge", "add", "subtract", "intersect", "exclude"};
    item.merge_mode = 0;
    for (int i = 0; i < 5; ++i) {
      if (mode == modes[i]) item.merge_mode = i + 1;
    }
    if (item.merge_mode == 0) Fail(f, "expected merge, add, subtract, intersect or exclude");
  } else if (kind == "fill" || kind == "stroke") {
    item.kind = kind == "fill" ? ContentItem::Kind::FILL : ContentItem::Kind::STROKE;
    CheckKeys(v, f, {"name"});
  } else {
    Fail(f, "unknown content item (rectangle, ellipse, star, polygon, path, group, merge, fill, stroke)");
  }
  return item;
}

std::vector<ContentItem> Contents(const json& j, const std::string& field, int nesting) {
  if (!j.is_array()) Fail(field, "expected an array of content items");
  std::vector<ContentItem> out;
  for (std::size_t i = 0; i < j.size(); ++i) {
    out.push_back(Item(j[i], field + "[" + std::to_string(i) + "]", nesting));
  }
  return out;
}

MaskDesc Mask(const json& j, const std::string& field) {
  CheckKeys(j, field, {"mode", "inverted", "points", "closed"});
  MaskDesc m;
  if (j.contains("mode")) {
    const std::string mode = String(j["mode"], Join(field, "mode"));
    static const char* const modes[] = {"none", "add", "subtract", "intersect", "lighten", "darken", "difference"};
    m.mode = -1;
    for (int i = 0; i < 7; ++i) {
      if (mode == modes[i]) m.mode = i;
    }
    if (m.mode < 0) Fail(Join(field, "mode"), "expected none, add, subtract, intersect, lighten, darken or difference");
  }
  if (j.contains("inverted")) m.inverted = Bool(j["inverted"], Join(field, "inverted"));
  if (!j.contains("points")) Fail(Join(field, "points"), "missing");
  m.path = Points(j["points"], Join(field, "points"));
  if (j.contains("closed")) m.closed = Bool(j["closed"], Join(field, "closed"));
  return m;
}

void Controls(const json& j, ControlsDesc& c) {
  const std::string field = "controls";
  CheckKeys(j, field, {"Light Angle", "Light Intensity", "Refraction", "Depth", "Dispersion", "Frost", "Splay",
                       "Magnify", "Effect Scale", "Rim Scale"});
  struct Entry {
    const char* name;
    double* value;
    double lo, hi;
  };
  const Entry entries[] = {
      {"Light Angle", &c.light_angle, -32768, 32767}, {"Light Intensity", &c.light_intensity, 0, 100},
      {"Refraction", &c.refraction, -100, 100},       {"Depth", &c.depth, 0, 100},
      {"Dispersion", &c.dispersion, 0, 100},          {"Frost", &c.frost, 0, 100},
      {"Splay", &c.splay, 0, 100},                    {"Magnify", &c.magnify, -100, 100},
      {"Effect Scale", &c.effect_scale, 0.1, 4.0},    {"Rim Scale", &c.rim_scale, 0.1, 4.0},
  };
  for (const Entry& e : entries) {
    if (j.contains(e.name)) *e.value = NumberIn(j[e.name], field + "." + e.name, e.lo, e.hi);
  }
}

hostsim::TrackMatteDesc TrackMatte(const json& j) {
  const std::string field = "layer.track_matte";
  CheckKeys(j, field, {"mode", "shapes"});
  hostsim::TrackMatteDesc m;
  m.kind = hostsim::TrackMatteDesc::Kind::SHAPE;
  if (j.contains("mode")) {
    const std::string mode = String(j["mode"], Join(field, "mode"));
    static const char* const modes[] = {"alpha", "alpha-inverted", "luma", "luma-inverted"};
    m.mode = 0;
    for (int i = 0; i < 4; ++i) {
      if (mode == modes[i]) m.mode = i + 1;
    }
    if (m.mode == 0) Fail(Join(field, "mode"), "expected alpha, alpha-inverted, luma or luma-inverted");
  }
  if (!j.contains("shapes") || !j["shapes"].is_array()) Fail(Join(field, "shapes"), "expected an array of shapes");
  for (std::size_t i = 0; i < j["shapes"].size(); ++i) {
    const json& item = j["shapes"][i];
    const std::string f = Join(field, "shapes[" + std::to_string(i) + "]");
    if (!item.is_object() || item.size() != 1) Fail(f, "expected {\"ellipse\": ...} or {\"rectangle\": ...}");
    const std::string kind = item.begin().key();
    if (kind != "ellipse" && kind != "rectangle") Fail(Join(f, kind), "expected ellipse or rectangle");
    const json& v = *item.begin();
    CheckKeys(v, Join(f, kind), {"center", "size"});
    hostsim::MatteShapeDesc shape;
    shape.ellipse = kind == "ellipse";
    if (v.contains("center")) shape.center = Pair(v["center"], Join(Join(f, kind), "center"));
    if (v.contains("size")) shape.size = Pair(v["size"], Join(Join(f, kind), "size"));
    m.shapes.push_back(shape);
  }
  return m;
}

void Layer(const json& j, SceneDesc& s) {
  const std::string field = "layer";
  CheckKeys(j, field,
            {"kind", "adjustment", "size", "transform", "parents", "contents", "masks", "text", "font_size",
             "text_position", "track_matte"});
  if (j.contains("kind")) {
    const std::string kind = String(j["kind"], "layer.kind");
    if (kind == "shape") {
      s.layer_kind = SceneDesc::LayerKind::SHAPE;
    } else if (kind == "solid") {
      s.layer_kind = SceneDesc::LayerKind::SOLID;
    } else if (kind == "text") {
      s.layer_kind = SceneDesc::LayerKind::TEXT;
    } else {
      Fail("layer.kind", "expected shape, solid or text");
    }
  }
  if (j.contains("text")) s.text = String(j["text"], "layer.text");
  if (j.contains("font_size")) s.font_size = NumberIn(j["font_size"], "layer.font_size", 1, 4096);
  if (j.contains("text_position")) s.text_position = Pair(j["text_position"], "layer.text_position");
  if (j.contains("adjustment")) s.adjustment = Bool(j["adjustment"], "layer.adjustment");
  if (j.contains("size")) {
    const auto size = Pair(j["size"], "layer.size");
    if (!(size[0] >= 1 && size[1] >= 1 && size[0] <= 30000 && size[1] <= 30000)) {
      Fail("layer.size", "must be between 1 and 30000");
    }
    s.layer_size = {static_cast<int>(size[0]), static_cast<int>(size[1])};
  }
  if (j.contains("transform")) {
    s.transform = Transform(j["transform"], "layer.transform");
    s.transform_given = true;
  }
  if (j.contains("parents")) {
    if (!j["parents"].is_array()) Fail("layer.parents", "expected an array of transforms");
    for (std::size_t i = 0; i < j["parents"].size(); ++i) {
      s.parents.push_back(Transform(j["parents"][i], "layer.parents[" + std::to_string(i) + "]"));
    }
  }
  if (j.contains("contents")) s.contents = Contents(j["contents"], "layer.contents", 0);
  if (j.contains("track_matte")) s.track_matte = TrackMatte(j["track_matte"]);
  if (j.contains("masks")) {
    if (!j["masks"].is_array()) Fail("layer.masks", "expected an array of masks");
    for (std::size_t i = 0; i < j["masks"].size(); ++i) {
      s.masks.push_back(Mask(j["masks"][i], "layer.masks[" + std::to_string(i) + "]"));
    }
  }
}

}  // namespace

bool ParseScene(const std::string& text, const std::string& source_name, SceneDesc& s, std::string& error) {
  json j;
  PathTrackingSax sax(j);
  if (!json::sax_parse(text, &sax)) {
    error = source_name + ": " + (sax.field().empty() ? "" : sax.field() + ": ") + sax.problem();
    return false;
  }
  try {
    CheckKeys(j, "", {"composition", "background", "depth", "downsample", "quality", "controls", "layer"});
    if (j.contains("composition")) {
      const json& c = j["composition"];
      CheckKeys(c, "composition", {"width", "height"});
      if (c.contains("width")) s.width = static_cast<int>(NumberIn(c["width"], "composition.width", 1, 16384));
      if (c.contains("height")) s.height = static_cast<int>(NumberIn(c["height"], "composition.height", 1, 16384));
    }
    if (j.contains("background")) {
      const json& b = j["background"];
      CheckKeys(b, "background", {"pattern", "png"});
      if (b.contains("png")) s.background_png = String(b["png"], "background.png");
      if (b.contains("pattern") && String(b["pattern"], "background.pattern") != "test-card") {
        Fail("background.pattern", "the only pattern is test-card");
      }
    }
    if (j.contains("depth")) {
      const double d = Number(j["depth"], "depth");
      if (d != 8 && d != 16) Fail("depth", "expected 8 or 16");
      s.depth = static_cast<int>(d);
    }
    if (j.contains("downsample")) {
      const json& d = j["downsample"];
      if (d.is_number()) {
        s.downsample = {NumberIn(d, "downsample", 0.01, 1), NumberIn(d, "downsample", 0.01, 1)};
      } else {
        s.downsample = Pair(d, "downsample");
        for (double v : s.downsample) {
          if (!(v >= 0.01 && v <= 1)) Fail("downsample", "must be between 0.01 and 1");
        }
      }
    }
    if (j.contains("quality")) {
      const std::string q = String(j["quality"], "quality");
      if (q != "high" && q != "draft") Fail("quality", "expected high or draft");
      s.draft_quality = q == "draft";
    }
    if (j.contains("controls")) Controls(j["controls"], s.controls);
    if (j.contains("layer")) Layer(j["layer"], s);
  } catch (const SceneError& e) {
    error = source_name + ": " + (e.field.empty() ? "(top level)" : e.field) + ": " + e.problem;
    return false;
  }
  return true;
}

bool LoadSceneFile(const std::string& path, SceneDesc& scene, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = path + ": cannot be read";
    return false;
  }
  std::ostringstream text;
  text << in.rdbuf();
  return ParseScene(text.str(), path, scene, error);
}

const char* const DEMO_SCENE_JSON = R"json({
  "composition": {"width": 1280, "height": 720},
  "background": {"pattern": "test-card"},
  "depth": 8,
  "controls": {"Refraction": 70, "Depth": 40, "Dispersion": 60, "Light Intensity": 100, "Light Angle": -45,
               "Magnify": 15, "Splay": 10},
  "layer": {
    "kind": "shape",
    "adjustment": true,
    "transform": {"position": [640, 360], "anchor": [0, 0]},
    "contents": [
      {"group": {"name": "Slab", "contents": [
        {"rectangle": {"position": [-330, -40], "size": [420, 300], "roundness": 48}}, {"fill": {}}]}},
      {"group": {"name": "Lens", "contents": [
        {"ellipse": {"position": [170, -90], "size": [300, 300]}}, {"fill": {}}]}},
      {"group": {"name": "Star", "contents": [
        {"star": {"position": [300, 190], "points": 5, "outer_radius": 150, "inner_radius": 70,
                  "outer_roundness": 10, "inner_roundness": 0, "rotation": 0}}, {"fill": {}}]}}
    ]
  }
})json";

}  // namespace prismora_render
