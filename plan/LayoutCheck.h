// Checks of what the calculation promises, shared by tests, benchmarks and
// the fuzzers. Each returns an empty text when all holds, else the first
// fault found, in words.
#pragma once

#include <string>

#include "PlanRecord.h"

// Job is a valid layout of Task: its sheet and pieces exist, every
// footprint lies inside the sheet, no two footprints are closer than the
// knife width along both axes, the lists are within their limits, no piece
// that keeps its direction is turned, and with Task.RigidFlag set the
// pieces can be cut apart by through cuts.
std::string CheckLayout(const TPlan& Task, const TJob& Job);

// For every piece: Quantity - Pending equals the sum over the jobs of Count
// times the copies of the piece in the job.
std::string CheckPendingCounts(const TPlan& Task);

// CheckLayout for every job (each with Count >= 1), no sheet size cut more
// often than its stock allows, then CheckPendingCounts.
std::string CheckPlan(const TPlan& Task);
