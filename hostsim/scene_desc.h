// A plain description of the one scene the simulated host renders: a
// composition, the effect's layer (shape contents, a solid or a line of
// text, masks,
// transform and parents) and the effect's control values, with the frame's
// depth, downsample and quality. The render tool reads it from JSON; tests
// fill it directly.
#pragma once
#include <array>
#include <optional>
#include <string>
#include <vector>

namespace hostsim {

struct TransformDesc {
  std::array<double, 2> anchor{0, 0};
  std::array<double, 2> position{0, 0};
  std::array<double, 2> scale{100, 100};
  double rotation = 0;
};

struct ContentItem {
  enum class Kind { RECTANGLE, ELLIPSE, STAR, POLYGON, PATH, GROUP, MERGE, FILL, STROKE };
  Kind kind = Kind::RECTANGLE;
  std::string name;
  std::array<double, 2> position{0, 0};
  std::array<double, 2> size{100, 100};
  double roundness = 0;
  double points = 5;
  double outer_radius = 100, inner_radius = 50;
  double outer_roundness = 0, inner_roundness = 0;
  double rotation = 0;
  std::vector<std::array<double, 2>> path;
  bool closed = true;
  double merge_mode = 1;
  std::optional<TransformDesc> group_transform;
  std::vector<ContentItem> contents;  // a group's items
};

struct MaskDesc {
  int mode = 1;  // 0 none, 1 add, 2 subtract, 3 intersect, 4 lighten, 5 darken, 6 difference
  bool inverted = false;
  std::vector<std::array<double, 2>> path;
  bool closed = true;
};

// A shape of a shape matte: a filled white ellipse or rectangle, in
// composition pixels.
struct MatteShapeDesc {
  bool ellipse = true;
  std::array<double, 2> center{0, 0};
  std::array<double, 2> size{100, 100};
};

// A track matte for the effect layer, a further layer of its composition.
// A shape matte is a shape layer whose rendered pixels are
// its white shapes (anti-aliased) over the whole composition; an image
// matte is a footage layer of the given alpha (0 to 255, white colour)
// whose top-left sits at `position` in the composition.
struct TrackMatteDesc {
  enum class Kind { SHAPE, IMAGE };
  Kind kind = Kind::SHAPE;
  int mode = 1;  // 1 alpha, 2 inverted alpha, 3 luma, 4 inverted luma
  std::vector<MatteShapeDesc> shapes;
  int image_width = 0;
  int image_height = 0;
  std::vector<unsigned char> image_alpha;  // image_width x image_height, rows top first
  std::array<double, 2> position{0, 0};
};

struct ControlsDesc {
  double light_angle = -45, light_intensity = 100, refraction = 70, depth = 40, dispersion = 50;
  double frost = 0, splay = 0, magnify = 0, effect_scale = 1, rim_scale = 1;
};

struct SceneDesc {
  int width = 1280, height = 720;
  std::string background_png;  // empty: the test pattern
  int depth = 8;               // bits per channel: 8 or 16
  std::array<double, 2> downsample{1, 1};
  bool draft_quality = false;
  ControlsDesc controls;
  enum class LayerKind { SHAPE, SOLID, TEXT };
  LayerKind layer_kind = LayerKind::SHAPE;
  // A text layer's one line, set in DejaVu Sans at font_size pixels per em
  // with its baseline starting at text_position (layer pixels).
  std::string text;
  double font_size = 72;
  std::array<double, 2> text_position{0, 0};
  bool adjustment = true;
  std::array<int, 2> layer_size{0, 0};  // 0: the composition's size
  TransformDesc transform;
  bool transform_given = false;
  std::vector<TransformDesc> parents;  // nearest parent first
  std::vector<ContentItem> contents;
  std::vector<MaskDesc> masks;
  std::optional<TrackMatteDesc> track_matte;
};

}  // namespace hostsim
