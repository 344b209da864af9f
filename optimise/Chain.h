// One search chain of the optimiser: sequential value correction. Each
// round builds a whole plan sheet by sheet, every sheet filled by the
// pattern generator with the pieces' current values and cut as often as
// the pending counts allow; then pieces that ended on poorly used sheets
// are valued higher, so that the next round places them earlier.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
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
  // No plan of these counts cuts fewer sheets (0: not known); a search may
  // end once it has a complete plan of this many.
  std::int64_t LeastSheets = 0;
};

// The pending pieces and the sheets left of Task as the chains see them;
// pieces that fit no sheet, and sizes of 0 or less, are left out (they stay
// pending), and so are sheets of which none is left.
TProblem MakeProblem(const TPlan& Task);

// The area bound of Problem when it has a single sheet kind: the pieces,
// grown by the knife width, cannot cover more than the sheets' grown area.
// 0 for several kinds or sizes beyond exact arithmetic.
std::int64_t AreaBound(const TProblem& Problem);

struct TDraftJob {
  TPattern Pattern;
  std::int32_t Count = 0;
};

struct TSolution {
  std::vector<TDraftJob> Jobs;
  TPlanCost Cost;
  bool Complete = false;  // a whole round ended (it may leave pieces pending)
};

// Every distinct pattern the searches produced. Patterns of one sheet kind
// with the same piece counts are one entry (the first layout is kept):
// recombining them only needs the counts.
class TPatternPool {
 public:
  // Beyond this many entries new patterns are dropped, which bounds the
  // memory and the work of recombining them.
  static constexpr std::size_t MaxPatterns = 5000;

  // Adds P unless an entry of its kind and counts is there or the pool is
  // full; returns the entry's index, or -1 when P was dropped or is empty.
  std::int32_t Add(const TPattern& P);
  // Index of the entry of P's kind and counts, -1 when there is none.
  std::int32_t Find(const TPattern& P) const;
  // Adds the entries of Other after its own, in Other's order.
  void Merge(const TPatternPool& Other);

  std::vector<TPattern> Patterns;
  // Per entry: (item, copies) pairs, items ascending.
  std::vector<std::vector<std::pair<std::int32_t, std::int32_t>>> Copies;

 private:
  static std::vector<std::int32_t> Key(const TPattern& P);
  std::map<std::vector<std::int32_t>, std::int32_t> Index_;
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

// Runs rounds until Params.Budget work is done, Tick returns false or a
// complete plan cuts no more than Problem.LeastSheets sheets. Best
// holds the best complete round (Complete false when none ended). Every
// pattern a round cuts goes into Pool when it is given. Returns the work
// done.
std::int64_t RunChain(const TProblem& Problem, const TChainParams& Params, const TChainHooks& Hooks,
                      TSolution& Best, TPatternPool* Pool = nullptr);

// Builds one plan with the given values, from Counts (the problem's own
// when null); false when Tick asked to stop before it was complete. Every
// pattern it cuts goes into Pool when it is given.
bool BuildPlan(const TProblem& Problem, const std::vector<double>& Values, const TGenParams& Gen,
               TGenerator& Generator, const std::function<bool(std::int64_t)>& Tick, TSolution& Out,
               TPatternPool* Pool = nullptr, const std::vector<std::int32_t>* Counts = nullptr,
               const std::vector<std::int64_t>* Stock = nullptr);

}  // namespace Optimise
