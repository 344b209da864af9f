// The layout search as its rules state it, built on the public placement
// operations (PieceFits, PlacePiece, IsGuillotine, CalcJobRate), for the
// fuzzer that compares the fast search with it. Unlike the tests' reference
// it keeps one working task and puts the pending counts back after each
// trial instead of copying the whole task, so that it is quick enough to run
// on every input.
#pragma once

#include <cstdint>

#include "CalcPlan.h"

namespace fuzz {

// SearchLayout of Layout at Level for the pending counts of Work, without a
// progress link. Work's pending counts are the same again on return; Nodes
// counts the calls, the recursive ones included.
void PlainSearchLayout(TPlan& Work, TJob& Layout, std::int32_t Level, std::uint64_t& Nodes);

}  // namespace fuzz
