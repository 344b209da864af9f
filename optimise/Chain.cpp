#include "Chain.h"

#include <algorithm>
#include <limits>

namespace Optimise {

namespace {

// SplitMix64: small, fast and the same on every machine.
class TRandom {
 public:
  explicit TRandom(std::uint64_t Seed) : State_(Seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (State_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [0, 1), from the top 53 bits.
  double Unit() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }

 private:
  std::uint64_t State_;
};

}  // namespace

std::vector<std::int32_t> TPatternPool::Key(const TPattern& P) {
  std::vector<std::int32_t> Items;
  Items.reserve(P.Places.size());
  for (const TPlace& Pl : P.Places) Items.push_back(Pl.Item);
  std::sort(Items.begin(), Items.end());
  std::vector<std::int32_t> K{P.Kind};
  for (std::size_t k = 0; k < Items.size();) {
    std::size_t e = k;
    while (e < Items.size() && Items[e] == Items[k]) ++e;
    K.push_back(Items[k]);
    K.push_back(static_cast<std::int32_t>(e - k));
    k = e;
  }
  return K;
}

std::int32_t TPatternPool::Find(const TPattern& P) const {
  const auto It = Index_.find(Key(P));
  return It == Index_.end() ? -1 : It->second;
}

std::int32_t TPatternPool::Add(const TPattern& P) {
  if (P.Kind < 0 || P.Places.empty()) return -1;
  std::vector<std::int32_t> K = Key(P);
  const auto It = Index_.find(K);
  if (It != Index_.end()) return It->second;
  if (Patterns.size() >= MaxPatterns) return -1;
  const auto Index = static_cast<std::int32_t>(Patterns.size());
  std::vector<std::pair<std::int32_t, std::int32_t>> C;
  for (std::size_t k = 1; k + 1 < K.size(); k += 2) C.push_back({K[k], K[k + 1]});
  Index_.emplace(std::move(K), Index);
  Patterns.push_back(P);
  Copies.push_back(std::move(C));
  return Index;
}

void TPatternPool::Merge(const TPatternPool& Other) {
  for (const TPattern& P : Other.Patterns) Add(P);
}

bool BuildPlan(const TProblem& Problem, const std::vector<double>& Values, const TGenParams& Gen,
               TGenerator& Generator, const std::function<bool(std::int64_t)>& Tick, TSolution& Out,
               TPatternPool* Pool, const std::vector<std::int32_t>* From, const std::vector<std::int64_t>* FromStock) {
  Out = TSolution{};
  std::vector<std::int32_t> Counts = From ? *From : Problem.Counts;
  std::vector<std::int64_t> Stock = FromStock ? *FromStock : Problem.Stock;
  std::vector<std::int32_t> Copies(Problem.Items.size());
  TPattern Trial, Best;
  for (;;) {
    Best = TPattern{};
    double BestScore = 0;
    for (std::size_t k = 0; k < Problem.Kinds.size(); ++k) {
      if (Stock[k] <= 0) continue;
      Generator.Generate(Problem.Kinds[k], static_cast<std::int32_t>(k), Counts, Values, Gen, Trial);
      if (!Tick(Generator.Work)) return false;
      if (Trial.Kind < 0) continue;
      const double Score = Trial.Value / Problem.Kinds[k].Area;
      if (Best.Kind < 0 || Score > BestScore) {
        BestScore = Score;
        std::swap(Best, Trial);
      }
    }
    if (Best.Kind < 0) break;
    if (Out.Jobs.size() == static_cast<std::size_t>(MaxJobs)) break;  // the rest stays pending
    std::fill(Copies.begin(), Copies.end(), 0);
    for (const TPlace& P : Best.Places) ++Copies[static_cast<std::size_t>(P.Item)];
    std::int64_t Repeat = Stock[static_cast<std::size_t>(Best.Kind)];
    for (std::size_t i = 0; i < Copies.size(); ++i)
      if (Copies[i] > 0) Repeat = std::min<std::int64_t>(Repeat, Counts[i] / Copies[i]);
    if (Repeat < 1) break;  // cannot happen: the pattern took no more than was left
    const std::int32_t r = static_cast<std::int32_t>(Repeat);
    for (std::size_t i = 0; i < Copies.size(); ++i) Counts[i] -= r * Copies[i];
    Stock[static_cast<std::size_t>(Best.Kind)] -= r;
    const TSheetKind& Sheet = Problem.Kinds[static_cast<std::size_t>(Best.Kind)];
    Out.Cost.SheetArea += r * Sheet.Area;
    Out.Cost.Sheets += r;
    if (Pool) Pool->Add(Best);
    Out.Jobs.push_back({std::move(Best), r});
  }
  for (std::int32_t c : Counts) Out.Cost.PendingPieces += c;
  Out.Cost.Jobs = static_cast<std::int32_t>(Out.Jobs.size());
  Out.Complete = true;
  return true;
}

std::int64_t AreaBound(const TProblem& Problem) {
  if (Problem.Kinds.size() != 1) return 0;
  const TSheetKind& Sheet = Problem.Kinds.front();
  constexpr TWide Exact = TWide(1) << 31;  // sizes whose products and sums stay exact
  if (Sheet.L <= 0 || Sheet.W <= 0 || Sheet.L >= Exact || Sheet.W >= Exact) return 0;
  TWide Covered = 0;
  for (std::size_t i = 0; i < Problem.Items.size(); ++i) {
    const TItem& It = Problem.Items[i];
    if (It.A <= 0 || It.B <= 0 || It.A >= Exact || It.B >= Exact) return 0;
    Covered += It.A * It.B * Problem.Counts[i];
  }
  const TWide Area = Sheet.L * Sheet.W;
  return static_cast<std::int64_t>((Covered + Area - 1) / Area);
}

std::int64_t RunChain(const TProblem& Problem, const TChainParams& Params, const TChainHooks& Hooks,
                      TSolution& Best, TPatternPool* Pool) {
  Best = TSolution{};
  const std::size_t N = Problem.Items.size();
  TGenerator Generator(Problem.Items);
  TRandom Random(Params.Seed);
  std::vector<double> Base(N), Factor(N, 1.0), Values(N), Sum(N), Weight(N);
  for (std::size_t i = 0; i < N; ++i)
    Base[i] = static_cast<double>(Problem.Items[i].A) * static_cast<double>(Problem.Items[i].B);
  TSolution Round;
  for (std::int64_t r = 0; Generator.Work < Params.Budget || r == 0; ++r) {
    for (std::size_t i = 0; i < N; ++i) {
      const double Shake = r == 0 ? 1.0 : 1.0 + Params.Noise * (2.0 * Random.Unit() - 1.0);
      Values[i] = Base[i] * Factor[i] * Shake;
    }
    if (!BuildPlan(Problem, Values, Params.Gen, Generator, Hooks.Tick, Round, Pool)) break;
    if (!Best.Complete || Better(Round.Cost, Best.Cost)) {
      Best = Round;
      if (Hooks.Improved) Hooks.Improved(Best);
    }
    if (Problem.LeastSheets > 0 && Best.Cost.PendingPieces == 0 && Best.Cost.Sheets <= Problem.LeastSheets) break;
    // Correction: a piece's value follows the material its sheets spent
    // on it, sheet area over used area.
    std::fill(Sum.begin(), Sum.end(), 0.0);
    std::fill(Weight.begin(), Weight.end(), 0.0);
    for (const TDraftJob& J : Round.Jobs) {
      const double Spent = Problem.Kinds[static_cast<std::size_t>(J.Pattern.Kind)].Area / std::max(J.Pattern.Used, 1e-300);
      for (const TPlace& P : J.Pattern.Places) {
        Sum[static_cast<std::size_t>(P.Item)] += J.Count * Spent;
        Weight[static_cast<std::size_t>(P.Item)] += J.Count;
      }
    }
    for (std::size_t i = 0; i < N; ++i)
      if (Weight[i] > 0) Factor[i] = (1 - Params.Smoothing) * Factor[i] + Params.Smoothing * Sum[i] / Weight[i];
    // A round that cut nothing (no sheet left in stock, no piece that fits
    // or is left) is what every later round would be, whatever the values;
    // without work done the budget would never run out.
    if (Round.Jobs.empty()) break;
  }
  return Generator.Work;
}

}  // namespace Optimise
