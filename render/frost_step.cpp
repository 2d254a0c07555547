// Frost: the bleed rounds and the copy-out, in the order the buffers demand
// (each pass reads one buffer and writes the other).
#include "render/frost_step.h"

#include <cmath>

#include "render/colour_bleed.h"
#include "render/copy_out.h"

namespace {

// Far beyond any line length; keeps the conversion defined for any input.
constexpr double FROST_RADIUS_CAP = 1073741824.0;

template <typename Pixel, typename Rows, typename Columns, typename Copy>
void RunFrost(Pixel* frost_pixels, Pixel* frost_scratch, std::int32_t width, std::int32_t height,
              std::int32_t bleed_radius, PF_EffectWorld& output, Rows rows, Columns columns, Copy copy) {
  if (frost_pixels == nullptr || frost_scratch == nullptr) return;
  const ColourBleedInputs<Pixel> along_rows{frost_pixels, frost_scratch, width, height, bleed_radius};
  const ColourBleedInputs<Pixel> along_columns{frost_scratch, frost_pixels, width, height, bleed_radius};
  for (int i = 0; i < FROST_BLEED_ITERATIONS; ++i) {
    rows(along_rows);
    columns(along_columns);
  }
  copy(CopyOutInputs<Pixel>{frost_pixels, width, height, &output});
}

}  // namespace

std::int32_t FrostBleedRadius(double frost_px, double scale_factor) {
  const double product =
      frost_px * static_cast<double>(FROST_BLEED_FACTOR) * static_cast<double>(static_cast<float>(scale_factor));
  double r = std::trunc(product);
  if (!(r >= 1.0)) r = 1.0;
  if (r > FROST_RADIUS_CAP) r = FROST_RADIUS_CAP;
  return static_cast<std::int32_t>(r);
}

void FrostAndCopyOut16(PF_Pixel16* frost_pixels, PF_Pixel16* frost_scratch, std::int32_t width, std::int32_t height,
                       std::int32_t bleed_radius, PF_EffectWorld& output) {
  RunFrost(frost_pixels, frost_scratch, width, height, bleed_radius, output, BleedColorRows16, BleedColorColumns16,
           CopyOut16);
}

void FrostAndCopyOut8(PF_Pixel8* frost_pixels, PF_Pixel8* frost_scratch, std::int32_t width, std::int32_t height,
                      std::int32_t bleed_radius, PF_EffectWorld& output) {
  RunFrost(frost_pixels, frost_scratch, width, height, bleed_radius, output, BleedColorRows8, BleedColorColumns8,
           CopyOut8);
}
