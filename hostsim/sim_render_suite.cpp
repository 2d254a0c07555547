// "AEGP Render Suite" 8 over the scene: renders an item or a layer into a
// new world of the requested pixel type and size (the pixel source's
// full-resolution size divided by the downsample factor, rounded up),
// lets the test's pixel source paint it, and hands it out behind a frame
// receipt that the plug-in must check in. The paint runs with no lock held,
// so it may send commands back into the plug-in as a real render can.
#include <memory>

#include "host/pf_errors.h"
#include "host/suites/aegp_render_suite8.h"
#include "hostsim/host.h"
#include "hostsim/sim_suites.h"

namespace hostsim {

namespace {

A_long RenderedSide(A_long full, A_short factor) {
  if (full <= 0) return 0;
  const A_long f = factor < 1 ? 1 : factor;
  return (full + f - 1) / f;
}

A_Err Render(const SimRenderRequest& request, const SimPixelSource& source, A_long default_width,
             A_long default_height, AEGP_FrameReceiptH* receiptPH) {
  if (request.world_type != AEGP_WorldType_8 && request.world_type != AEGP_WorldType_16) return A_Err_GENERIC;
  const A_long full_w = source.width > 0 ? source.width : default_width;
  const A_long full_h = source.height > 0 ? source.height : default_height;
  const A_long w = RenderedSide(full_w, request.downsample_x);
  const A_long h = RenderedSide(full_h, request.downsample_y);
  auto receipt = std::make_unique<SimFrameReceipt>();
  receipt->request = request;
  receipt->world = std::make_unique<SimWorld>(w, h, request.world_type == AEGP_WorldType_16);
  receipt->region = A_LRect{source.region_left, source.region_top, source.region_left + w, source.region_top + h};
  Host::Current()->renders().Log(request);
  if (source.paint) source.paint(request, *receipt->world);
  RenderBook& book = Host::Current()->renders();
  const SimWorld* world = receipt->world.get();
  SimFrameReceipt* ref = book.receipts().New(std::move(*receipt));
  book.AddWorld(world);
  *receiptPH = reinterpret_cast<AEGP_FrameReceiptH>(ref);
  return A_Err_NONE;
}

A_Err RenderAndCheckoutFrame(AEGP_RenderOptionsH optionsH, AEGP_RenderSuiteCheckForCancel cancel_functionP0,
                             AEGP_CancelRefcon, AEGP_FrameReceiptH* receiptPH) {
  SimRenderOptions* options = Host::Current()->renders().item_options().Find(optionsH);
  const SimItem* item = options != nullptr ? options->request.item : nullptr;
  if (const A_Err err = EnterCall("AEGP_RenderAndCheckoutFrame", item ? &item->failing_calls : nullptr)) return err;
  if (item == nullptr || receiptPH == nullptr) return A_Err_GENERIC;
  *receiptPH = nullptr;
  SimRenderRequest request = options->request;
  request.cancel_callback = cancel_functionP0 != nullptr;
  return Render(request, item->pixels, item->Width(), item->Height(), receiptPH);
}

A_Err RenderAndCheckoutLayerFrame(AEGP_LayerRenderOptionsH optionsH, AEGP_RenderSuiteCheckForCancel cancel_functionP0,
                                  AEGP_CancelRefcon, AEGP_FrameReceiptH* receiptPH) {
  SimRenderOptions* options = Host::Current()->renders().layer_options().Find(optionsH);
  const SimLayer* layer = options != nullptr ? options->request.layer : nullptr;
  if (const A_Err err = EnterCall("AEGP_RenderAndCheckoutLayerFrame", layer ? &layer->failing_calls : nullptr)) {
    return err;
  }
  if (layer == nullptr || receiptPH == nullptr) return A_Err_GENERIC;
  *receiptPH = nullptr;
  SimRenderRequest request = options->request;
  request.cancel_callback = cancel_functionP0 != nullptr;
  const A_long w = layer->source != nullptr ? layer->source->Width() : 0;
  const A_long h = layer->source != nullptr ? layer->source->Height() : 0;
  return Render(request, layer->pixels, w, h, receiptPH);
}

A_Err CheckinFrame(AEGP_FrameReceiptH receiptH) {
  if (const A_Err err = EnterCall("AEGP_CheckinFrame")) return err;
  RenderBook& book = Host::Current()->renders();
  SimFrameReceipt* receipt = book.receipts().Find(receiptH);
  if (receipt != nullptr) book.RemoveWorld(receipt->world.get());
  return book.receipts().Dispose(receiptH) ? A_Err_NONE : A_Err_GENERIC;
}

A_Err GetReceiptWorld(AEGP_FrameReceiptH receiptH, AEGP_WorldH* worldPH) {
  if (const A_Err err = EnterCall("AEGP_GetReceiptWorld")) return err;
  SimFrameReceipt* receipt = Host::Current()->renders().receipts().Find(receiptH);
  if (receipt == nullptr || worldPH == nullptr) return A_Err_GENERIC;
  *worldPH = reinterpret_cast<AEGP_WorldH>(receipt->world.get());
  return A_Err_NONE;
}

A_Err GetRenderedRegion(AEGP_FrameReceiptH receiptH, A_LRect* regionP) {
  if (const A_Err err = EnterCall("AEGP_GetRenderedRegion")) return err;
  SimFrameReceipt* receipt = Host::Current()->renders().receipts().Find(receiptH);
  if (receipt == nullptr || regionP == nullptr) return A_Err_GENERIC;
  *regionP = receipt->region;
  return A_Err_NONE;
}

AEGP_RenderSuite8 MakeSuite() {
  AEGP_RenderSuite8 s{};
  s.AEGP_RenderAndCheckoutFrame = RenderAndCheckoutFrame;
  s.AEGP_RenderAndCheckoutLayerFrame = RenderAndCheckoutLayerFrame;
  s.AEGP_CheckinFrame = CheckinFrame;
  s.AEGP_GetReceiptWorld = GetReceiptWorld;
  s.AEGP_GetRenderedRegion = GetRenderedRegion;
  return s;
}

const AEGP_RenderSuite8 RENDER_SUITE_8 = MakeSuite();

}  // namespace

void RegisterSimRenderSuite(Host& host) { host.suites().Register("AEGP Render Suite", 8, &RENDER_SUITE_8); }

}  // namespace hostsim
