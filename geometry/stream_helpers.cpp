// Stream names, children and values through "AEGP Dynamic Stream Suite" 5,
// "AEGP Stream Suite" 10 and "AEGP Memory Suite" 1.
#include "geometry/stream_helpers.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "geometry/stream_ownership.h"
#include "host/suites/aegp_dynamic_stream_suite5.h"

A_Time FrameTime(const PF_InData* in_data) { return A_Time{in_data->current_time, in_data->time_scale}; }

bool IsStreamGroup(SuiteHandler& suites, AEGP_StreamRefH stream) {
  if (stream == nullptr) return false;
  AEGP_StreamGroupingType type = AEGP_StreamGroupingType_NONE;
  suites.DynamicStreamSuiteV5()->AEGP_GetStreamGroupingType(stream, &type);
  return type == AEGP_StreamGroupingType_NAMED_GROUP || type == AEGP_StreamGroupingType_INDEXED_GROUP;
}

bool ReadStreamMatchName(SuiteHandler& suites, AEGP_StreamRefH stream,
                         char (&name)[AEGP_MAX_STREAM_MATCH_NAME_SIZE]) {
  std::memset(name, 0, sizeof(name));
  if (stream == nullptr) return false;
  if (suites.DynamicStreamSuiteV5()->AEGP_GetMatchName(stream, name) != 0) {
    std::memset(name, 0, sizeof(name));
    return false;
  }
  name[AEGP_MAX_STREAM_MATCH_NAME_SIZE - 1] = '\0';
  return true;
}

bool ReadStreamDisplayName(SuiteHandler& suites, AEGP_StreamRefH stream, char (&name)[STREAM_NAME_BUFFER_SIZE]) {
  std::memset(name, 0, sizeof(name));
  if (stream == nullptr) return false;
  ScopedMemHandle text(suites);
  const AEGP_StreamSuite10* streams = suites.StreamSuiteV10();
  if (streams->AEGP_GetStreamName(0, stream, 1, text.out()) != 0 || text.get() == nullptr) return false;
  // Never read past the handle, whatever its terminator says.
  AEGP_MemSize bytes = 0;
  std::size_t max_units = STREAM_NAME_MAX_UNITS;
  if (text.suite()->AEGP_GetMemHandleSize(text.get(), &bytes) == 0) {
    max_units = std::min<std::size_t>(max_units, static_cast<std::size_t>(bytes / sizeof(A_UTF16Char)));
  }
  void* locked = nullptr;
  if (text.suite()->AEGP_LockMemHandle(text.get(), &locked) != 0 || locked == nullptr) return false;
  const auto* units = static_cast<const A_UTF16Char*>(locked);
  for (std::size_t i = 0; i < max_units && units[i] != 0; ++i) name[i] = static_cast<char>(units[i] & 0xFF);
  text.suite()->AEGP_UnlockMemHandle(text.get());
  return true;
}

bool MatchNameEquals(SuiteHandler& suites, AEGP_StreamRefH stream, const char* match_name) {
  char name[AEGP_MAX_STREAM_MATCH_NAME_SIZE];
  return ReadStreamMatchName(suites, stream, name) && std::strcmp(name, match_name) == 0;
}

bool StreamNameContains(SuiteHandler& suites, AEGP_StreamRefH stream, const char* text) {
  char name[STREAM_NAME_BUFFER_SIZE];
  return ReadStreamDisplayName(suites, stream, name) && std::strstr(name, text) != nullptr;
}

bool StreamNameEquals(SuiteHandler& suites, AEGP_StreamRefH stream, const char* text) {
  char name[STREAM_NAME_BUFFER_SIZE];
  return ReadStreamDisplayName(suites, stream, name) && std::strcmp(name, text) == 0;
}

int StreamChildCount(SuiteHandler& suites, AEGP_StreamRefH group) {
  if (group == nullptr) return 0;
  A_long count = 0;
  if (suites.DynamicStreamSuiteV5()->AEGP_GetNumStreamsInGroup(group, &count) != 0 || count < 0) return 0;
  return static_cast<int>(count);
}

bool TakeStreamChild(SuiteHandler& suites, AEGP_StreamRefH group, int index, ScopedStreamRef& child) {
  AEGP_StreamRefH* out = child.out();
  if (suites.DynamicStreamSuiteV5()->AEGP_GetNewStreamRefByIndex(0, group, index, out) != 0) {
    // A reference handed back together with an error is still ours.
    child.Reset();
    return false;
  }
  return static_cast<bool>(child);
}

bool ReadStreamNumber(SuiteHandler& suites, AEGP_StreamRefH stream, AEGP_LTimeMode mode, const A_Time& time,
                      double* value) {
  ScopedStreamValue v(suites);
  if (!v.Read(stream, mode, time)) return false;
  const double d = v.value().val.one_d;
  if (!std::isfinite(d)) return false;
  *value = d;
  return true;
}

bool ReadStreamPair(SuiteHandler& suites, AEGP_StreamRefH stream, AEGP_LTimeMode mode, const A_Time& time,
                    double* x, double* y) {
  ScopedStreamValue v(suites);
  if (!v.Read(stream, mode, time)) return false;
  const double vx = v.value().val.two_d.x;
  const double vy = v.value().val.two_d.y;
  if (!std::isfinite(vx) || !std::isfinite(vy)) return false;
  *x = vx;
  *y = vy;
  return true;
}

bool FindChildNamed(SuiteHandler& suites, AEGP_StreamRefH group, const char* name, ScopedStreamRef& found) {
  const int count = StreamChildCount(suites, group);
  for (int i = 0; i < count; ++i) {
    if (!TakeStreamChild(suites, group, i, found)) continue;
    if (StreamNameEquals(suites, found.get(), name)) return true;
  }
  found.Reset();
  return false;
}

bool FindChildNameContaining(SuiteHandler& suites, AEGP_StreamRefH group, const char* text, ScopedStreamRef& found) {
  const int count = StreamChildCount(suites, group);
  for (int i = 0; i < count; ++i) {
    if (!TakeStreamChild(suites, group, i, found)) continue;
    if (StreamNameContains(suites, found.get(), text)) return true;
  }
  found.Reset();
  return false;
}

bool ReadStreamScalar(SuiteHandler& suites, AEGP_StreamRefH group, const PF_InData* in_data, const char* name,
                      double* value) {
  ScopedStreamRef child(suites);
  if (!FindChildNamed(suites, group, name, child)) return false;
  return ReadStreamNumber(suites, child.get(), AEGP_LTimeMode_LayerTime, FrameTime(in_data), value);
}

bool ReadStreamPoint(SuiteHandler& suites, AEGP_StreamRefH group, const PF_InData* in_data, const char* name,
                     double* x, double* y) {
  ScopedStreamRef child(suites);
  if (!FindChildNamed(suites, group, name, child)) return false;
  return ReadStreamPair(suites, child.get(), AEGP_LTimeMode_LayerTime, FrameTime(in_data), x, y);
}
