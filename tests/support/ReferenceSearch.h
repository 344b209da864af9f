// The layout search written the plain way, on the public placement
// operations (PieceFits, PlacePiece, IsGuillotine, CalcJobRate), for the
// tests and the fuzzer that compare the fast search with it. It keeps one
// working task and puts the pending counts back after each trial, which is
// what a whole copy of the task per trial would give.
#pragma once

#include <cstdint>

#include "CalcPlan.h"

namespace testdata {

// SearchLayout of Layout at Level for the pending counts of Work, without a
// progress link. Work's pending counts are the same again on return; Nodes
// counts the calls, the recursive ones included.
void ReferenceSearchLayout(TPlan& Work, TJob& Layout, std::int32_t Level, std::uint64_t& Nodes);

}  // namespace testdata
