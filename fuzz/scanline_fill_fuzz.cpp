// The scanline fill over random outlines (any float coordinates, random
// sub-path starts, both fill rules) into a small float coverage raster and
// an 8-bit mask, each exactly its grid's size on the heap. Coverage stays
// within [0, 1] and the mask holds only 0 and 255.
#include <cstdint>
#include <vector>

#include "fuzz_input.h"
#include "render/outline_fill.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput in(data, size);
  const std::int32_t width = in.Range(0, 40), height = in.Range(0, 40);
  const std::int32_t count = in.Range(0, 64);
  const double extent = in.Bool() ? 48.0 : 1e6;
  std::vector<float> points(static_cast<std::size_t>(count) * 2);
  for (float& p : points) p = in.Float(extent);
  std::vector<std::uint32_t> starts(static_cast<std::size_t>(in.Range(0, 8)));
  for (std::uint32_t& s : starts) s = in.Bool() ? in.U32() : static_cast<std::uint32_t>(in.Range(0, count + 1));
  const SubpathLayout layout{starts.empty() ? nullptr : starts.data(), static_cast<std::uint32_t>(starts.size())};
  const FillRule rule = in.Bool() ? FillRule::EVEN_ODD : FillRule::NONZERO;
  const std::size_t cells = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  std::vector<Crossing> crossings;

  std::vector<float> coverage(cells, 0.0f);
  OutlineRaster raster;
  raster.coverage = coverage.data();
  raster.width = width;
  raster.height = height;
  raster.subscanlines = in.Range(1, 4);
  FillOutline(points.data(), count, layout, rule, raster, crossings);
  for (float c : coverage) FUZZ_CHECK(c >= 0.0f && c <= 1.0f);

  std::vector<std::uint8_t> mask(cells, 0);
  OutlineRaster mask_raster;
  mask_raster.mask = mask.data();
  mask_raster.width = width;
  mask_raster.height = height;
  FillOutline(points.data(), count, layout, rule, mask_raster, crossings);
  for (std::uint8_t m : mask) FUZZ_CHECK(m == 0 || m == 255);
  return 0;
}
