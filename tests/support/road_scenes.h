// One small scene for each road a frame can take to its pane field: the
// analytic field of one box and of several shapes, the supersampled masks,
// the raster of free paths, text, and a track matte rendered as an item
// (distance codes) or as a layer (coverage). Shared by the tests that run
// every road under faults and load.
#pragma once
#include <string>
#include <vector>

#include "hostsim/glyph_outlines.h"
#include "hostsim/scene_desc.h"

enum class Road { ONE_BOX, SEVERAL_SHAPES, MASKS, FREE_PATHS, TEXT, ITEM_MATTE, LAYER_MATTE };

inline const std::vector<Road>& AllRoads() {
  static const std::vector<Road> roads = {Road::ONE_BOX,    Road::SEVERAL_SHAPES, Road::MASKS,      Road::FREE_PATHS,
                                          Road::TEXT,       Road::ITEM_MATTE,     Road::LAYER_MATTE};
  return roads;
}

inline std::string RoadName(Road road) {
  switch (road) {
    case Road::ONE_BOX: return "one box";
    case Road::SEVERAL_SHAPES: return "several shapes";
    case Road::MASKS: return "masks";
    case Road::FREE_PATHS: return "free paths";
    case Road::TEXT: return "text";
    case Road::ITEM_MATTE: return "item matte";
    case Road::LAYER_MATTE: return "layer matte";
  }
  return "?";
}

// The text road needs the glyph loader and its font.
inline bool RoadAvailable(Road road) { return road != Road::TEXT || hostsim::GlyphOutlinesAvailable(); }

namespace road_scene_detail {

inline hostsim::ContentItem Filled(hostsim::ContentItem shape) {
  hostsim::ContentItem group;
  group.kind = hostsim::ContentItem::Kind::GROUP;
  group.contents.push_back(std::move(shape));
  hostsim::ContentItem fill;
  fill.kind = hostsim::ContentItem::Kind::FILL;
  group.contents.push_back(fill);
  return group;
}

inline hostsim::ContentItem Shape(hostsim::ContentItem::Kind kind, double x, double y, double w, double h) {
  hostsim::ContentItem s;
  s.kind = kind;
  s.position = {x, y};
  s.size = {w, h};
  return s;
}

}  // namespace road_scene_detail

// A 64 x 48 composition (the layer the same size, its origin at the centre
// for shape layers) at the given depth, Frost on or off.
inline hostsim::SceneDesc RoadScene(Road road, bool deep, bool frost) {
  using hostsim::ContentItem;
  using road_scene_detail::Filled;
  using road_scene_detail::Shape;
  hostsim::SceneDesc d;
  d.width = 64;
  d.height = 48;
  d.depth = deep ? 16 : 8;
  d.controls.depth = 12;
  d.controls.frost = frost ? 6 : 0;
  d.controls.magnify = 15;
  d.controls.splay = 10;
  switch (road) {
    case Road::ONE_BOX:
      d.contents.push_back(Filled(Shape(ContentItem::Kind::RECTANGLE, -4, 2, 36, 24)));
      break;
    case Road::SEVERAL_SHAPES: {
      ContentItem rect = Shape(ContentItem::Kind::RECTANGLE, -14, -6, 24, 18);
      rect.roundness = 4;
      ContentItem star = Shape(ContentItem::Kind::STAR, 14, 8, 0, 0);
      star.points = 5;
      star.outer_radius = 13;
      star.inner_radius = 6;
      star.rotation = 20;
      d.contents.push_back(Filled(rect));
      d.contents.push_back(Filled(Shape(ContentItem::Kind::ELLIPSE, 10, -8, 22, 16)));
      d.contents.push_back(Filled(star));
      ContentItem merge;
      merge.kind = ContentItem::Kind::MERGE;
      merge.merge_mode = 2;
      d.contents.push_back(merge);
      break;
    }
    case Road::MASKS:
      d.layer_kind = hostsim::SceneDesc::LayerKind::SOLID;
      d.masks.push_back({1, false, {{6, 6}, {34, 8}, {30, 36}, {8, 30}}, true});
      d.masks.push_back({2, false, {{14, 14}, {24, 14}, {20, 24}}, true});
      d.masks.push_back({1, true, {{40, 10}, {60, 12}, {52, 40}}, true});
      break;
    case Road::FREE_PATHS: {
      ContentItem a;
      a.kind = ContentItem::Kind::PATH;
      a.path = {{-26, -16}, {4, -18}, {0, 10}, {-22, 14}};
      ContentItem b;
      b.kind = ContentItem::Kind::PATH;
      b.path = {{6, -4}, {26, -12}, {24, 16}};
      d.contents.push_back(Filled(a));
      d.contents.push_back(Filled(b));
      break;
    }
    case Road::TEXT:
      d.layer_kind = hostsim::SceneDesc::LayerKind::TEXT;
      d.text = "Hi";
      d.font_size = 36;
      d.text_position = {8, 38};
      break;
    case Road::ITEM_MATTE:
    case Road::LAYER_MATTE: {
      d.layer_kind = hostsim::SceneDesc::LayerKind::SOLID;
      hostsim::TrackMatteDesc m;
      m.kind = road == Road::ITEM_MATTE ? hostsim::TrackMatteDesc::Kind::IMAGE : hostsim::TrackMatteDesc::Kind::SHAPE;
      m.mode = 1;
      m.shapes.push_back({true, {30, 22}, {34, 26}});
      m.shapes.push_back({false, {50, 34}, {14, 12}});
      m.image_width = 24;
      m.image_height = 20;
      m.image_alpha.assign(24 * 20, 255);
      for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) m.image_alpha[static_cast<std::size_t>(y * 24 + x)] = 0;
      }
      m.position = {18, 12};
      d.track_matte = m;
      break;
    }
  }
  return d;
}
