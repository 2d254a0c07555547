// "AEGP Render Suite" version 8: synchronous renders of an item or a layer
// into a frame that the caller checks out and must check in again. The
// receipt of a checked-out frame gives its world and the region of the
// item (or layer) that was rendered, in rendered pixels.
#pragma once
#include "host/aegp_render_types.h"
#include "host/aegp_types.h"

extern "C" {

struct AEGP_RenderSuite8 {
  A_Err (*AEGP_RenderAndCheckoutFrame)(AEGP_RenderOptionsH optionsH,
                                       AEGP_RenderSuiteCheckForCancel cancel_functionP0,
                                       AEGP_CancelRefcon cancel_function_refconP0,
                                       AEGP_FrameReceiptH* receiptPH);                               // 0
  A_Err (*AEGP_RenderAndCheckoutLayerFrame)(AEGP_LayerRenderOptionsH optionsH,
                                            AEGP_RenderSuiteCheckForCancel cancel_functionP0,
                                            AEGP_CancelRefcon cancel_function_refconP0,
                                            AEGP_FrameReceiptH* receiptPH);                          // 1
  A_Err (*AEGP_RenderAndCheckoutLayerFrame_Async)(AEGP_LayerRenderOptionsH optionsH,
                                                  AEGP_AsyncFrameReadyCallback callback,
                                                  AEGP_AsyncFrameRequestRefcon request_refcon,
                                                  AEGP_AsyncRequestId* asyncRequestIdP);             // 2
  A_Err (*AEGP_CancelAsyncRequest)(AEGP_AsyncRequestId asyncRequestId);                              // 3
  A_Err (*AEGP_CheckinFrame)(AEGP_FrameReceiptH receiptH);                                            // 4
  A_Err (*AEGP_GetReceiptWorld)(AEGP_FrameReceiptH receiptH, AEGP_WorldH* worldPH);                  // 5
  A_Err (*AEGP_GetRenderedRegion)(AEGP_FrameReceiptH receiptH, A_LRect* regionP);                    // 6
  A_Err (*AEGP_IsRenderedFrameSufficient)(AEGP_RenderOptionsH rendered_optionsH,
                                          AEGP_RenderOptionsH proposed_optionsH,
                                          A_Boolean* is_sufficientPB);                               // 7
  A_Err (*AEGP_RenderNewItemSoundData)(AEGP_ItemH itemH, const A_Time* start_timePT,
                                       const A_Time* durationPT, const void* sound_formatP,
                                       AEGP_RenderSuiteCheckForCancel cancel_functionP0,
                                       AEGP_CancelRefcon cancel_function_refconP0,
                                       AEGP_SoundDataH* new_sound_dataPH);                           // 8
  A_Err (*AEGP_GetCurrentTimestamp)(AEGP_TimeStamp* time_stampP);                                    // 9
  A_Err (*AEGP_HasItemChangedSinceTimestamp)(AEGP_ItemH itemH, const A_Time* start_timeP,
                                             const A_Time* durationP, const AEGP_TimeStamp* time_stampP,
                                             A_Boolean* changedPB);                                  // 10
  A_Err (*AEGP_IsItemWorthwhileToRender)(AEGP_RenderOptionsH roH, const AEGP_TimeStamp* time_stampP,
                                         A_Boolean* is_worthwhilePB);                                // 11
  A_Err (*AEGP_CheckinRenderedFrame)(AEGP_RenderOptionsH roH, const AEGP_TimeStamp* time_stampP,
                                     A_u_long ticks_to_renderL, AEGP_PlatformWorldH imageH);         // 12
  A_Err (*AEGP_GetReceiptGuid)(AEGP_FrameReceiptH receiptH, AEGP_MemHandle* guidMH);                 // 13
};

}  // extern "C"
