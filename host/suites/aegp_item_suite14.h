// "AEGP Item Suite" version 14: project items (compositions, footage,
// solids, folders): their type, id, name, flags, duration and size. Sizes
// are in the item's own pixels.
#pragma once
#include "host/aegp_types.h"

extern "C" {

struct AEGP_ItemSuite14 {
  void* AEGP_GetFirstProjItem;                                                          // 0
  void* AEGP_GetNextProjItem;                                                           // 1
  A_Err (*AEGP_GetActiveItem)(AEGP_ItemH* itemPH);                                      // 2
  A_Err (*AEGP_IsItemSelected)(AEGP_ItemH itemH, A_Boolean* selectedPB);                // 3
  A_Err (*AEGP_SelectItem)(AEGP_ItemH itemH, A_Boolean selectB, A_Boolean deselect_othersB);  // 4
  A_Err (*AEGP_GetItemType)(AEGP_ItemH itemH, AEGP_ItemType* item_typeP);               // 5
  A_Err (*AEGP_GetTypeName)(AEGP_ItemType item_type, A_char* nameZ);                    // 6
  A_Err (*AEGP_GetItemName)(AEGP_PluginID pluginID, AEGP_ItemH itemH, AEGP_MemHandle* unicode_namePH);  // 7
  A_Err (*AEGP_SetItemName)(AEGP_ItemH itemH, const A_UTF16Char* nameZ);                // 8
  A_Err (*AEGP_GetItemID)(AEGP_ItemH itemH, A_long* item_idPL);                         // 9
  A_Err (*AEGP_GetItemFlags)(AEGP_ItemH itemH, AEGP_ItemFlags* item_flagsP);            // 10
  A_Err (*AEGP_SetItemUseProxy)(AEGP_ItemH itemH, A_Boolean use_proxyB);                // 11
  A_Err (*AEGP_GetItemParentFolder)(AEGP_ItemH itemH, AEGP_ItemH* parent_itemPH);       // 12
  A_Err (*AEGP_SetItemParentFolder)(AEGP_ItemH itemH, AEGP_ItemH parent_folderH);       // 13
  A_Err (*AEGP_GetItemDuration)(AEGP_ItemH itemH, A_Time* durationPT);                  // 14
  A_Err (*AEGP_GetItemCurrentTime)(AEGP_ItemH itemH, A_Time* curr_timePT);              // 15
  A_Err (*AEGP_GetItemDimensions)(AEGP_ItemH itemH, A_long* widthPL, A_long* heightPL); // 16
  void* AEGP_GetItemPixelAspectRatio;                                                   // 17
  A_Err (*AEGP_DeleteItem)(AEGP_ItemH itemH);                                           // 18
};

}  // extern "C"
