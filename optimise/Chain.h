// One search chain of the optimiser: sequential value correction. Each
// round builds a whole plan sheet by sheet, every sheet filled by the
// pattern generator with the pieces' current values and cut as often as
// the pending counts allow; then pieces that ended on poorly used sheets
// are valued higher, so that the next round places them earlier.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "Optimise.h"
#include "Pattern.h"

namespace Optimise {

// The task as the chains see it: items and sheet kinds with their grown
// sizes, the pending count of each item and the sheets left of each kind.
struct TProblem {
  std::vector<TItem> Items;
  std::vector<TSheetKind> Kinds;
  std::vector<std::int32_t> Counts;
  std::vector<std::int64_t> Stock;  // INT64_MAX: no limit
};

struct TDraftJob {
  TPattern Pattern;
  std::int32_t Count = 0;
};

struct TSolution {
  std::vector<TDraftJob> Jobs;
  TPlanCost Cost;
  bool Complete = false;  // a whole round ended (it may leave pieces pending)
};

struct TChainParams {
  TGenParams Gen;
  std::uint64_t Seed = 1;
  double Noise = 0.1;      // values shaken by up to this fraction each round
  double Smoothing = 0.5;  // weight of the last round in the value correction
  std::int64_t Budget = 0; // work units of the generator
};

struct TChainHooks {
  // Called after every pattern with the chain's work so far; false stops
  // the chain at once.
  std::function<bool(std::int64_t)> Tick;
  // Called whenever the chain's best plan improves.
  std::function<void(const TSolution&)> Improved;
};

// Runs rounds until Params.Budget work is done or Tick returns false. Best
// holds the best complete round (Complete false when none ended). Returns
// the work done.
std::int64_t RunChain(const TProblem& Problem, const TChainParams& Params, const TChainHooks& Hooks,
                      TSolution& Best);

// Builds one plan with the given values; false when Tick asked to stop
// before it was complete.
bool BuildPlan(const TProblem& Problem, const std::vector<double>& Values, const TGenParams& Gen,
               TGenerator& Generator, const std::function<bool(std::int64_t)>& Tick, TSolution& Out);

}  // namespace Optimise
