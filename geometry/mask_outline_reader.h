// Flattening of host outlines (a layer mask, or a shape path) into
// polylines of 32-bit float (x, y) points in layer pixels, x first. Every
// cubic segment is sampled with the same count n, chosen from the segment
// count so that the outline fits a slot's 512 points (MAX_SLOT_POINTS);
// each segment's end point is the next one's start and is not repeated.
#pragma once
#include <cstdint>

#include "host/aegp_types.h"
#include "host/pf_in_data.h"
#include "shell/suite_handler.h"

// The outline of one mask, at the frame's time, written from pair 0 of the
// caller's 512 pairs: the number of points (3 or more), or 0. Open masks
// are flattened as if closed. The mask reference stays the caller's.
int ReadMaskOutline(SuiteHandler& suites, const PF_InData* in_data, AEGP_MaskRefH mask, float* points);

// The value of one shape path stream ("ADBE Vector Shape") appended at
// pair `start` of the caller's 512 pairs as one sub-path: the number of
// points written from `start` (3 or more), or 0 for an open path, a path of
// fewer than two segments, no room, or any failure. The stream stays the
// caller's.
int FlattenPathOutline(SuiteHandler& suites, AEGP_StreamRefH path, const PF_InData* in_data, float* points,
                       std::uint32_t start);
