// The suite cache and the table of suites it knows.
#include "shell/suite_handler.h"

#include "host/pf_errors.h"

void MissingSuiteError() { throw static_cast<int>(PF_Err_BAD_CALLBACK_PARAM); }

constexpr KnownSuite KNOWN_SUITES[KNOWN_SUITE_COUNT] = {
    {"AEGP Marker Suite", 1},
    {"AEGP Marker Suite", 2},
    {"AEGP Marker Suite", 3},
    {"AEGP Layer Suite", 5},
    {"AEGP Layer Suite", 8},
    {"AEGP Layer Suite", 10},
    {"AEGP Layer Suite", 11},
    {"AEGP Layer Suite", 12},
    {"AEGP Layer Suite", 13},
    {"AEGP Layer Suite", 14},
    {"AEGP Stream Suite", 4},
    {"AEGP Stream Suite", 7},
    {"AEGP Stream Suite", 8},
    {"AEGP Stream Suite", 9},
    {"AEGP Stream Suite", 10},
    {"AEGP Stream Suite", 11},
    {"AEGP Dynamic Stream Suite", 2},
    {"AEGP Dynamic Stream Suite", 3},
    {"AEGP Dynamic Stream Suite", 5},
    {"AEGP Keyframe Suite", 1},
    {"AEGP Keyframe Suite", 3},
    {"AEGP Keyframe Suite", 4},
    {"AEGP Keyframe Suite", 5},
    {"AEGP Comp Suite", 4},
    {"AEGP Comp Suite", 9},
    {"AEGP Comp Suite", 11},
    {"AEGP Comp Suite", 14},
    {"AEGP Comp Suite", 15},
    {"AEGP Comp Suite", 18},
    {"AEGP Comp Suite", 19},
    {"AEGP Comp Suite", 21},
    {"AEGP Comp Suite", 25},
    {"AEGP Canvas Suite", 10},
    {"AEGP Canvas Suite", 11},
    {"AEGP Canvas Suite", 13},
    {"AEGP Canvas Suite", 14},
    {"AEGP Camera Suite", 2},
    {"AEGP Register Suite", 6},
    {"AEGP Item View Suite", 1},
    {"AEGP Item Suite", 3},
    {"AEGP Item Suite", 7},
    {"AEGP Item Suite", 10},
    {"AEGP Item Suite", 11},
    {"AEGP Item Suite", 13},
    {"AEGP PF Interface Suite", 1},
    {"AEGP Math Suite", 1},
    {"PF AE Adv Time Suite", 4},
    {"PF Path Query Suite", 1},
    {"AEGP Memory Suite", 1},
    {"PF Path Data Suite", 1},
    {"PF Param Utils Suite", 3},
    {"PF AE App Suite", 1},
    {"PF AE App Suite", 6},
    {"PF AE App Suite", 7},
    {"PF AE Adv App Suite", 1},
    {"PF AE Adv App Suite", 2},
    {"AEGP Light Suite", 1},
    {"AEGP Light Suite", 2},
    {"AEGP Light Suite", 3},
    {"AEGP Effect Suite", 1},
    {"AEGP Effect Suite", 2},
    {"AEGP Effect Suite", 3},
    {"AEGP Effect Suite", 4},
    {"AEGP Effect Suite", 5},
    {"AEGP Layer Mask Suite", 2},
    {"AEGP Layer Mask Suite", 5},
    {"AEGP Layer Mask Suite", 6},
    {"AEGP Layer Mask Suite", 7},
    {"AEGP Mask Outline Suite", 2},
    {"AEGP Mask Outline Suite", 3},
    {"AEGP Mask Outline Suite", 5},
    {"AEGP Command Suite", 1},
    {"AEGP Utility Suite", 3},
    {"AEGP Utility Suite", 7},
    {"AEGP Utility Suite", 10},
    {"AEGP Utility Suite", 11},
    {"AEGP Utility Suite", 13},
    {"AEGP Render Suite", 1},
    {"AEGP Render Suite", 2},
    {"AEGP Render Suite", 3},
    {"AEGP Render Suite", 5},
    {"AEGP Render Suite", 8},
    {"PF ANSI Suite", 1},
    {"PF Handle Suite", 2},
    {"PF Fill Matte Suite", 2},
    {"PF World Transform Suite", 1},
    {"AEGP QueryXform Suite", 4},
    {"AEGP Composite Suite", 4},
    {"PF World Suite", 1},
    {"AEGP IO In Suite", 5},
    {"AEGP IO Out Suite", 7},
    {"AEGP Render Queue Suite", 1},
    {"AEGP Render Queue Item Suite", 3},
    {"AEGP Render Queue Item Suite", 4},
    {"AEGP Output Module Suite", 4},
    {"AEGP File Import Manager Suite", 3},
    {"PF Sampling8 Suite", 1},
    {"PF Sampling16 Suite", 1},
    {"PF Iterate8 Suite", 1},
    {"PF Iterate8 Suite", 2},
    {"PF iterate16 Suite", 1},
    {"PF iterate16 Suite", 2},
    {"PF iterateFloat Suite", 1},
    {"PF iterateFloat Suite", 2},
    {"AEGP Collection Suite", 1},
    {"AEGP Collection Suite", 2},
    {"AEGP Text Document Suite", 1},
    {"AEGP Sound Data Suite", 1},
    {"AEGP Text Layer Suite", 1},
    {"AEGP Artisan Util Suite", 1},
    {"AEGP World Suite", 2},
    {"AEGP World Suite", 3},
    {"AEGP Render Options Suite", 1},
    {"AEGP Render Options Suite", 2},
    {"AEGP Tracker Suite", 1},
    {"AEGP Tracker Utility Suite", 1},
    {"AE Plugin Helper Suite2", 2},
    {"PF AE Adv Item Suite", 1},
    {"AEGP Layer Render Options Suite", 1},
    {"AEGP Layer Render Options Suite", 2},
    {"AEGP Render Asyc Manager Suite", 1},
    {"AEGP Proj Suite", 8},
    {"AEGP Proj Suite", 9},
    {"AEGP Footage Suite", 11},
    {"AEGP Persistent Data Suite", 3},
    {"AEGP Persistent Data Suite", 4},
    {"PF Color Settings Suite", 1},
    {"PF Color Settings Suite", 3},
    {"PF Color Settings Suite", 4},
    {"PF Color Settings Suite", 5},
    {"PF ColorParamSuite", 1},
    {"PF SamplingFloat Suite", 1},
    {"PF Effect Custom UI Suite", 1},
    {"PF Effect Custom UI Suite", 2},
    {"PF Effect Custom UI Overlay Theme Suite", 1},
    {"DRAWBOT Draw Suite", 1},
    {"DRAWBOT Supplier Suite", 1},
    {"DRAWBOT Surface Suite", 2},
    {"DRAWBOT Path Suite", 1},
    {"SP Suites Suite", 2},
    {"AEGP Comp Suite", 26},
    {"AEGP Item Suite", 14},
    {"AEGP Layer Suite", 15},
    {"AEGP Render Options Suite", 3},
};

