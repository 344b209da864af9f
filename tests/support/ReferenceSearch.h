// The layout search written the plain way: a whole copy of the task and of
// the layout for every trial, the public placement operations, no shortcuts.
// Tests compare the fast search with it.
#pragma once

#include <cstdint>

#include "CalcPlan.h"

namespace testdata {

// SearchLayout without a progress link; Nodes counts the calls.
void ReferenceSearchLayout(const TPlan& Task, TJob& Layout, std::int32_t Level, std::uint64_t& Nodes);

}  // namespace testdata
