// A lower bound on the sheets of any guillotine plan: the linear relaxation
// of the cutting-stock model over every guillotine pattern of the sheet,
// solved by column generation with an exact pricing step (the unbounded
// guillotine knapsack by dynamic programming over the sheet's raster
// points). Stronger than the area bound where pieces do not combine well,
// and the figure against which a plan's sheets can be judged.
#pragma once

#include <cstdint>

#include "Chain.h"

namespace Optimise {

struct TBoundParams {
  // Rectangles of raster points at most, and dynamic-programming steps per
  // pricing: beyond them the bound is not worked out.
  std::int64_t MaxCells = 250000;
  std::int64_t MaxStepsPerPricing = 200000000;
  // Pricing rounds at most.
  std::int32_t MaxRounds = 2000;
};

struct TBound {
  bool Known = false;    // worked out (a single sheet kind, sizes within reach)
  bool Exact = false;    // the relaxation was solved to the end
  double Relaxation = 0; // sheets; a lower bound even when not Exact
  std::int64_t Sheets = 0;  // no plan cuts fewer: Relaxation rounded up
  std::int32_t Rounds = 0;
};

// The bound for Problem's counts (its stock limits are left aside, which
// keeps it a bound). Unknown for several sheet kinds or too many raster
// points.
TBound GuillotineBound(const TProblem& Problem, const TBoundParams& Params = {});

}  // namespace Optimise
