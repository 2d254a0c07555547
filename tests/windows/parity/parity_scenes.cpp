#include "parity_scenes.h"

#include <cstdint>
#include <utility>

namespace frame_parity {

namespace {

using hostsim::ContentItem;
using hostsim::SceneDesc;

ContentItem Group(std::string name, std::vector<ContentItem> contents) {
  ContentItem g;
  g.kind = ContentItem::Kind::GROUP;
  g.name = std::move(name);
  g.contents = std::move(contents);
  ContentItem fill;
  fill.kind = ContentItem::Kind::FILL;
  g.contents.push_back(fill);
  return g;
}

ContentItem Rectangle(double x, double y, double w, double h, double roundness) {
  ContentItem r;
  r.kind = ContentItem::Kind::RECTANGLE;
  r.position = {x, y};
  r.size = {w, h};
  r.roundness = roundness;
  return r;
}

ContentItem Ellipse(double x, double y, double w, double h) {
  ContentItem e;
  e.kind = ContentItem::Kind::ELLIPSE;
  e.position = {x, y};
  e.size = {w, h};
  return e;
}

ContentItem Star(bool star, double x, double y, double points, double outer, double inner, double outer_round,
                 double inner_round, double rotation) {
  ContentItem s;
  s.kind = star ? ContentItem::Kind::STAR : ContentItem::Kind::POLYGON;
  s.position = {x, y};
  s.points = points;
  s.outer_radius = outer;
  s.inner_radius = inner;
  s.outer_roundness = outer_round;
  s.inner_roundness = inner_round;
  s.rotation = rotation;
  return s;
}

ContentItem Path(std::vector<std::array<double, 2>> points) {
  ContentItem p;
  p.kind = ContentItem::Kind::PATH;
  p.path = std::move(points);
  return p;
}

ContentItem Merge(int mode) {
  ContentItem m;
  m.kind = ContentItem::Kind::MERGE;
  m.merge_mode = mode;
  return m;
}

SceneDesc Base(int width, int height, int depth) {
  SceneDesc d;
  d.width = width;
  d.height = height;
  d.depth = depth;
  return d;
}

SceneDesc Demo(int depth) {
  SceneDesc d = Base(1280, 720, depth);
  d.controls.dispersion = 60;
  d.controls.magnify = 15;
  d.controls.splay = 10;
  d.transform.position = {640, 360};
  d.transform_given = true;
  d.contents = {Group("Slab", {Rectangle(-330, -40, 420, 300, 48)}), Group("Lens", {Ellipse(170, -90, 300, 300)}),
                Group("Star", {Star(true, 300, 190, 5, 150, 70, 10, 0, 0)})};
  return d;
}

// Ellipses that are not circles, a rounded polygon and rounded stars, turned
// by the layer, a group and a parent.
SceneDesc Shapes(int depth, int merge) {
  SceneDesc d = Base(640, 360, depth);
  d.controls.light_angle = 120;
  d.controls.refraction = -55;
  d.controls.depth = 50;
  d.controls.dispersion = 80;
  d.controls.splay = 25;
  d.controls.magnify = -20;
  d.transform.position = {40, 20};
  d.transform.rotation = 12;
  d.transform_given = true;
  hostsim::TransformDesc parent;
  parent.position = {280, 160};
  parent.scale = {110, 90};
  parent.rotation = -7;
  d.parents = {parent};
  ContentItem lens = Group("Lens", {Ellipse(-60, 10, 260, 150)});
  hostsim::TransformDesc turn;
  turn.rotation = 33;
  turn.scale = {120, 95};
  lens.group_transform = turn;
  d.contents = {lens, Group("Star", {Star(true, 90, -30, 7, 110, 48, 25, -30, 17)}),
                Group("Prism", {Star(false, -150, -90, 6, 70, 0, 35, 0, 5)}),
                Group("Bar", {Ellipse(120, 100, 180, 60)}), Merge(merge)};
  return d;
}

SceneDesc Masks(int depth) {
  SceneDesc d = Base(640, 360, depth);
  d.layer_kind = SceneDesc::LayerKind::SOLID;
  d.controls.refraction = 65;
  d.controls.depth = 45;
  d.controls.dispersion = 70;
  d.controls.light_angle = -60;
  hostsim::MaskDesc a;
  a.path = {{60, 40}, {300, 30}, {340, 200}, {200, 310}, {50, 250}};
  hostsim::MaskDesc b;
  b.path = {{380, 60}, {600, 90}, {580, 300}, {420, 280}};
  hostsim::MaskDesc c;
  c.mode = 2;
  c.path = {{150, 130}, {250, 120}, {240, 210}, {160, 200}};
  hostsim::MaskDesc e;
  e.mode = 6;
  e.inverted = true;
  e.path = {{450, 150}, {520, 140}, {530, 220}, {460, 230}};
  d.masks = {a, b, c, e};
  return d;
}

SceneDesc FreePaths(int depth) {
  SceneDesc d = Base(640, 360, depth);
  d.controls.frost = 35;
  d.controls.refraction = 75;
  d.controls.depth = 30;
  d.contents = {
      Group("Bolt", {Path({{-250, -120}, {-60, -140}, {-110, -20}, {40, -40}, {-200, 140}, {-150, 10}, {-280, 30}})}),
      Group("Kite", {Path({{60, -130}, {260, -40}, {200, 150}, {90, 60}})}), Merge(2)};
  return d;
}

SceneDesc Text(int depth, double downsample) {
  SceneDesc d = Base(640, 360, depth);
  d.layer_kind = SceneDesc::LayerKind::TEXT;
  d.text = "Prismora";
  d.font_size = 130;
  d.text_position = {40, 230};
  d.downsample = {downsample, downsample};
  d.controls.refraction = 80;
  d.controls.depth = 35;
  d.controls.dispersion = 70;
  d.controls.magnify = 10;
  return d;
}

SceneDesc ShapeMatte(int depth) {
  SceneDesc d = Base(640, 360, depth);
  d.layer_kind = SceneDesc::LayerKind::SOLID;
  d.controls.refraction = 70;
  d.controls.depth = 50;
  d.controls.dispersion = 60;
  d.controls.magnify = 20;
  hostsim::TrackMatteDesc m;
  m.mode = 1;
  hostsim::MatteShapeDesc disc;
  disc.center = {200, 180};
  disc.size = {230, 170};
  hostsim::MatteShapeDesc box;
  box.ellipse = false;
  box.center = {470, 170};
  box.size = {200, 140};
  m.shapes = {disc, box};
  d.track_matte = m;
  return d;
}

SceneDesc ImageMatte(int depth) {
  SceneDesc d = Base(640, 360, depth);
  d.layer_kind = SceneDesc::LayerKind::SOLID;
  d.downsample = {0.5, 0.5};
  d.controls.refraction = -60;
  d.controls.depth = 40;
  d.controls.frost = 25;
  hostsim::TrackMatteDesc m;
  m.kind = hostsim::TrackMatteDesc::Kind::IMAGE;
  m.mode = 4;
  m.image_width = 300;
  m.image_height = 200;
  m.position = {150, 80};
  m.image_alpha.resize(300 * 200);
  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 300; ++x) {
      // A soft-edged ring: alpha from the squared distance to the centre.
      const int dx = x - 150, dy = y - 100;
      const int r2 = dx * dx + 2 * dy * dy;
      const int a = r2 < 4900 ? 0 : r2 < 6400 ? (r2 - 4900) * 255 / 1500 : r2 < 14400 ? 255 : 0;
      m.image_alpha[static_cast<std::size_t>(y) * 300 + static_cast<std::size_t>(x)] = static_cast<unsigned char>(a);
    }
  }
  d.track_matte = m;
  return d;
}

