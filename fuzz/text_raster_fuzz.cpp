// The text-outline rasteriser over random glyph outlines served by the
// simulated host: random vertices and tangents (any double), open and
// closed paths, a random grid, origin, scale and supersample, with and
// without a coverage plane. The mask holds only 0 and 255, the coverage
// stays within [0, 1], and every host object is handed back.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz_input.h"
#include "geometry/text_outline_mask.h"
#include "hostsim/host.h"
#include "shell/suite_handler.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput in(data, size);
  hostsim::Host host;
  hostsim::SimComposition& comp = host.scene().AddComposition(1, 64, 64);
  comp.AddLayer(1, AEGP_ObjectType_TEXT);
  hostsim::SimLayer& layer = comp.layers[0];
  const int paths = in.Range(0, 4);
  const double extent = in.Bool() ? 40.0 : 1e6;
  for (int p = 0; p < paths; ++p) {
    hostsim::SimTextPath path;
    path.open = in.Bool();
    const int vertices = in.Range(0, 12);
    for (int v = 0; v < vertices; ++v) {
      PF_PathVertex vertex{};
      vertex.x = in.Number(extent);
      vertex.y = in.Number(extent);
      // Straight segments keep their tangents on the vertex; curved ones
      // carry absolute control points.
      const bool curved = in.Bool();
      vertex.tan_in_x = curved ? in.Number(extent) : vertex.x;
      vertex.tan_in_y = curved ? in.Number(extent) : vertex.y;
      vertex.tan_out_x = curved ? in.Number(extent) : vertex.x;
      vertex.tan_out_y = curved ? in.Number(extent) : vertex.y;
      path.vertices.push_back(vertex);
    }
    layer.text.paths.push_back(path);
  }
  hostsim::SimEffectInstance& instance = host.scene().AddEffectInstance(&layer);
  PF_InData in_data;
  std::memset(&in_data, 0, sizeof in_data);
  in_data.pica_basicP = host.basic_suite();
  in_data.effect_ref = instance.effect_ref();
  in_data.current_time = 0;
  in_data.time_scale = 24;

  const int width = in.Range(0, 48), height = in.Range(0, 48);
  const int origin_x = in.Range(-64, 64), origin_y = in.Range(-64, 64);
  const double scale_x = in.Bool() ? 1.0 : in.Number(1.0), scale_y = in.Bool() ? 1.0 : in.Number(1.0);
  const int supersample = in.Range(1, 4);
  const bool with_coverage = in.Bool();
  std::vector<float> coverage(with_coverage ? static_cast<std::size_t>(width) * height : 0, 0.0f);
  std::uint8_t* mask = nullptr;
  try {
    SuiteHandler suites(host.basic_suite());
    mask = BuildTextOutlineMask(&in_data, suites, origin_x, origin_y, width, height, scale_x, scale_y, supersample,
                                with_coverage ? coverage.data() : nullptr);
  } catch (...) {
    // Thrown errors are the rasteriser's documented way out.
  }
  if (mask != nullptr) {
    for (std::size_t i = 0; i < static_cast<std::size_t>(width) * height; ++i) FUZZ_CHECK(mask[i] == 0 || mask[i] == 255);
    std::free(mask);
  }
  for (float c : coverage) FUZZ_CHECK(c >= 0.0f && c <= 1.0f);
  FUZZ_CHECK(host.Leaks().empty());
  return 0;
}
