// Per-call cache of host suites. Every command handler, callback and idle
// call builds one on its own stack; each accessor acquires its suite on first
// use and hands out the same pointer afterwards, and the destructor gives back
// every suite it acquired, under the name and version it was acquired with.
#pragma once
#include <cstddef>

#include "host/pf_basic_types.h"
#include "host/sp_basic_suite.h"
#include "host/suite_tables.h"

// Throws the int PF_Err_BAD_CALLBACK_PARAM (516); a missing suite ends the
// current operation with that error.
[[noreturn]] void MissingSuiteError();

struct KnownSuite {
  const char* name;
  A_long version;
};

// Every (name, version) the handler knows, in the order it releases them.
constexpr std::size_t KNOWN_SUITE_COUNT = 144;
extern const KnownSuite KNOWN_SUITES[KNOWN_SUITE_COUNT];

class SuiteHandler {
 public:
  explicit SuiteHandler(const SPBasicSuite* basic);
  ~SuiteHandler();  // ReleaseAllSuites
  SuiteHandler(const SuiteHandler&) = delete;
  SuiteHandler& operator=(const SuiteHandler&) = delete;

  const AEGP_CompSuite25* CompSuiteV25();
  const AEGP_CompSuite26* CompSuiteV26();
  const AEGP_DynamicStreamSuite5* DynamicStreamSuiteV5();
  const AEGP_EffectSuite4* EffectSuiteV4();
  const AEGP_FootageSuite11* FootageSuiteV11();
  const PF_HandleSuite2* HandleSuiteV2();
  const AEGP_ItemSuite14* ItemSuiteV14();
  const AEGP_LayerSuite11* LayerSuiteV11();
  const AEGP_LayerSuite13* LayerSuiteV13();
  const AEGP_LayerSuite15* LayerSuiteV15();
  const AEGP_LayerMaskSuite7* LayerMaskSuiteV7();
  const AEGP_LayerRenderOptionsSuite2* LayerRenderOptionsSuiteV2();
  const AEGP_MaskOutlineSuite5* MaskOutlineSuiteV5();
  const AEGP_MemorySuite1* MemorySuiteV1();
  const AEGP_PFInterfaceSuite1* PFInterfaceSuiteV1();
  const AEGP_RegisterSuite6* RegisterSuiteV6();
  const AEGP_RenderOptionsSuite3* RenderOptionsSuiteV3();
  const AEGP_RenderSuite8* RenderSuiteV8();
  const AEGP_StreamSuite10* StreamSuiteV10();
  const AEGP_StreamSuite11* StreamSuiteV11();
  const AEGP_TextLayerSuite1* TextLayerSuiteV1();
  const AEGP_UtilitySuite13* UtilitySuiteV13();
  const AEGP_WorldSuite3* WorldSuiteV3();
  const PF_ANSICallbacksSuite1* ANSISuiteV1();
  const PF_PathDataSuite1* PathDataSuiteV1();

 private:
  const void* Acquire(std::size_t slot);
  void ReleaseAllSuites() noexcept;

  const SPBasicSuite* basic_;
  const void* cached_[KNOWN_SUITE_COUNT];
};
