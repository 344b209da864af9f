// Recombination of the patterns the chains found: a cover of the pending
// counts by sheets, each cut with a pattern of the pool, at the least sheet
// area. The pool first grows by column generation (the linear relaxation's
// prices of the pieces are the values the pattern generator fills a sheet
// with), then the relaxation is rounded and what it leaves is completed by
// a short chain of its own, and last an integer program over the pool
// chooses how often each pattern is cut, started from the best plan so
// far. Copies beyond the pending counts are taken off the layouts again,
// which leaves every through cut and every spacing intact.
#pragma once

#include <cstdint>
#include <functional>

#include "Chain.h"

namespace Optimise {

struct TRecombineParams {
  // Generator steps for new patterns (pricing and the completions of the
  // rounded relaxation); 0: none.
  std::int64_t Budget = 0;
  // Branch-and-bound nodes of the integer program.
  std::int64_t Nodes = 0;
  // Generator settings of the pricing step.
  TGenParams Gen;
};

struct TRecombineStats {
  std::int64_t Work = 0;          // generator steps spent
  std::int64_t Nodes = 0;         // branch-and-bound nodes
  std::int32_t Rounds = 0;        // linear programs solved while pricing
  std::int32_t Added = 0;         // patterns the pricing added
  double LowerBound = 0;          // the relaxation's sheet area (last round)
  bool Optimal = false;           // the integer program was solved to the end
};

// Covers Problem's counts with patterns of Pool (which may grow), starting
// from Start, a complete plan whose patterns are all in Pool (a solution to
// improve on). Out is Complete only when it beats Start; it then produces
// every count exactly and honours the stock. Tick is called between steps
// with the generator work so far; false stops at once (Out is then not
// Complete).
void Recombine(const TProblem& Problem, TPatternPool& Pool, const TSolution& Start, const TRecombineParams& Params,
               const std::function<bool(std::int64_t)>& Tick, TSolution& Out, TRecombineStats* Stats = nullptr);

// A plan cutting Pool's pattern p Repeats[p] times, with copies beyond
// Problem's counts taken off the layouts (a repeated layout is split when
// only some of its repeats lose a copy). Complete false when the repeats
// do not cover the counts or more than MaxJobs jobs would result.
TSolution PlanFromRepeats(const TProblem& Problem, const TPatternPool& Pool, const std::vector<std::int64_t>& Repeats);

}  // namespace Optimise