namespace {

constexpr std::size_t SlotOf(const char* name, A_long version) {
  for (std::size_t i = 0; i < KNOWN_SUITE_COUNT; ++i) {
    const char* a = KNOWN_SUITES[i].name;
    const char* b = name;
    while (*a != '\0' && *a == *b) {
      ++a;
      ++b;
    }
    if (*a == *b && KNOWN_SUITES[i].version == version) return i;
  }
  return KNOWN_SUITE_COUNT;
}

}  // namespace

SuiteHandler::SuiteHandler(const SPBasicSuite* basic) : basic_(basic), cached_{} {
  if (basic_ == nullptr) MissingSuiteError();
}

SuiteHandler::~SuiteHandler() { ReleaseAllSuites(); }

const void* SuiteHandler::Acquire(std::size_t slot) {
  if (cached_[slot] != nullptr) return cached_[slot];
  const void* suite = nullptr;
  const SPErr err = basic_->AcquireSuite(KNOWN_SUITES[slot].name, KNOWN_SUITES[slot].version, &suite);
  if (err != 0 || suite == nullptr) MissingSuiteError();
  cached_[slot] = suite;
  return suite;
}

void SuiteHandler::ReleaseAllSuites() noexcept {
  for (std::size_t i = 0; i < KNOWN_SUITE_COUNT; ++i) {
    if (cached_[i] == nullptr) continue;
    basic_->ReleaseSuite(KNOWN_SUITES[i].name, KNOWN_SUITES[i].version);
    cached_[i] = nullptr;
  }
}

