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

// A shape's test on one axis: the sample's offset from the centre in
// half sizes, d = (p - centre) / (size * 0.5). A sample is inside an
// ellipse when dx^2 + dy^2 <= 1 and inside a rectangle when |dx| <= 1 and
// |dy| <= 1.
double AxisOffset(double p, double centre, double size) { return (p - centre) / (size * 0.5); }

// What the MATTE_SUPERSAMPLE samples of one pixel column (or row) give for
// one shape: their offsets, and the range of the squares and of the
// rectangle test over them. The squares and sums are monotonic in the
// offsets, so a pixel whose extreme sums decide the test decides it for
// every sample alike.
struct AxisSamples {
  double d[MATTE_SUPERSAMPLE];
  double min2, max2;
  bool all_in, all_out;
  bool ordered;  // no NaN offset: the ranges above hold for every sample
};

AxisSamples SampleAxis(A_long pixel, double factor, double centre, double size) {
  AxisSamples a{};
  a.min2 = 0;
  a.max2 = 0;
  a.all_in = true;
  a.all_out = true;
  a.ordered = true;
  for (int k = 0; k < MATTE_SUPERSAMPLE; ++k) {
    const double p = (pixel + (k + 0.5) / MATTE_SUPERSAMPLE) * factor;
    a.d[k] = AxisOffset(p, centre, size);
    const double sq = a.d[k] * a.d[k];
    a.min2 = k == 0 ? sq : std::min(a.min2, sq);
    a.max2 = k == 0 ? sq : std::max(a.max2, sq);
    const bool in = std::fabs(a.d[k]) <= 1.0;
    a.all_in = a.all_in && in;
    a.all_out = a.all_out && !in;
    a.ordered = a.ordered && !std::isnan(a.d[k]);
  }
  return a;
}

bool InsideSample(bool ellipse, double dx, double dy) {
  return ellipse ? dx * dx + dy * dy <= 1.0 : std::fabs(dx) <= 1.0 && std::fabs(dy) <= 1.0;
}

// The premultiplied white of each possible sample count, as PutCoverage
// writes it.
template <typename Pixel>
void CoverageValues(A_long max_channel, Pixel (&out)[MATTE_SUPERSAMPLE * MATTE_SUPERSAMPLE + 1]) {
  constexpr int SAMPLES = MATTE_SUPERSAMPLE * MATTE_SUPERSAMPLE;
  for (int hits = 0; hits <= SAMPLES; ++hits) {
    const double a = std::clamp(hits / static_cast<double>(SAMPLES), 0.0, 1.0);
    const auto v = static_cast<decltype(Pixel::alpha)>(std::lround(a * static_cast<double>(max_channel)));
    out[hits] = Pixel{v, v, v, v};
  }
}

// The columns [lo, hi] of a pixel row where a shape may not be wholly
// outside; empty when lo > hi.
struct ColumnSpan {
  A_long lo;
  A_long hi;
  void Add(A_long x) {
    lo = std::min(lo, x);
    hi = std::max(hi, x);
  }
};

