// Row copy from the frost buffer into the output world, written once over
// the pixel type; output rows are reached through rowbytes, so padded worlds
// keep their padding bytes.
#include "render/copy_out.h"

#include <algorithm>
#include <cstring>

#include "render/parallel_for.h"
#include "render/pixel_traits.h"

namespace {

template <typename Pixel>
void CopyRows(const CopyOutInputs<Pixel>& in) {
  if (in.source == nullptr || in.output == nullptr || in.output->data == nullptr) return;
  const std::int32_t w = std::min(in.width, in.output->width);
  const std::int32_t h = std::min(in.height, in.output->height);
  if (w <= 0 || h <= 0) return;
  const std::size_t row_bytes = static_cast<std::size_t>(w) * sizeof(Pixel);
  const std::int64_t src_stride = in.width;
  // The whole buffer, outside the panes too: the shading wrote every pixel
  // into it, and the bleed has mixed refracted and unrefracted pixels
  // along the pane edges. The host shows the result only inside the
  // layer's own outline anyway.
  ParallelFor(h, [&](std::int32_t begin, std::int32_t end) {
    for (std::int32_t y = begin; y < end; ++y) {
      std::memcpy(WorldRow<Pixel>(*in.output, y), in.source + y * src_stride, row_bytes);
    }
  });
}

}  // namespace

void CopyOut16(const CopyOutInputs16& in) { CopyRows(in); }
void CopyOut8(const CopyOutInputs8& in) { CopyRows(in); }
