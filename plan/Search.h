// The layout search: depth-limited enumeration of placements with a greedy
// completion below the depth and an early stop at the expected utilisation.
#pragma once

#include <cstdint>
#include <string>

#include "PlanRecord.h"
#include "ProgressLink.h"

// Counters a benchmark or a test may want from a calculation.
struct TSearchStats {
  std::uint64_t Nodes = 0;  // SearchLayout calls, the recursive ones included
};

class TSearchTeam;

// Finds the best completion of Layout (a partial layout on sheet SheetNo)
// for the pending pieces of Task, which is only read. On return Layout holds
// it with its Rate computed. Level is the depth of this node (1 for the
// first call) and Path its name for the progress display. When the link
// asks to stop, Layout is returned unchanged; a running search hands back
// the best layout it had found.
//
// With a Team of more than one thread the trials of this node are spread
// over its threads; the layout and the node count are the same as with one.
// The link is called from the calling thread only.
void SearchLayout(const TPlan& Task, TJob& Layout, std::int32_t Level, const std::string& Path,
                  IProgressLink& Link, TSearchStats* Stats = nullptr, TSearchTeam* Team = nullptr);

// The vector instructions the search may use: the widest the processor has
// (AVX2 where it has them), or SSE2 only. The answers are the same; the
// setting is for the tests that show it.
enum class TVectorWidth { Widest, Sse2 };
void LimitSearchVectors(TVectorWidth Width);

