// A whole frame through the simulated host from a random scene: shape
// contents of every kind nested in groups with merges, masks of every mode,
// solids and text, track mattes, transforms and parents with non-finite and
// huge values, control values inside and outside their ranges (any double,
// any angle), 8 and 16 bits, downsampling, draft quality and small output
// sizes, inline or on 1 to 8 workers. The plug-in (with its test seams) is
// linked in and driven through its entry point as
// the host does: setup, smart pre-render, smart render, setdown. The frame
// may fail only with an error code; the output stays within its rows and
// channel range, every checked-out input is checked back in, and no host
// object or suite is left behind.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "host/pf_errors.h"
#include "hostsim/command_driver.h"
#include "hostsim/frame_renderer.h"
#include "hostsim/scene_desc.h"
#include "hostsim/scene_desc_builder.h"
#include "hostsim/sim_world.h"
#include "render/parallel_for.h"
#include "shell/entry_points.h"
#include "shell/param_index.h"
#include "shell/plugin_globals.h"

namespace {

using hostsim::ContentItem;
using hostsim::SceneDesc;
using hostsim::TransformDesc;

hostsim::ModuleEntryPoints Linked() {
  hostsim::ModuleEntryPoints m;
  m.plugin_data_entry = &PluginDataEntryFunction;
  m.plugin_data_entry2 = &PluginDataEntryFunction2;
  m.entry_point = &EntryPointFunc;
  m.effect_main = &EffectMain;
  return m;
}

std::array<double, 2> Pair(FuzzInput& in, double scale) { return {in.Number(scale), in.Number(scale)}; }

TransformDesc Transform(FuzzInput& in) {
  TransformDesc t;
  if (in.Bool()) t.anchor = Pair(in, 50);
  if (in.Bool()) t.position = Pair(in, 50);
  if (in.Bool()) t.scale = Pair(in, 100);
  if (in.Bool()) t.rotation = in.Number(360);
  return t;
}

std::vector<std::array<double, 2>> Points(FuzzInput& in, int most) {
  std::vector<std::array<double, 2>> points(static_cast<std::size_t>(in.Range(0, most)));
  for (auto& p : points) p = Pair(in, 40);
  return points;
}

std::vector<ContentItem> Contents(FuzzInput& in, int depth) {
  std::vector<ContentItem> items(static_cast<std::size_t>(in.Range(0, depth == 0 ? 9 : 4)));
  for (ContentItem& item : items) {
    item.kind = static_cast<ContentItem::Kind>(in.Range(0, 8));
    if (item.kind == ContentItem::Kind::GROUP && depth >= 3) item.kind = ContentItem::Kind::ELLIPSE;
    item.position = Pair(in, 30);
    switch (item.kind) {
      case ContentItem::Kind::RECTANGLE:
      case ContentItem::Kind::ELLIPSE:
        item.size = Pair(in, 60);
        item.roundness = in.Number(20);
        break;
      case ContentItem::Kind::STAR:
      case ContentItem::Kind::POLYGON:
        item.points = in.Bool() ? in.Range(3, 12) : in.Number(20);
        item.outer_radius = in.Number(30);
        item.inner_radius = in.Number(15);
        item.outer_roundness = in.Number(100);
        item.inner_roundness = in.Number(100);
        item.rotation = in.Number(360);
        break;
      case ContentItem::Kind::PATH:
        item.path = Points(in, in.Bool() ? 12 : 600);
        item.closed = in.Bool();
        break;
      case ContentItem::Kind::GROUP:
        if (in.Bool()) item.group_transform = Transform(in);
        item.contents = Contents(in, depth + 1);
        break;
      case ContentItem::Kind::MERGE:
        item.merge_mode = in.Bool() ? in.Range(0, 6) : in.Number(4);
        break;
      default:
        break;
    }
  }
  return items;
}

void FillBackground(hostsim::SimWorld& world) {
  for (A_long y = 0; y < world.height(); ++y) {
    for (A_long x = 0; x < world.width(); ++x) {
      const auto r = static_cast<std::uint32_t>((x * 37 + y * 11) % 251);
      const auto g = static_cast<std::uint32_t>((x * 13 + y * 29 + 80) % 241);
      const auto a = static_cast<std::uint32_t>(255 - (x * 7 + y * 3) % 64);
      if (world.deep()) {
        world.Pixel16(x, y) = PF_Pixel16{static_cast<A_u_short>(a * 128), static_cast<A_u_short>(std::min(r, a) * 128),
                                         static_cast<A_u_short>(std::min(g, a) * 128), 0};
      } else {
        world.Pixel8(x, y) = PF_Pixel8{static_cast<A_u_char>(a), static_cast<A_u_char>(std::min(r, a)),
                                       static_cast<A_u_char>(std::min(g, a)), 0};
      }
    }
  }
}

// A control value: within its range, a little outside it, or extreme (NaN,
// the infinities, magnitudes no frame can be sized by). Values far outside
// the range but still finite and moderate would only make the frame's
// working grids legitimately enormous (the depth pads the matte grid by
// twice the depth in pixels), which is slowness, not a fault.
double Control(FuzzInput& in, double lo, double hi) {
  const double span = hi - lo;
  const double unit = in.Byte() / 255.0;
  switch (in.Byte() % 4) {
    case 1:
      return lo - 0.25 * span + unit * 1.5 * span;
    case 2: {
      static constexpr double EXTREME[] = {std::numeric_limits<double>::quiet_NaN(),
                                           std::numeric_limits<double>::infinity(),
                                           -std::numeric_limits<double>::infinity(),
                                           1e308,
                                           -1e308,
                                           1e20,
                                           -1e20,
                                           1e9};
      return EXTREME[in.Byte() % 8];
    }
    default:
      return lo + unit * span;
  }
}

PF_RationalScale Downsample(FuzzInput& in) {
  const A_long den = in.Range(1, 8);
  return PF_RationalScale{in.Range(1, den), static_cast<A_u_long>(den)};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput in(data, size);
  SceneDesc scene;
  scene.width = in.Range(1, 64);
  scene.height = in.Range(1, 64);
  scene.depth = in.Bool() ? 16 : 8;
  scene.layer_kind = static_cast<SceneDesc::LayerKind>(in.Range(0, 2));
  scene.adjustment = in.Byte() != 1;
  if (in.Bool()) scene.layer_size = {in.Range(1, 200), in.Range(1, 200)};
  scene.transform_given = in.Bool();
  if (scene.transform_given) scene.transform = Transform(in);
  scene.parents.resize(static_cast<std::size_t>(in.Range(0, 3)));
  for (TransformDesc& p : scene.parents) p = Transform(in);
  scene.contents = Contents(in, 0);
  scene.masks.resize(static_cast<std::size_t>(in.Range(0, 4)));
  for (hostsim::MaskDesc& m : scene.masks) {
    m.mode = in.Range(0, 6);
    m.inverted = in.Bool();
    m.path = Points(in, 12);
    m.closed = in.Bool();
  }
  if (scene.layer_kind == SceneDesc::LayerKind::TEXT) {
    static constexpr char LETTERS[] = "AOgil.#@ ";
    const int n = in.Range(0, 4);
    for (int i = 0; i < n; ++i) scene.text += LETTERS[in.Byte() % (sizeof LETTERS - 1)];
    scene.font_size = in.Bool() ? in.Range(1, 60) : in.Number(40);
    scene.text_position = Pair(in, 30);
  }
  if (in.Byte() % 4 == 0) {
    hostsim::TrackMatteDesc matte;
    matte.mode = in.Range(1, 4);
    if (in.Bool()) {
      matte.shapes.resize(static_cast<std::size_t>(in.Range(0, 3)));
      for (hostsim::MatteShapeDesc& s : matte.shapes) {
        s.ellipse = in.Bool();
        s.center = Pair(in, 30);
        s.size = Pair(in, 30);
      }
    } else {
      matte.kind = hostsim::TrackMatteDesc::Kind::IMAGE;
      matte.image_width = in.Range(0, 24);
      matte.image_height = in.Range(0, 24);
      matte.image_alpha.resize(static_cast<std::size_t>(matte.image_width) * matte.image_height);
      for (unsigned char& a : matte.image_alpha) a = in.Byte();
      matte.position = Pair(in, 20);
    }
    scene.track_matte = matte;
  }

  hostsim::Host host;
  const hostsim::BuiltScene built = hostsim::BuildScene(host, scene);
  // Control values as the host may hand them over, expressions included:
  // any double for a slider, any fixed-point angle.
  const PF_ParamIndex sliders[] = {PARAM_LIGHT_INTENSITY, PARAM_REFRACTION, PARAM_DEPTH, PARAM_DISPERSION,
                                   PARAM_FROST,           PARAM_SPLAY,      PARAM_MAGNIFY, PARAM_EFFECT_SCALE,
                                   PARAM_RIM_SCALE};
  // A matte frame's working grid is padded on each side by twice the depth
  // in pixels (up to eight times the Depth control), so its cost grows with
  // the square of the depth:
  // at full Depth and Effect Scale one frame takes minutes under the
  // sanitizers. There the depth is drawn from a quarter of its range.
  const double depth_hi = scene.track_matte ? 25 : 100;
  const double ranges[][2] = {{0, 100}, {-100, 100}, {0, depth_hi}, {0, 100}, {0, 100},
                              {0, 100}, {-100, 100}, {0.1, 4}, {0.1, 4}};
  for (int i = 0; i < 9; ++i) {
    if (in.Bool()) built.instance->SetFloatSlider(sliders[i], Control(in, ranges[i][0], ranges[i][1]));
  }
  if (in.Bool()) built.instance->SetAngle(PARAM_LIGHT_ANGLE, in.Bool() ? in.I32() : in.Range(-720, 720) * 65536);

  // Starting threads under the sanitizers costs more than a small frame's
  // passes, so most frames run inline; one in four runs with 1 to 8
  // workers, which moves every pass's chunk boundaries.
  const std::uint8_t threads = in.Byte();
  SetHardwareConcurrencyOverride(threads % 4 == 1 ? 3 + (threads / 4) % 8 : 1);

  hostsim::FrameRequest request;
  request.deep = scene.depth == 16;
  request.downsample_x = Downsample(in);
  request.downsample_y = in.Bool() ? request.downsample_x : Downsample(in);
  request.quality = in.Bool() ? 1 : 0;
  request.layer_width = scene.layer_size[0] > 0 ? scene.layer_size[0] : scene.width;
  request.layer_height = scene.layer_size[1] > 0 ? scene.layer_size[1] : scene.height;
  const int out_w = std::max(1, static_cast<int>(scene.width * request.downsample_x.num / request.downsample_x.den));
  const int out_h = std::max(1, static_cast<int>(scene.height * request.downsample_y.num / request.downsample_y.den));
  hostsim::SimWorld input(out_w, out_h, request.deep, 8), output(out_w, out_h, request.deep, 8);
  FillBackground(input);

  {
    hostsim::CommandDriver commands(host, Linked());
    FUZZ_CHECK(commands.GlobalSetup() == PF_Err_NONE);
    FUZZ_CHECK(commands.ParamsSetup() == PF_Err_NONE);
    FUZZ_CHECK(commands.SequenceSetup() == PF_Err_NONE);
    const hostsim::FrameResult frame = hostsim::RenderFrame(commands, *built.instance, request, input, output);
    FUZZ_CHECK(frame.input_checkouts == frame.input_checkins);
    FUZZ_CHECK(commands.SequenceSetdown() == PF_Err_NONE);
  }
  g_basic_suite = nullptr;
  FUZZ_CHECK(output.PaddingIntact());
  for (A_long y = 0; y < out_h; ++y) {
    for (A_long x = 0; x < out_w; ++x) {
      if (request.deep) {
        const PF_Pixel16& p = output.Pixel16(x, y);
        FUZZ_CHECK(p.alpha <= PF_MAX_CHAN16 && p.red <= p.alpha && p.green <= p.alpha && p.blue <= p.alpha);
      } else {
        const PF_Pixel8& p = output.Pixel8(x, y);
        FUZZ_CHECK(p.red <= p.alpha && p.green <= p.alpha && p.blue <= p.alpha);
      }
    }
  }
  FUZZ_CHECK(host.Leaks().empty());
  return 0;
}
