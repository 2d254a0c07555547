#include "hostsim/scene_desc_builder.h"

#include <algorithm>
#include <cmath>

#include "host/suites/aegp_footage_suite11.h"
#include "hostsim/glyph_outlines.h"
#include "hostsim/shape_contents_builder.h"
#include "hostsim/sim_world.h"
#include "shell/param_index.h"

namespace hostsim {

namespace {

constexpr AEGP_ItemID COMPOSITION_ITEM_ID = 1;
constexpr AEGP_ItemID SOLID_ITEM_ID = 2;
constexpr AEGP_LayerIDVal EFFECT_LAYER_ID = 1;
constexpr AEGP_ItemID MATTE_ITEM_ID = 3;
constexpr AEGP_LayerIDVal MATTE_LAYER_ID = 100;
constexpr A_u_long FOOTAGE_SIGNATURE_IMAGE = 0x46544745;  // 'FTGE', not a solid
constexpr int MATTE_SUPERSAMPLE = 4;

// Writes a white premultiplied pixel of coverage `a` (0 to 1).
void PutCoverage(SimWorld& world, A_long x, A_long y, double a) {
  if (world.deep()) {
    const auto v = static_cast<A_u_short>(std::lround(std::clamp(a, 0.0, 1.0) * PF_MAX_CHAN16));
    world.Pixel16(x, y) = PF_Pixel16{v, v, v, v};
  } else {
    const auto v = static_cast<A_u_char>(std::lround(std::clamp(a, 0.0, 1.0) * PF_MAX_CHAN8));
    world.Pixel8(x, y) = PF_Pixel8{v, v, v, v};
  }
}

bool InsideShape(const MatteShapeDesc& s, double x, double y) {
  const double dx = (x - s.center[0]) / (s.size[0] * 0.5);
  const double dy = (y - s.center[1]) / (s.size[1] * 0.5);
  return s.ellipse ? dx * dx + dy * dy <= 1.0 : std::fabs(dx) <= 1.0 && std::fabs(dy) <= 1.0;
}

// The shapes over the whole composition, supersampled; a rendered pixel
// covers factor x factor composition pixels.
void PaintShapes(const std::vector<MatteShapeDesc>& shapes, const SimRenderRequest& request, SimWorld& world) {
  const double fx = request.downsample_x;
  const double fy = request.downsample_y;
  for (A_long y = 0; y < world.height(); ++y) {
    for (A_long x = 0; x < world.width(); ++x) {
      int hits = 0;
      for (int sy = 0; sy < MATTE_SUPERSAMPLE; ++sy) {
        for (int sx = 0; sx < MATTE_SUPERSAMPLE; ++sx) {
          const double px = (x + (sx + 0.5) / MATTE_SUPERSAMPLE) * fx;
          const double py = (y + (sy + 0.5) / MATTE_SUPERSAMPLE) * fy;
          for (const MatteShapeDesc& s : shapes) {
            if (InsideShape(s, px, py)) {
              ++hits;
              break;
            }
          }
        }
      }
      PutCoverage(world, x, y, hits / static_cast<double>(MATTE_SUPERSAMPLE * MATTE_SUPERSAMPLE));
    }
  }
}

// The image at the render's resolution: each rendered pixel takes the
// image pixel at its top-left full-resolution position.
void PaintImage(const TrackMatteDesc& m, const SimRenderRequest& request, SimWorld& world) {
  for (A_long y = 0; y < world.height(); ++y) {
    for (A_long x = 0; x < world.width(); ++x) {
      const A_long ix = x * request.downsample_x;
      const A_long iy = y * request.downsample_y;
      const bool in = ix < m.image_width && iy < m.image_height;
      const double a = in ? m.image_alpha[static_cast<std::size_t>(iy) * m.image_width + ix] / 255.0 : 0.0;
      PutCoverage(world, x, y, a);
    }
  }
}

void BuildTrackMatte(Host& host, const SceneDesc& scene, SimLayer& effect_layer, SimLayer& matte_layer) {
  const TrackMatteDesc& m = *scene.track_matte;
  effect_layer.track_matte = &matte_layer;
  effect_layer.transfer_mode.track_matte = m.mode;
  if (m.kind == TrackMatteDesc::Kind::SHAPE) {
    matte_layer.object_type = AEGP_ObjectType_VECTOR;
    matte_layer.pixels.width = scene.width;
    matte_layer.pixels.height = scene.height;
    const std::vector<MatteShapeDesc> shapes = m.shapes;
    matte_layer.pixels.paint = [shapes](const SimRenderRequest& r, SimWorld& w) { PaintShapes(shapes, r, w); };
    return;
  }
  matte_layer.object_type = AEGP_ObjectType_AV;
  SimItem& item = host.scene().AddFootageItem(MATTE_ITEM_ID, m.image_width, m.image_height, FOOTAGE_SIGNATURE_IMAGE);
  matte_layer.source = &item;
  matte_layer.layer_to_world.mat[3][0] = m.position[0];
  matte_layer.layer_to_world.mat[3][1] = m.position[1];
  const TrackMatteDesc copy = m;
  item.pixels.paint = [copy](const SimRenderRequest& r, SimWorld& w) { PaintImage(copy, r, w); };
  matte_layer.pixels.paint = item.pixels.paint;
}

void ApplyTransform(SimLayerTransform& t, const TransformDesc& d) {
  t.anchor_point.value = {d.anchor[0], d.anchor[1], 0};
  t.position.value = {d.position[0], d.position[1], 0};
  t.scale.value = {d.scale[0], d.scale[1], 100};
  t.rotation.value = {d.rotation, 0, 0};
}

SimOutline Outline(const std::vector<std::array<double, 2>>& points, bool closed) {
  return PolygonOutline(points, !closed);
}

void AddItems(SimStreamNode& contents, const std::vector<ContentItem>& items) {
  int counter = 1;
  for (const ContentItem& item : items) {
    const std::string n = std::to_string(counter++);
    switch (item.kind) {
      case ContentItem::Kind::RECTANGLE:
        contents.Add(RectanglePath(item.name.empty() ? "Rectangle Path " + n : item.name, item.position[0],
                                            item.position[1], item.size[0], item.size[1], item.roundness));
        break;
      case ContentItem::Kind::ELLIPSE:
        contents.Add(EllipsePath(item.name.empty() ? "Ellipse Path " + n : item.name, item.position[0],
                                          item.position[1], item.size[0], item.size[1]));
        break;
      case ContentItem::Kind::STAR:
      case ContentItem::Kind::POLYGON: {
        PolystarValues v;
        v.type = item.kind == ContentItem::Kind::STAR ? 1.0 : 2.0;
        v.points = item.points;
        v.pos_x = item.position[0];
        v.pos_y = item.position[1];
        v.rotation = item.rotation;
        v.outer_radius = item.outer_radius;
        v.inner_radius = item.inner_radius;
        v.outer_roundness = item.outer_roundness;
        v.inner_roundness = item.inner_roundness;
        contents.Add(PolystarPath(item.name.empty() ? "Polystar Path " + n : item.name, v));
        break;
      }
      case ContentItem::Kind::PATH:
        contents.Add(FreePath(item.name.empty() ? "Path " + n : item.name, Outline(item.path, item.closed)));
        break;
      case ContentItem::Kind::GROUP: {
        SimStreamNode group = ShapeGroup(item.name.empty() ? "Group " + n : item.name);
        AddItems(GroupContents(group), item.contents);
        if (item.group_transform) {
          const TransformDesc& t = *item.group_transform;
          SetGroupTransform(group, t.position[0], t.position[1], t.anchor[0], t.anchor[1], t.scale[0],
                                     t.scale[1], t.rotation);
        }
        contents.Add(std::move(group));
        break;
      }
      case ContentItem::Kind::MERGE:
        contents.Add(MergePaths(item.name.empty() ? "Merge Paths " + n : item.name, item.merge_mode));
        break;
      case ContentItem::Kind::FILL:
        contents.Add(Fill(item.name.empty() ? "Fill " + n : item.name));
        break;
      case ContentItem::Kind::STROKE:
        contents.Add(Stroke(item.name.empty() ? "Stroke " + n : item.name));
        break;
    }
  }
}

}  // namespace

BuiltScene BuildScene(Host& host, const SceneDesc& scene) {
  BuiltScene built;
  SimComposition& comp = host.scene().AddComposition(COMPOSITION_ITEM_ID, scene.width, scene.height);
  built.composition = &comp;
  // Every layer is added before any pointer to one is kept: the list may
  // move its elements while it grows.
  const AEGP_ObjectType type = scene.layer_kind == SceneDesc::LayerKind::SHAPE  ? AEGP_ObjectType_VECTOR
                               : scene.layer_kind == SceneDesc::LayerKind::TEXT ? AEGP_ObjectType_TEXT
                                                                                : AEGP_ObjectType_AV;
  AEGP_LayerFlags flags = AEGP_LayerFlag_VIDEO_ACTIVE | AEGP_LayerFlag_EFFECTS_ACTIVE;
  if (scene.adjustment) flags |= AEGP_LayerFlag_ADJUSTMENT_LAYER;
  comp.layers.reserve(scene.parents.size() + 2);
  comp.AddLayer(EFFECT_LAYER_ID, type, flags);
  for (std::size_t i = 0; i < scene.parents.size(); ++i) {
    comp.AddLayer(static_cast<AEGP_LayerIDVal>(EFFECT_LAYER_ID + 1 + i), AEGP_ObjectType_AV,
                  AEGP_LayerFlag_VIDEO_ACTIVE);
  }
  if (scene.track_matte) comp.AddLayer(MATTE_LAYER_ID, AEGP_ObjectType_AV, AEGP_LayerFlag_VIDEO_ACTIVE);
  SimLayer& layer = comp.layers[0];
  built.layer = &layer;
  if (scene.track_matte) {
    built.matte_layer = &comp.layers.back();
    BuildTrackMatte(host, scene, layer, *built.matte_layer);
  }
  for (std::size_t i = 0; i < scene.parents.size(); ++i) {
    SimLayer& parent = comp.layers[i + 1];
    ApplyTransform(parent.transform, scene.parents[i]);
    (i == 0 ? layer : comp.layers[i]).parent = &parent;
  }

  const int layer_w = scene.layer_size[0] > 0 ? scene.layer_size[0] : scene.width;
  const int layer_h = scene.layer_size[1] > 0 ? scene.layer_size[1] : scene.height;
  TransformDesc t = scene.transform;
  if (!scene.transform_given) {
    // A new layer sits centred in its composition with its anchor at its
    // own centre; a shape or text layer's anchor is its origin.
    t.position = {scene.width * 0.5, scene.height * 0.5};
    t.anchor = scene.layer_kind != SceneDesc::LayerKind::SOLID ? std::array<double, 2>{0, 0}
                                                               : std::array<double, 2>{layer_w * 0.5, layer_h * 0.5};
  }
  ApplyTransform(layer.transform, t);
  if (scene.layer_kind == SceneDesc::LayerKind::SOLID) {
    layer.source = &host.scene().AddFootageItem(SOLID_ITEM_ID, layer_w, layer_h, AEGP_FootageSignature_SOLID);
  } else if (scene.layer_kind == SceneDesc::LayerKind::TEXT) {
    // Without a glyph loader the layer is a text layer without outlines.
    SetTextOutlines(scene.text, scene.font_size, scene.text_position[0], scene.text_position[1], layer.text);
  } else {
    SimStreamNode root = ShapeLayerRoot();
    AddItems(RootContents(root), scene.contents);
    layer.properties = std::move(root);
  }
  for (const MaskDesc& m : scene.masks) {
    SimMask mask;
    mask.mode = m.mode;
    mask.inverted = m.inverted;
    mask.outline.outline = Outline(m.path, m.closed);
    layer.masks.push_back(std::move(mask));
  }

  SimEffectInstance& instance = host.scene().AddEffectInstance(&layer);
  built.instance = &instance;
  const ControlsDesc& c = scene.controls;
  instance.SetAngle(PARAM_LIGHT_ANGLE, static_cast<PF_Fixed>(std::lround(c.light_angle * 65536.0)));
  instance.SetFloatSlider(PARAM_LIGHT_INTENSITY, c.light_intensity);
  instance.SetFloatSlider(PARAM_REFRACTION, c.refraction);
  instance.SetFloatSlider(PARAM_DEPTH, c.depth);
  instance.SetFloatSlider(PARAM_DISPERSION, c.dispersion);
  instance.SetFloatSlider(PARAM_FROST, c.frost);
  instance.SetFloatSlider(PARAM_SPLAY, c.splay);
  instance.SetFloatSlider(PARAM_MAGNIFY, c.magnify);
  instance.SetFloatSlider(PARAM_EFFECT_SCALE, c.effect_scale);
  instance.SetFloatSlider(PARAM_RIM_SCALE, c.rim_scale);
  return built;
}

}  // namespace hostsim