const AEGP_CompSuite25* SuiteHandler::CompSuiteV25() {
  static constexpr std::size_t slot = SlotOf("AEGP Comp Suite", 25);
  static_assert(slot < KNOWN_SUITE_COUNT);
  return static_cast<const AEGP_CompSuite25*>(Acquire(slot));
}

const AEGP_CompSuite26* SuiteHandler::CompSuiteV26() {
  static constexpr std::size_t slot = SlotOf("AEGP Comp Suite", 26);
  static_assert(slot < KNOWN_SUITE_COUNT);
  return static_cast<const AEGP_CompSuite26*>(Acquire(slot));
}

const AEGP_DynamicStreamSuite5* SuiteHandler::DynamicStreamSuiteV5() {
  static constexpr std::size_t slot = SlotOf("AEGP Dynamic Stream Suite", 5);
  static_assert(slot < KNOWN_SUITE_COUNT);
  return static_cast<const AEGP_DynamicStreamSuite5*>(Acquire(slot));
}

const AEGP_EffectSuite4* SuiteHandler::EffectSuiteV4() {
  static constexpr std::size_t slot = SlotOf("AEGP Effect Suite", 4);
  static_assert(slot < KNOWN_SUITE_COUNT);
  return static_cast<const AEGP_EffectSuite4*>(Acquire(slot));
}

const AEGP_FootageSuite11* SuiteHandler::FootageSuiteV11() {
  static constexpr std::size_t slot = SlotOf("AEGP Footage Suite", 11);
  static_assert(slot < KNOWN_SUITE_COUNT);
  return static_cast<const AEGP_FootageSuite11*>(Acquire(slot));
}

const PF_HandleSuite2* SuiteHandler::HandleSuiteV2() {
  static constexpr std::size_t slot = SlotOf("PF Handle Suite", 2);
  static_assert(slot < KNOWN_SUITE_COUNT);
  return static_cast<const PF_HandleSuite2*>(Acquire(slot));
}

const AEGP_ItemSuite14* SuiteHandler::ItemSuiteV14() {
  static constexpr std::size_t slot = SlotOf("AEGP Item Suite", 14);
  static_assert(slot < KNOWN_SUITE_COUNT);
  return static_cast<const AEGP_ItemSuite14*>(Acquire(slot));
}

const AEGP_LayerSuite11* SuiteHandler::LayerSuiteV11() {
  static constexpr std::size_t slot = SlotOf("AEGP Layer Suite", 11);
  static_assert(slot < KNOWN_SUITE_COUNT);
  return static_cast<const AEGP_LayerSuite11*>(Acquire(slot));
}

const AEGP_LayerSuite13* SuiteHandler::LayerSuiteV13() {
  static constexpr std::size_t slot = SlotOf("AEGP Layer Suite", 13);
  static_assert(slot < KNOWN_SUITE_COUNT);
  return static_cast<const AEGP_LayerSuite13*>(Acquire(slot));
}

const AEGP_LayerSuite15* SuiteHandler::LayerSuiteV15() {
  static constexpr std::size_t slot = SlotOf("AEGP Layer Suite", 15);
  static_assert(slot < KNOWN_SUITE_COUNT);
  return static_cast<const AEGP_LayerSuite15*>(Acquire(slot));
}

const AEGP_LayerMaskSuite7* SuiteHandler::LayerMaskSuiteV7() {
  static constexpr std::size_t slot = SlotOf("AEGP Layer Mask Suite", 7);
  static_assert(slot < KNOWN_SUITE_COUNT);
  return static_cast<const AEGP_LayerMaskSuite7*>(Acquire(slot));
}

const AEGP_LayerRenderOptionsSuite2* SuiteHandler::LayerRenderOptionsSuiteV2() {
  static constexpr std::size_t slot = SlotOf("AEGP Layer Render Options Suite", 2);
  static_assert(slot < KNOWN_SUITE_COUNT);
  return static_cast<const AEGP_LayerRenderOptionsSuite2*>(Acquire(slot));
}