SceneDesc FrostedLens() {
  SceneDesc d = Base(960, 540, 16);
  d.controls.refraction = -60;
  d.controls.depth = 55;
  d.controls.frost = 40;
  d.controls.dispersion = 80;
  d.controls.magnify = -20;
  d.controls.light_angle = 30;
  d.transform.position = {480, 270};
  d.transform.rotation = 12;
  d.transform_given = true;
  ContentItem lens = Group("Lens", {Ellipse(0, 0, 360, 260)});
  hostsim::TransformDesc wide;
  wide.scale = {140, 100};
  lens.group_transform = wide;
  d.contents = {lens, Group("Prism", {Star(false, 300, 120, 6, 110, 0, 25, 0, 0)})};
  return d;
}

SceneDesc SubtractedWindow() {
  SceneDesc d = Base(960, 540, 8);
  d.downsample = {0.5, 0.5};
  d.draft_quality = true;
  d.controls.refraction = 85;
  d.controls.depth = 30;
  d.controls.splay = 40;
  d.controls.rim_scale = 2.0;
  d.transform.position = {480, 270};
  d.transform_given = true;
  d.contents = {Group("Window", {Rectangle(0, 0, 640, 380, 60)}), Group("Star", {Star(true, 0, 0, 8, 140, 90, 0, 0, 0)}),
                Merge(3)};
  return d;
}

}  // namespace

std::vector<ParityScene> ParityScenes() {
  return {
      {"demo-8bit", Demo(8)},
      {"demo-16bit", Demo(16)},
      {"shapes-add-8bit", Shapes(8, 2)},
      {"shapes-subtract-16bit", Shapes(16, 3)},
      {"shapes-intersect-8bit", Shapes(8, 4)},
      {"shapes-exclude-16bit", Shapes(16, 5)},
      {"masks-8bit", Masks(8)},
      {"masks-16bit", Masks(16)},
      {"free-paths-16bit", FreePaths(16)},
      {"text-8bit", Text(8, 1.0)},
      {"text-16bit-half", Text(16, 0.5)},
      {"shape-matte-8bit", ShapeMatte(8)},
      {"image-matte-16bit-half", ImageMatte(16)},
      {"frosted-lens-16bit", FrostedLens()},
      {"subtracted-window-draft-half", SubtractedWindow()},
  };
}

void FillParityInput(hostsim::SimWorld& world) {
  const int w = world.width(), h = world.height();
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const int checker = ((x / 24) + (y / 24)) % 2;
      const int stripe = (x + 2 * y) % 37 < 5 ? 1 : 0;
      const std::uint32_t r = static_cast<std::uint32_t>(x) * 255u / static_cast<std::uint32_t>(w > 1 ? w - 1 : 1);
      const std::uint32_t g = static_cast<std::uint32_t>(y) * 255u / static_cast<std::uint32_t>(h > 1 ? h - 1 : 1);
      const std::uint32_t b = stripe != 0 ? 250u : checker != 0 ? 180u : 40u;
      if (world.deep()) {
        PF_Pixel16& p = world.Pixel16(x, y);
        p.alpha = 32768;
        p.red = static_cast<A_u_short>(r * 32768u / 255u);
        p.green = static_cast<A_u_short>(g * 32768u / 255u);
        p.blue = static_cast<A_u_short>(b * 32000u / 255u + static_cast<std::uint32_t>(x % 7));
      } else {
        PF_Pixel8& p = world.Pixel8(x, y);
        p.alpha = 255;
        p.red = static_cast<A_u_char>(r);
        p.green = static_cast<A_u_char>(g);
        p.blue = static_cast<A_u_char>(b);
      }
    }
  }
}

}  // namespace frame_parity
