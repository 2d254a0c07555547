#include "hostsim/scene_desc_builder.h"

#include <cmath>

#include "host/suites/aegp_footage_suite11.h"
#include "hostsim/glyph_outlines.h"
#include "hostsim/shape_contents_builder.h"
#include "shell/param_index.h"

namespace hostsim {

namespace {

constexpr AEGP_ItemID COMPOSITION_ITEM_ID = 1;
constexpr AEGP_ItemID SOLID_ITEM_ID = 2;
constexpr AEGP_LayerIDVal EFFECT_LAYER_ID = 1;

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
  comp.layers.reserve(scene.parents.size() + 1);
  comp.AddLayer(EFFECT_LAYER_ID, type, flags);
  for (std::size_t i = 0; i < scene.parents.size(); ++i) {
    comp.AddLayer(static_cast<AEGP_LayerIDVal>(EFFECT_LAYER_ID + 1 + i), AEGP_ObjectType_AV,
                  AEGP_LayerFlag_VIDEO_ACTIVE);
  }
  SimLayer& layer = comp.layers[0];
  built.layer = &layer;
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
