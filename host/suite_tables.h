// The function tables of the host suites the plug-in acquires, one type per
// suite name and version. Each table is defined in its own header under
// host/suites/; this list lets code pass the pointers around without them.
#pragma once

extern "C" {
struct AEGP_CompSuite25;
struct AEGP_CompSuite26;
struct AEGP_DynamicStreamSuite5;
struct AEGP_EffectSuite4;
struct AEGP_FootageSuite11;
struct PF_HandleSuite2;
struct AEGP_ItemSuite14;
struct AEGP_LayerSuite11;
struct AEGP_LayerSuite13;
struct AEGP_LayerSuite15;
struct AEGP_LayerMaskSuite7;
struct AEGP_LayerRenderOptionsSuite2;
struct AEGP_MaskOutlineSuite5;
struct AEGP_MemorySuite1;
struct AEGP_PFInterfaceSuite1;
struct AEGP_RegisterSuite6;
struct AEGP_RenderOptionsSuite3;
struct AEGP_RenderSuite8;
struct AEGP_StreamSuite10;
struct AEGP_StreamSuite11;
struct AEGP_TextLayerSuite1;
struct AEGP_UtilitySuite13;
struct AEGP_WorldSuite3;
struct PF_ANSICallbacksSuite1;
struct PF_CacheOnLoadSuite1;
struct PF_PathDataSuite1;
}  // extern "C"