template <typename Pixel>
void PaintShapeRows(const std::vector<MatteShapeDesc>& shapes, const SimRenderRequest& request, SimWorld& world,
                    A_long max_channel) {
  Pixel values[MATTE_SUPERSAMPLE * MATTE_SUPERSAMPLE + 1];
  CoverageValues(max_channel, values);
  const double fx = request.downsample_x;
  const double fy = request.downsample_y;
  const std::size_t n = shapes.size();
  const A_long w = std::max<A_long>(world.width(), 0);
  const auto width = static_cast<std::size_t>(w);
  std::vector<AxisSamples> columns(n * width);
  // Per shape: the columns that do not put every sample outside it on their
  // own (any_column), and those whose offsets are not all numbers
  // (unordered_column); a sample outside on either axis is outside a
  // rectangle, and an ellipse whose smallest square on one axis exceeds 1
  // has every sample outside.
  const ColumnSpan none{w, -1};
  std::vector<ColumnSpan> any_column(n, none), unordered_column(n, none);
  for (std::size_t s = 0; s < n; ++s) {
    for (std::size_t x = 0; x < width; ++x) {
      const AxisSamples a = SampleAxis(static_cast<A_long>(x), fx, shapes[s].center[0], shapes[s].size[0]);
      columns[s * width + x] = a;
      const bool out = a.ordered && (shapes[s].ellipse ? a.min2 > 1.0 : a.all_out);
      if (!out) any_column[s].Add(static_cast<A_long>(x));
      if (!a.ordered) unordered_column[s].Add(static_cast<A_long>(x));
    }
  }
  std::vector<AxisSamples> rows(n);
  constexpr int SAMPLES = MATTE_SUPERSAMPLE * MATTE_SUPERSAMPLE;
  for (A_long y = 0; y < world.height(); ++y) {
    ColumnSpan reach = none;
    for (std::size_t s = 0; s < n; ++s) {
      rows[s] = SampleAxis(y, fy, shapes[s].center[1], shapes[s].size[1]);
      const AxisSamples& cy = rows[s];
      // Where the row alone puts every sample outside, only columns with a
      // number that is not one can still count.
      const ColumnSpan& span = !cy.ordered ? ColumnSpan{0, w - 1}
                               : (shapes[s].ellipse ? cy.min2 > 1.0 : cy.all_out) ? unordered_column[s]
                                                                                    : any_column[s];
      reach.lo = std::min(reach.lo, span.lo);
      reach.hi = std::max(reach.hi, span.hi);
    }
    Pixel* out = reinterpret_cast<Pixel*>(reinterpret_cast<std::uint8_t*>(world.world().data) +
                                          static_cast<std::ptrdiff_t>(y) * world.world().rowbytes);
    // Outside the reach every shape has every sample outside.
    const A_long lo = std::max<A_long>(reach.lo, 0), hi = std::min<A_long>(reach.hi, w - 1);
    if (lo > hi) {
      std::fill_n(out, w, values[0]);
      continue;
    }
    std::fill_n(out, lo, values[0]);
    std::fill_n(out + hi + 1, w - hi - 1, values[0]);
    for (A_long x = lo; x <= hi; ++x) {
      bool covered = false, crossed = false;
      for (std::size_t s = 0; s < n && !covered; ++s) {
        const AxisSamples& cx = columns[s * width + static_cast<std::size_t>(x)];
        const AxisSamples& cy = rows[s];
        bool all_in, all_out;
        if (shapes[s].ellipse) {
          all_in = cx.max2 + cy.max2 <= 1.0;
          all_out = !(cx.min2 + cy.min2 <= 1.0);
        } else {
          all_in = cx.all_in && cy.all_in;
          all_out = cx.all_out || cy.all_out;
        }
        if (!cx.ordered || !cy.ordered) all_in = all_out = false;
        covered = all_in;
        crossed = crossed || !all_out;
      }
      int hits = covered ? SAMPLES : 0;
      if (!covered && crossed) {
        for (int sy = 0; sy < MATTE_SUPERSAMPLE; ++sy) {
          for (int sx = 0; sx < MATTE_SUPERSAMPLE; ++sx) {
            for (std::size_t s = 0; s < n; ++s) {
              const AxisSamples& cx = columns[s * width + static_cast<std::size_t>(x)];
              if (InsideSample(shapes[s].ellipse, cx.d[sx], rows[s].d[sy])) {
                ++hits;
                break;
              }
            }
          }
        }
      }
      out[x] = values[hits];
    }
  }
}

// The shapes over the whole composition, supersampled; a rendered pixel
// covers factor x factor composition pixels. Only pixels that the shapes'
// outlines cross are counted sample by sample; the others are wholly
// inside a shape or outside all of them, and the stretches of a row that
// every shape leaves wholly outside are not looked at pixel by pixel.
void PaintShapes(const std::vector<MatteShapeDesc>& shapes, const SimRenderRequest& request, SimWorld& world) {
  if (world.deep()) {
    PaintShapeRows<PF_Pixel16>(shapes, request, world, PF_MAX_CHAN16);
  } else {
    PaintShapeRows<PF_Pixel8>(shapes, request, world, PF_MAX_CHAN8);
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