const AEGP_MaskOutlineSuite5* SuiteHandler::MaskOutlineSuiteV5() {
  static constexpr std::size_t slot = SlotOf("AEGP Mask Outline Suite", 5);
  static_assert(slot < KNOWN_SUITE_COUNT);
  return static_cast<const AEGP_MaskOutlineSuite5*>(Acquire(slot));
}

const AEGP_MemorySuite1* SuiteHandler::MemorySuiteV1() {
  static constexpr std::size_t slot = SlotOf("AEGP Memory Suite", 1);
  static_assert(slot < KNOWN_SUITE_COUNT);
  return static_cast<const AEGP_MemorySuite1*>(Acquire(slot));
}

const AEGP_PFInterfaceSuite1* SuiteHandler::PFInterfaceSuiteV1() {
  static constexpr std::size_t slot = SlotOf("AEGP PF Interface Suite", 1);
  static_assert(slot < KNOWN_SUITE_COUNT);
  return static_cast<const AEGP_PFInterfaceSuite1*>(Acquire(slot));
}

const AEGP_RegisterSuite6* SuiteHandler::RegisterSuiteV6() {
  static constexpr std::size_t slot = SlotOf("AEGP Register Suite", 6);
  static_assert(slot < KNOWN_SUITE_COUNT);
  return static_cast<const AEGP_RegisterSuite6*>(Acquire(slot));
}

const AEGP_RenderOptionsSuite3* SuiteHandler::RenderOptionsSuiteV3() {
  static constexpr std::size_t slot = SlotOf("AEGP Render Options Suite", 3);
  static_assert(slot < KNOWN_SUITE_COUNT);
  return static_cast<const AEGP_RenderOptionsSuite3*>(Acquire(slot));
}

const AEGP_RenderSuite8* SuiteHandler::RenderSuiteV8() {
  static constexpr std::size_t slot = SlotOf("AEGP Render Suite", 8);
  static_assert(slot < KNOWN_SUITE_COUNT);
  return static_cast<const AEGP_RenderSuite8*>(Acquire(slot));
}

const AEGP_StreamSuite10* SuiteHandler::StreamSuiteV10() {
  static constexpr std::size_t slot = SlotOf("AEGP Stream Suite", 10);
  static_assert(slot < KNOWN_SUITE_COUNT);
  return static_cast<const AEGP_StreamSuite10*>(Acquire(slot));
}

const AEGP_StreamSuite11* SuiteHandler::StreamSuiteV11() {
  static constexpr std::size_t slot = SlotOf("AEGP Stream Suite", 11);
  static_assert(slot < KNOWN_SUITE_COUNT);
  return static_cast<const AEGP_StreamSuite11*>(Acquire(slot));
}

const AEGP_TextLayerSuite1* SuiteHandler::TextLayerSuiteV1() {
  static constexpr std::size_t slot = SlotOf("AEGP Text Layer Suite", 1);
  static_assert(slot < KNOWN_SUITE_COUNT);
  return static_cast<const AEGP_TextLayerSuite1*>(Acquire(slot));
}

const AEGP_UtilitySuite13* SuiteHandler::UtilitySuiteV13() {
  static constexpr std::size_t slot = SlotOf("AEGP Utility Suite", 13);
  static_assert(slot < KNOWN_SUITE_COUNT);
  return static_cast<const AEGP_UtilitySuite13*>(Acquire(slot));
}

const AEGP_WorldSuite3* SuiteHandler::WorldSuiteV3() {
  static constexpr std::size_t slot = SlotOf("AEGP World Suite", 3);
  static_assert(slot < KNOWN_SUITE_COUNT);
  return static_cast<const AEGP_WorldSuite3*>(Acquire(slot));
}

const PF_ANSICallbacksSuite1* SuiteHandler::ANSISuiteV1() {
  static constexpr std::size_t slot = SlotOf("PF ANSI Suite", 1);
  static_assert(slot < KNOWN_SUITE_COUNT);
  return static_cast<const PF_ANSICallbacksSuite1*>(Acquire(slot));
}

const PF_PathDataSuite1* SuiteHandler::PathDataSuiteV1() {
  static constexpr std::size_t slot = SlotOf("PF Path Data Suite", 1);
  static_assert(slot < KNOWN_SUITE_COUNT);
  return static_cast<const PF_PathDataSuite1*>(Acquire(slot));
}
