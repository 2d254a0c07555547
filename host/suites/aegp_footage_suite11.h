// "AEGP Footage Suite" version 11, as far as the pre-render uses it: the
// main footage of an item and its signature (a four-character code, 'Soli'
// for a solid).
#pragma once
#include "host/aegp_types.h"

extern "C" {

using AEGP_FootageSignature = A_u_long;
constexpr AEGP_FootageSignature AEGP_FootageSignature_NONE = 0x4E4F4E45;     // 'NONE'
constexpr AEGP_FootageSignature AEGP_FootageSignature_MISSING = 0x4D495353;  // 'MISS'
constexpr AEGP_FootageSignature AEGP_FootageSignature_SOLID = 0x536F6C69;    // 'Soli'

struct AEGP_FootageSuite11 {
  A_Err (*AEGP_GetMainFootageFromItem)(AEGP_ItemH item, AEGP_FootageH* footage);
  A_Err (*AEGP_GetProxyFootageFromItem)(AEGP_ItemH item, AEGP_FootageH* proxy_footage);
  A_Err (*AEGP_GetFootageNumFiles)(AEGP_FootageH footage, A_long* num_main_files, A_long* files_per_frame);
  A_Err (*AEGP_GetFootagePath)(AEGP_FootageH footage, A_long frame_num, A_long file_index, AEGP_MemHandle* path);
  A_Err (*AEGP_GetFootageSignature)(AEGP_FootageH footage, AEGP_FootageSignature* signature);
};

}  // extern "C"
