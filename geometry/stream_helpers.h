// Small readers of the host's property streams shared by the shape-contents
// and mask readers: group tests, match names and display names, direct
// children by index, and one- and two-dimensional values. Values are the
// host's own (layer pixels, degrees, percent), read with expressions
// applied. A value that is not a finite number counts as unreadable, so the
// caller's preset stands.
#pragma once
#include "host/aegp_stream_types.h"
#include "host/pf_in_data.h"
#include "shell/suite_handler.h"

class ScopedStreamRef;

// Display names are narrowed into buffers of this size (at most 254 code
// units kept); match names fit the host's 40-byte buffer.
constexpr int STREAM_NAME_BUFFER_SIZE = 256;
constexpr int STREAM_NAME_MAX_UNITS = 254;

// The frame's time as the host measures it: current_time over time_scale.
A_Time FrameTime(const PF_InData* in_data);

bool IsStreamGroup(SuiteHandler& suites, AEGP_StreamRefH stream);
bool MatchNameEquals(SuiteHandler& suites, AEGP_StreamRefH stream, const char* match_name);
bool StreamNameContains(SuiteHandler& suites, AEGP_StreamRefH stream, const char* text);
bool StreamNameEquals(SuiteHandler& suites, AEGP_StreamRefH stream, const char* text);

// The English display name, low byte of each UTF-16 unit, zero-terminated;
// false (and an empty text) when the name cannot be had or locked.
bool ReadStreamDisplayName(SuiteHandler& suites, AEGP_StreamRefH stream, char (&name)[STREAM_NAME_BUFFER_SIZE]);
bool ReadStreamMatchName(SuiteHandler& suites, AEGP_StreamRefH stream,
                         char (&name)[AEGP_MAX_STREAM_MATCH_NAME_SIZE]);

// Children of a group: the count (0 when the host gives none) and child
// `index` (false, holding nothing, when it cannot be had or is null).
int StreamChildCount(SuiteHandler& suites, AEGP_StreamRefH group);
bool TakeStreamChild(SuiteHandler& suites, AEGP_StreamRefH group, int index, ScopedStreamRef& child);

// The first direct child of `group` whose display name equals `name`, or
// contains `text`; false, holding nothing, when there is none.
bool FindChildNamed(SuiteHandler& suites, AEGP_StreamRefH group, const char* name, ScopedStreamRef& found);
bool FindChildNameContaining(SuiteHandler& suites, AEGP_StreamRefH group, const char* text, ScopedStreamRef& found);

// The value of a leaf at a time; false, outputs untouched, when it cannot
// be read or is not finite.
bool ReadStreamNumber(SuiteHandler& suites, AEGP_StreamRefH stream, AEGP_LTimeMode mode, const A_Time& time,
                      double* value);
bool ReadStreamPair(SuiteHandler& suites, AEGP_StreamRefH stream, AEGP_LTimeMode mode, const A_Time& time,
                    double* x, double* y);

// The first direct child of `group` whose display name equals `name`, read
// in layer time at the frame's time. False, outputs untouched, when no child
// matches or its value cannot be read.
bool ReadStreamScalar(SuiteHandler& suites, AEGP_StreamRefH group, const PF_InData* in_data, const char* name,
                      double* value);
bool ReadStreamPoint(SuiteHandler& suites, AEGP_StreamRefH group, const PF_InData* in_data, const char* name,
                     double* x, double* y);
