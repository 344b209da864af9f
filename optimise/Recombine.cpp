#include "Recombine.h"

#include "Knapsack.h"

#include <glpk.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <numeric>

namespace Optimise {

namespace {

// The solver's problem and its working memory, freed on every way out.
struct TLp {
  glp_prob* P = glp_create_prob();
  ~TLp() {
    glp_delete_prob(P);
    // The solver keeps an environment per thread; the optimiser may run on
    // a thread that ends soon after, so none is left behind.
    glp_free_env();
  }
};

struct TIntContext {
  std::vector<double> Start;  // 1-based repeats of the plan to improve on
  bool Given = false;
  std::int64_t NodeLimit = 0;
  std::int64_t Nodes = 0;
  bool Integral = false;  // every objective coefficient is a whole number
  bool Optimal = false;
  bool Stopped = false;
  std::int64_t Work = 0;
  const std::function<bool(std::int64_t)>* Tick = nullptr;
};

void IntCallback(glp_tree* T, void* Info) {
  TIntContext& C = *static_cast<TIntContext*>(Info);
  if (glp_ios_reason(T) == GLP_IHEUR && !C.Given) {
    C.Given = true;
    glp_ios_heur_sol(T, C.Start.data());
  }
  int Active = 0, Alive = 0, Total = 0;
  glp_ios_tree_size(T, &Active, &Alive, &Total);
  C.Nodes = Total;
  if (Total > C.NodeLimit) {
    glp_ios_terminate(T);
    return;
  }
  if (!(*C.Tick)(C.Work)) {
    C.Stopped = true;
    glp_ios_terminate(T);
    return;
  }
  // With whole-number costs a plan whose cost is the best bound rounded up
  // cannot be beaten, though the solver would go on proving it.
  glp_prob* P = glp_ios_get_prob(T);
  if (C.Integral && glp_mip_status(P) == GLP_FEAS) {
    const int Best = glp_ios_best_node(T);
    if (Best != 0 && std::ceil(glp_ios_node_bound(T, Best) - 1e-6) >= glp_mip_obj_val(P) - 1e-6) {
      C.Optimal = true;
      glp_ios_terminate(T);
    }
  }
}

// Takes one copy of Item off the layout (the last one placed).
void TakeOff(TPattern& P, std::int32_t Item, const TProblem& Problem, double Value) {
  for (std::size_t k = P.Places.size(); k-- > 0;) {
    if (P.Places[k].Item != Item) continue;
    P.Places.erase(P.Places.begin() + static_cast<std::ptrdiff_t>(k));
    P.Used -= Problem.Items[static_cast<std::size_t>(Item)].Area;
    P.Value -= Value;
    return;
  }
}

std::int32_t CopiesOf(const TPattern& P, std::int32_t Item) {
  std::int32_t n = 0;
  for (const TPlace& Pl : P.Places) n += Pl.Item == Item;
  return n;
}

}  // namespace

TSolution PlanFromRepeats(const TProblem& Problem, const TPatternPool& Pool, const std::vector<std::int64_t>& Repeats) {
  TSolution Out;
  const std::size_t N = Problem.Items.size();
  std::vector<std::int64_t> Surplus(N, 0);
  std::vector<std::int64_t> Used(Problem.Kinds.size(), 0);
  for (std::size_t p = 0; p < Pool.Patterns.size() && p < Repeats.size(); ++p) {
    if (Repeats[p] <= 0) continue;
    if (Repeats[p] > std::numeric_limits<std::int32_t>::max()) return Out;
    Out.Jobs.push_back({Pool.Patterns[p], static_cast<std::int32_t>(Repeats[p])});
    Used[static_cast<std::size_t>(Pool.Patterns[p].Kind)] += Repeats[p];
    for (const auto& [Item, Copies] : Pool.Copies[p]) Surplus[static_cast<std::size_t>(Item)] += Copies * Repeats[p];
  }
  for (std::size_t k = 0; k < Used.size(); ++k)
    if (Used[k] > Problem.Stock[k]) return Out;
  for (std::size_t i = 0; i < N; ++i) {
    Surplus[i] -= Problem.Counts[i];
    if (Surplus[i] < 0) return Out;
  }
  // Copies come off the least used layouts first; where every repeat of a
  // layout can lose the same copies no new job is needed.
  std::vector<std::size_t> Order(Out.Jobs.size());
  std::iota(Order.begin(), Order.end(), 0);
  std::stable_sort(Order.begin(), Order.end(), [&](std::size_t a, std::size_t b) {
    return Out.Jobs[a].Pattern.Used < Out.Jobs[b].Pattern.Used;
  });
  for (std::size_t i = 0; i < N; ++i) {
    const auto Item = static_cast<std::int32_t>(i);
    for (std::size_t j : Order) {
      if (Surplus[i] == 0) break;
      TDraftJob& J = Out.Jobs[j];
      const std::int64_t Off = std::min<std::int64_t>(CopiesOf(J.Pattern, Item), Surplus[i] / J.Count);
      for (std::int64_t k = 0; k < Off; ++k) TakeOff(J.Pattern, Item, Problem, 0);
      Surplus[i] -= Off * J.Count;
    }
    // What is left is less than the repeats of any layout that still holds
    // the piece: that many repeats become a job of their own without it.
    for (std::size_t k = 0; k < Order.size() && Surplus[i] > 0; ++k) {
      TDraftJob& J = Out.Jobs[Order[k]];
      if (CopiesOf(J.Pattern, Item) == 0) continue;
      TDraftJob Split{J.Pattern, static_cast<std::int32_t>(Surplus[i])};
      TakeOff(Split.Pattern, Item, Problem, 0);
      J.Count -= Split.Count;
      Surplus[i] = 0;
      Out.Jobs.push_back(std::move(Split));
      Order.push_back(Out.Jobs.size() - 1);
    }
  }
  Out.Jobs.erase(std::remove_if(Out.Jobs.begin(), Out.Jobs.end(),
                                [](const TDraftJob& J) { return J.Count <= 0 || J.Pattern.Places.empty(); }),
                 Out.Jobs.end());
  if (Out.Jobs.size() > static_cast<std::size_t>(MaxJobs)) return TSolution{};
  for (const TDraftJob& J : Out.Jobs) {
    Out.Cost.SheetArea += J.Count * Problem.Kinds[static_cast<std::size_t>(J.Pattern.Kind)].Area;
    Out.Cost.Sheets += J.Count;
  }
  Out.Cost.Jobs = static_cast<std::int32_t>(Out.Jobs.size());
  Out.Complete = true;
  return Out;
}

void Recombine(const TProblem& Problem, TPatternPool& Pool, const TSolution& Start, const TRecombineParams& Params,
               const std::function<bool(std::int64_t)>& Tick, TSolution& Out, TRecombineStats* Stats) {
  Out = TSolution{};
  TRecombineStats Local;
  TRecombineStats& S = Stats ? *Stats : Local;
  S = TRecombineStats{};
  const std::size_t N = Problem.Items.size(), K = Problem.Kinds.size();
  if (!Start.Complete || Start.Cost.PendingPieces > 0 || N == 0 || K == 0) return;
  // Nothing can beat a plan of the least sheets there can be.
  if (Problem.LeastSheets > 0 && Start.Cost.Sheets <= Problem.LeastSheets) {
    S.Optimal = true;
    return;
  }

  // Costs in units of the sheets' common divisor when the areas are whole
  // numbers small enough for that, so that the integer program may stop as
  // soon as its bound rounded up is reached.
  double Unit = std::numeric_limits<double>::max();
  for (const TSheetKind& Kind : Problem.Kinds) Unit = std::min(Unit, Kind.Area);
  bool Integral = false;
  {
    std::int64_t G = 0;
    bool Whole = true;
    for (const TSheetKind& Kind : Problem.Kinds) {
      Whole = Whole && Kind.Area < 9.0e15 && std::floor(Kind.Area) == Kind.Area;
      if (Whole) G = std::gcd(G, static_cast<std::int64_t>(Kind.Area));
    }
    if (Whole && G > 0) {
      bool Small = true;
      for (const TSheetKind& Kind : Problem.Kinds) Small = Small && Kind.Area / static_cast<double>(G) <= 1e6;
      if (Small) {
        Unit = static_cast<double>(G);
        Integral = true;
      }
    }
  }
  if (!(Unit > 0)) return;
  std::vector<double> Cost(K);
  for (std::size_t k = 0; k < K; ++k) {
    Cost[k] = Problem.Kinds[k].Area / Unit;
    // Sheet sizes so far apart leave the solver no sound arithmetic.
    if (!(Cost[k] <= 1e9)) return;
  }

  glp_term_out(GLP_OFF);
  TLp Lp;
  glp_set_obj_dir(Lp.P, GLP_MIN);
  glp_add_rows(Lp.P, static_cast<int>(N));
  for (std::size_t i = 0; i < N; ++i) glp_set_row_bnds(Lp.P, static_cast<int>(i + 1), GLP_LO, Problem.Counts[i], 0);
  std::vector<int> StockRow(K, 0);
  std::int64_t Demand = 0;
  for (std::int32_t c : Problem.Counts) Demand += c;
  for (std::size_t k = 0; k < K; ++k) {
    if (Problem.Stock[k] >= Demand) continue;  // never binding: a sheet holds a piece at least
    StockRow[k] = glp_add_rows(Lp.P, 1);
    glp_set_row_bnds(Lp.P, StockRow[k], GLP_UP, 0, static_cast<double>(Problem.Stock[k]));
  }
  std::vector<int> Ind;
  std::vector<double> Val;
  std::size_t Columns = 0;
  auto AddColumns = [&] {
    for (; Columns < Pool.Patterns.size(); ++Columns) {
      const std::size_t Kind = static_cast<std::size_t>(Pool.Patterns[Columns].Kind);
      Ind.assign(1, 0);
      Val.assign(1, 0);
      double Most = 1;  // repeats beyond which no copy is needed any more
      for (const auto& [Item, Copies] : Pool.Copies[Columns]) {
        Ind.push_back(Item + 1);
        Val.push_back(Copies);
        Most = std::max(Most, std::ceil(static_cast<double>(Problem.Counts[static_cast<std::size_t>(Item)]) / Copies));
      }
      if (StockRow[Kind] != 0) {
        Ind.push_back(StockRow[Kind]);
        Val.push_back(1);
      }
      const int j = glp_add_cols(Lp.P, 1);
      glp_set_col_bnds(Lp.P, j, GLP_DB, 0, Most);
      glp_set_obj_coef(Lp.P, j, Cost[Kind]);
      glp_set_mat_col(Lp.P, j, static_cast<int>(Ind.size() - 1), Ind.data(), Val.data());
    }
  };
  AddColumns();

  glp_smcp Simplex;
  glp_init_smcp(&Simplex);
  Simplex.msg_lev = GLP_MSG_OFF;
  auto SolveLp = [&] {
    ++S.Rounds;
    return glp_simplex(Lp.P, &Simplex) == 0 && glp_get_status(Lp.P) == GLP_OPT;
  };

  // Column generation: price the pieces by the relaxation's duals and ask
  // the generator for a sheet worth more than it costs. The generator is a
  // heuristic, so other settings and mixes are tried before giving up.
  TGenerator Generator(Problem.Items);
  std::vector<TGenParams> Settings(4, Params.Gen);
  const double Biases[] = {0.0, 0.1, 0.3, -0.05};
  for (std::size_t t = 0; t < Settings.size(); ++t) {
    Settings[t].FirstStrips = 3;
    Settings[t].ExactStrips = 5;
    Settings[t].HeightBias = Biases[t];
  }
  std::vector<TGuillotineDp> Dps(K, TGuillotineDp(Problem.Items));
  std::vector<bool> DpReady(K);
  for (std::size_t k = 0; k < K; ++k) DpReady[k] = Dps[k].Prepare(Problem.Kinds[k], Problem.Counts);
  auto WorkSoFar = [&] {
    std::int64_t w = Generator.Work;
    for (const TGuillotineDp& D : Dps) w += D.Work;
    return w;
  };
  std::vector<double> Duals(N), Values(N);
  TPattern Trial;
  bool Stopped = false;
  // Mixes of the duals with the pieces' share of the relaxation's sheets:
  // the duals alone are an extreme point, whose every basic pattern is worth
  // just its cost, and a greedy generator mostly finds one of those again.
  constexpr double Mixes[] = {0.0, 0.3, 0.6};
  // Rounds of pricing from a solved relaxation of Counts; false when the
  // relaxation could not be solved (or a stop came).
  std::int64_t Limit = 0;  // work the current pricing may reach
  auto Price = [&](const std::vector<std::int32_t>& Counts, const std::vector<std::int64_t>& Stock,
                   std::int32_t Rounds) {
    if (!SolveLp()) return false;
    for (std::int32_t r = 0; r < Rounds && WorkSoFar() < Limit; ++r) {
      double Demanded = 0;
      for (std::size_t i = 0; i < N; ++i) Demanded += Counts[i] * Problem.Items[i].Area;
      const double PerArea = Demanded > 0 ? glp_get_obj_val(Lp.P) / Demanded : 0;
      for (std::size_t i = 0; i < N; ++i) Duals[i] = std::max(0.0, glp_get_row_dual(Lp.P, static_cast<int>(i + 1)));
      const std::size_t Before = Pool.Patterns.size();
      for (const double Mix : Mixes) {
        for (std::size_t i = 0; i < N; ++i)
          // A little of the area besides the price, so that free room is
          // still filled with pieces the relaxation does not ask for.
          Values[i] = (1 - Mix) * Duals[i] + Mix * PerArea * Problem.Items[i].Area + 1e-4 * Problem.Items[i].Area / Unit;
        for (std::size_t t = 0; t <= Settings.size(); ++t) {
          for (std::size_t k = 0; k < K && WorkSoFar() < Limit; ++k) {
            if (Stock[k] <= 0) continue;
            if (t < Settings.size()) {
              Generator.Generate(Problem.Kinds[k], static_cast<std::int32_t>(k), Counts, Values, Settings[t], Trial);
            } else {
              if (!DpReady[k]) continue;
              Dps[k].Solve(static_cast<std::int32_t>(k), Counts, Values, Trial);
            }
            S.Work = WorkSoFar();
            if (!Tick(S.Work)) {
              Stopped = true;
              return false;
            }
            if (Trial.Kind < 0) continue;
            double Worth = StockRow[k] != 0 ? glp_get_row_dual(Lp.P, StockRow[k]) : 0;
            for (const TPlace& Pl : Trial.Places) Worth += Duals[static_cast<std::size_t>(Pl.Item)];
            if (Worth > Cost[k] * (1 + 1e-9)) Pool.Add(Trial);
          }
        }
      }
      if (Pool.Patterns.size() == Before) break;
      S.Added += static_cast<std::int32_t>(Pool.Patterns.size() - Before);
      AddColumns();
      if (!SolveLp()) return false;
    }
    return true;
  };
  // Half of the work for the whole counts, the rest for the dive's.
  Limit = Params.Budget / 2;
  if (!Price(Problem.Counts, Problem.Stock, std::numeric_limits<std::int32_t>::max())) return;
  Limit = Params.Budget;
  S.LowerBound = glp_get_obj_val(Lp.P) * Unit;

  // Rounding: the relaxation's repeats rounded down, or up from a
  // fraction on, are cut; a short chain of its own (sequential value
  // correction) completes the counts left over. Its patterns join the
  // pool; the best plan starts the integer program.
  std::vector<double> X(Columns);
  for (std::size_t j = 0; j < Columns; ++j) X[j] = glp_get_col_prim(Lp.P, static_cast<int>(j + 1));
  std::vector<std::int64_t> Rounded;
  TSolution RoundedPlan;
  {
    constexpr double UpFrom[] = {1.0, 0.7, 0.4};
    constexpr std::int64_t Share = 3;
    const std::int64_t Each = std::max<std::int64_t>(0, Params.Budget - WorkSoFar()) / Share;
    for (std::size_t v = 0; v < Share; ++v) {
      std::vector<std::int64_t> Fixed(Columns, 0);
      for (std::size_t j = 0; j < Columns; ++j) {
        const double f = std::floor(X[j] + 1e-9);
        Fixed[j] = static_cast<std::int64_t>(f) + (X[j] - f >= UpFrom[v] ? 1 : 0);
      }
      TProblem Rest = Problem;
      // Its patterns are what the completion adds to the pool: it runs its
      // whole share even where it reaches the rest's least sheets early.
      Rest.LeastSheets = 0;
      bool Fits = true;
      for (std::size_t j = 0; j < Columns; ++j) {
        if (Fixed[j] == 0) continue;
        for (const auto& [Item, Copies] : Pool.Copies[j]) {
          std::int32_t& r = Rest.Counts[static_cast<std::size_t>(Item)];
          r = static_cast<std::int32_t>(std::max<std::int64_t>(0, r - Fixed[j] * Copies));
        }
        std::int64_t& Left = Rest.Stock[static_cast<std::size_t>(Pool.Patterns[j].Kind)];
        Left -= Fixed[j];
        Fits = Fits && Left >= 0;
      }
      if (!Fits) continue;
      if (std::any_of(Rest.Counts.begin(), Rest.Counts.end(), [](std::int32_t r) { return r > 0; })) {
        TChainParams Chain;
        Chain.Gen = Params.Gen;
        Chain.Seed = 0x5EED + v;
        Chain.Budget = Each;
        TChainHooks Hooks;
        const std::int64_t Before = WorkSoFar();
        Hooks.Tick = [&](std::int64_t Work) { return Tick(Before + Work); };
        TSolution Tail;
        Generator.Work += RunChain(Rest, Chain, Hooks, Tail, &Pool);
        S.Work = WorkSoFar();
        if (!Hooks.Tick(0)) {
          Stopped = true;
          return;
        }
        if (!Tail.Complete || Tail.Cost.PendingPieces > 0) continue;
        Fixed.resize(Pool.Patterns.size(), 0);
        bool Known = true;
        for (const TDraftJob& J : Tail.Jobs) {
          const std::int32_t p = Pool.Find(J.Pattern);
          Known = Known && p >= 0;
          if (p >= 0) Fixed[static_cast<std::size_t>(p)] += J.Count;
        }
        if (!Known) continue;  // the pool is full
      }
      TSolution Plan = PlanFromRepeats(Problem, Pool, Fixed);
      if (Plan.Complete && (!RoundedPlan.Complete || Better(Plan.Cost, RoundedPlan.Cost))) {
        RoundedPlan = std::move(Plan);
        Rounded = std::move(Fixed);
      }
    }
    AddColumns();
    if (!SolveLp()) return;
  }
  const bool RoundedBetter = RoundedPlan.Complete && Better(RoundedPlan.Cost, Start.Cost);

  // The integer program over the pool, started from the plan to improve on.
  TIntContext C;
  C.Start.assign(Columns + 1, 0.0);
  if (RoundedBetter) {
    for (std::size_t p = 0; p < Rounded.size(); ++p) C.Start[p + 1] = static_cast<double>(Rounded[p]);
  } else {
    for (const TDraftJob& J : Start.Jobs) {
      const std::int32_t p = Pool.Find(J.Pattern);
      if (p < 0 || static_cast<std::size_t>(p) >= Columns) return;  // not a plan over the pool
      C.Start[static_cast<std::size_t>(p) + 1] += J.Count;
    }
  }
  if (RoundedBetter) Out = RoundedPlan;
  if (Integral) {
    // Only plans cheaper than the best so far are sought: a row keeps the
    // cost below it, and a pattern whose reduced cost alone would lift the
    // relaxation above it cannot be in one, which leaves few columns for
    // the branching.
    const double Target = std::round((Out.Complete ? Out : Start).Cost.SheetArea / Unit) - 1;
    const double Bound = glp_get_obj_val(Lp.P);
    if (Bound > Target + 1e-6) {
      S.Optimal = true;
      return;
    }
    Ind.assign(1, 0);
    Val.assign(1, 0);
    for (std::size_t j = 1; j <= Columns; ++j) {
      if (glp_get_col_dual(Lp.P, static_cast<int>(j)) > Target - Bound + 1e-6)
        glp_set_col_bnds(Lp.P, static_cast<int>(j), GLP_FX, 0, 0);
      Ind.push_back(static_cast<int>(j));
      Val.push_back(glp_get_obj_coef(Lp.P, static_cast<int>(j)));
    }
    const int Cutoff = glp_add_rows(Lp.P, 1);
    glp_set_mat_row(Lp.P, Cutoff, static_cast<int>(Ind.size() - 1), Ind.data(), Val.data());
    glp_set_row_bnds(Lp.P, Cutoff, GLP_UP, 0, Target);
    if (!SolveLp()) {
      S.Optimal = true;
      return;
    }
    C.Given = true;  // the best plan so far is above the cut-off
  }
  for (std::size_t j = 1; j <= Columns; ++j) glp_set_col_kind(Lp.P, static_cast<int>(j), GLP_IV);
  C.NodeLimit = Params.Nodes;
  C.Integral = Integral;
  C.Work = S.Work;
  C.Tick = &Tick;
  glp_iocp Ip;
  glp_init_iocp(&Ip);
  Ip.msg_lev = GLP_MSG_OFF;
  Ip.presolve = GLP_OFF;  // a start plan is given in the problem's own columns
  Ip.cb_func = IntCallback;
  Ip.cb_info = &C;
  glp_intopt(Lp.P, &Ip);
  S.Nodes = C.Nodes;
  if (C.Stopped) {
    Out = TSolution{};
    return;
  }
  const int Status = glp_mip_status(Lp.P);
  S.Optimal = C.Optimal || Status == GLP_OPT;
  if (Status != GLP_OPT && Status != GLP_FEAS) return;
  std::vector<std::int64_t> Repeats(Columns);
  for (std::size_t j = 0; j < Columns; ++j)
    Repeats[j] = std::llround(glp_mip_col_val(Lp.P, static_cast<int>(j + 1)));
  TSolution Plan = PlanFromRepeats(Problem, Pool, Repeats);
  if (Plan.Complete && Better(Plan.Cost, Out.Complete ? Out.Cost : Start.Cost)) Out = std::move(Plan);
}

}  // namespace Optimise
