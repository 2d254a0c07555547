// The records of every command: what the host hands in (PF_InData) and what
// the plug-in hands back (PF_OutData), with the host's callback tables.
#pragma once
#include "host/pf_basic_types.h"
#include "host/pf_effect_world.h"
#include "host/pf_param_def.h"
#include "host/sp_basic_suite.h"

extern "C" {

// Callbacks for parameters and layers. Entries the plug-in never calls are
// kept as typed-less slots so the positions of the others stay put.
struct PF_InteractCallbacks {
  PF_Err (*checkout_param)(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long what_time,
                           A_long time_step, A_u_long time_scale, PF_ParamDef* param);
  PF_Err (*checkin_param)(PF_ProgPtr effect_ref, PF_ParamDef* param);
  PF_Err (*add_param)(PF_ProgPtr effect_ref, PF_ParamIndex index, PF_ParamDef* def);
  PF_Err (*abort)(PF_ProgPtr effect_ref);
  PF_Err (*progress)(PF_ProgPtr effect_ref, A_long current, A_long total);
  PF_Err (*register_ui)(PF_ProgPtr effect_ref, void* cust_info);
  PF_Err (*checkout_layer_audio)(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long start_time,
                                 A_long duration, A_u_long time_scale, void* rate, A_long bytes_per_sample,
                                 A_long num_channels, A_long fmt_signed, void** audio);
  PF_Err (*checkin_layer_audio)(PF_ProgPtr effect_ref, void* audio);
  PF_Err (*get_audio_data)(PF_ProgPtr effect_ref, void* audio, void** data0, A_long* num_samples0,
                           void* rate0, A_long* bytes_per_sample0, A_long* num_channels0,
                           A_long* fmt_signed0);
  void* reserved_str[3];
  void* reserved[10];
};

// Utility callbacks. Only the handle functions are used by the plug-in; the
// slots before them keep their positions.
struct PF_UtilCallbacks {
  void* begin_sampling;
  void* subpixel_sample;
  void* area_sample;
  void* get_batch_func_is_deprecated;
  void* end_sampling;
  void* composite_rect;
  void* blend;
  void* convolve;
  void* copy;
  void* fill;
  void* gaussian_kernel;
  void* iterate;
  void* premultiply;
  void* premultiply_color;
  void* new_world;
  void* dispose_world;
  void* iterate_origin;
  void* iterate_lut;
  void* transfer_rect;
  void* transform_world;
  PF_Handle (*host_new_handle)(A_u_longlong size);
  void* (*host_lock_handle)(PF_Handle h);
  void (*host_unlock_handle)(PF_Handle h);
  void (*host_dispose_handle)(PF_Handle h);
  void* get_callback_addr;
  void* app;
  void* ansi;
  void* colorCB;
  void* get_platform_data;
  A_u_longlong (*host_get_handle_size)(PF_Handle h);
  void* reserved[8];
};

struct PF_InData {
  PF_InteractCallbacks inter;
  PF_UtilCallbacks* utils;
  PF_ProgPtr effect_ref;
  PF_Quality quality;
  PF_SpecVersion version;
  A_long serial_num;
  A_long appl_id;
  A_long num_params;
  A_long reserved;
  A_long what_cpu;
  A_long what_fpu;
  A_long current_time;
  A_long time_step;
  A_long total_time;
  A_long local_time_step;
  A_u_long time_scale;
  PF_Field field;
  PF_Fixed shutter_angle;
  A_long width;
  A_long height;
  PF_Rect extent_hint;
  A_long output_origin_x;
  A_long output_origin_y;
  PF_RationalScale downsample_x;
  PF_RationalScale downsample_y;
  PF_RationalScale pixel_aspect_ratio;
  PF_InFlags in_flags;
  PF_Handle global_data;
  PF_Handle sequence_data;
  PF_Handle frame_data;
  A_long start_sampL;
  A_long dur_sampL;
  A_long total_sampL;
  void* src_snd[4];
  SPBasicSuite* pica_basicP;
  A_long pre_effect_source_origin_x;
  A_long pre_effect_source_origin_y;
  PF_Fixed shutter_phase;
};

struct PF_OutData {
  A_u_long my_version;
  A_char name[32];
  PF_Handle global_data;
  A_long num_params;
  PF_Handle sequence_data;
  A_long flat_sdata_size;
  PF_Handle frame_data;
  A_long width;
  A_long height;
  PF_Point origin;
  PF_OutFlags out_flags;
  A_char return_msg[256];
  A_long start_sampL;
  A_long dur_sampL;
  void* dest_snd[4];
  PF_OutFlags2 out_flags2;
};

}  // extern "C"
