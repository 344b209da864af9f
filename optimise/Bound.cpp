#include "Bound.h"

#include <glpk.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace Optimise {

namespace {

// Longest sheet side whose raster points are worked out.
constexpr TWide MaxSide = 100000;

// The raster points of a side: sums of piece extents along it (as many
// copies as fit), reduced to the largest such sum within the side less
// another. Cuts at these points lose nothing for unbounded counts.
std::vector<std::size_t> RasterPoints(const std::vector<TItem>& Items, TWide Side, bool AlongLength) {
  const auto S = static_cast<std::size_t>(Side);
  std::vector<std::uint8_t> Reach(S + 1, 0);
  Reach[0] = 1;
  for (const TItem& It : Items)
    for (int Rot = 0; Rot < 2; ++Rot) {
      if (!It.Allowed[Rot]) continue;
      const TWide E = (Rot != 0) == AlongLength ? It.B : It.A;
      if (E <= 0 || E > Side) continue;
      const auto e = static_cast<std::size_t>(E);
      for (std::size_t v = e; v <= S; ++v)
        if (Reach[v - e]) Reach[v] = 1;
    }
  std::vector<std::size_t> Below(S + 1, 0);
  for (std::size_t v = 1; v <= S; ++v) Below[v] = Reach[v] ? v : Below[v - 1];
  std::vector<std::uint8_t> Raster(S + 1, 0);
  for (std::size_t v = 0; v <= S; ++v)
    if (Reach[v]) Raster[Below[S - v]] = 1;
  std::vector<std::size_t> Points;
  for (std::size_t v = 1; v <= S; ++v)
    if (Raster[v]) Points.push_back(v);
  return Points;
}

// Index of the largest point at or below each length of the side; -1: none.
std::vector<std::int32_t> PointBelow(const std::vector<std::size_t>& Points, TWide Side) {
  std::vector<std::int32_t> At(static_cast<std::size_t>(Side) + 1, -1);
  std::size_t k = 0;
  for (std::size_t v = 0; v < At.size(); ++v) {
    while (k < Points.size() && Points[k] <= v) ++k;
    At[v] = static_cast<std::int32_t>(k) - 1;
  }
  return At;
}

struct TLpHolder {
  glp_prob* P = glp_create_prob();
  ~TLpHolder() {
    glp_delete_prob(P);
    glp_free_env();
  }
};

}  // namespace

TBound GuillotineBound(const TProblem& Problem, const TBoundParams& Params) {
  TBound Out;
  if (Problem.Kinds.size() != 1 || Problem.Items.empty()) return Out;
  const TSheetKind& Sheet = Problem.Kinds.front();
  if (Sheet.L <= 0 || Sheet.W <= 0 || Sheet.L > MaxSide || Sheet.W > MaxSide) return Out;
  const std::size_t N = Problem.Items.size();
  for (const TItem& It : Problem.Items)
    if (It.A <= 0 || It.B <= 0) return Out;

  const std::vector<std::size_t> Xs = RasterPoints(Problem.Items, Sheet.L, true);
  const std::vector<std::size_t> Ys = RasterPoints(Problem.Items, Sheet.W, false);
  const std::size_t NX = Xs.size(), NY = Ys.size();
  const auto Cells64 = static_cast<std::int64_t>(NX * NY);
  if (NX == 0 || NY == 0 || Cells64 > Params.MaxCells ||
      Cells64 * static_cast<std::int64_t>(NX + NY) > Params.MaxStepsPerPricing)
    return Out;
  const std::vector<std::int32_t> XAt = PointBelow(Xs, Sheet.L), YAt = PointBelow(Ys, Sheet.W);
  // The raster point at or below what is left of point a (b) beside point l.
  auto RestX = [&](std::size_t a, std::size_t l) { return XAt[Xs[a] - Xs[l]]; };
  auto RestY = [&](std::size_t b, std::size_t l) { return YAt[Ys[b] - Ys[l]]; };

  // Which pieces fit a rectangle of each raster size: the smallest cell a
  // piece fits, per orientation, so that the pricing reads values only.
  struct TFit {
    std::size_t Item;
    std::size_t a, b;  // the piece fits cells (a', b') with a' >= a and b' >= b
  };
  std::vector<TFit> Fits;
  for (std::size_t i = 0; i < N; ++i)
    for (int Rot = 0; Rot < 2; ++Rot) {
      const TItem& It = Problem.Items[i];
      if (!It.Allowed[Rot]) continue;
      const TWide U = Rot ? It.B : It.A, V = Rot ? It.A : It.B;
      if (U > Sheet.L || V > Sheet.W) continue;
      const auto a = static_cast<std::size_t>(std::lower_bound(Xs.begin(), Xs.end(), U) - Xs.begin());
      const auto b = static_cast<std::size_t>(std::lower_bound(Ys.begin(), Ys.end(), V) - Ys.begin());
      if (a < NX && b < NY) Fits.push_back({i, a, b});
    }

  glp_term_out(GLP_OFF);
  TLpHolder Lp;
  glp_set_obj_dir(Lp.P, GLP_MIN);
  glp_add_rows(Lp.P, static_cast<int>(N));
  for (std::size_t i = 0; i < N; ++i) glp_set_row_bnds(Lp.P, static_cast<int>(i + 1), GLP_LO, Problem.Counts[i], 0);
  auto AddColumn = [&](const std::vector<double>& Copies) {
    std::vector<int> Ind{0};
    std::vector<double> Val{0};
    for (std::size_t i = 0; i < N; ++i)
      if (Copies[i] > 0) {
        Ind.push_back(static_cast<int>(i + 1));
        Val.push_back(Copies[i]);
      }
    const int j = glp_add_cols(Lp.P, 1);
    glp_set_obj_coef(Lp.P, j, 1);
    glp_set_col_bnds(Lp.P, j, GLP_LO, 0, 0);
    glp_set_mat_col(Lp.P, j, static_cast<int>(Ind.size() - 1), Ind.data(), Val.data());
  };
  // A piece that fits no sheet leaves nothing to bound.
  std::vector<bool> Placeable(N, false);
  for (const TFit& F : Fits) Placeable[F.Item] = true;
  for (std::size_t i = 0; i < N; ++i) {
    if (!Placeable[i]) return Out;
    std::vector<double> Copies(N, 0);
    Copies[i] = 1;  // one copy a sheet: a start the pricing improves on
    AddColumn(Copies);
  }

  const std::size_t Cells = NX * NY;
  std::vector<double> Value(Cells);
  // How each cell's value comes about: -1 empty; below N the piece; then
  // from the cell to the left, from the cell below, and the cuts beside
  // point l across (N + 2 + 2l) or along (N + 3 + 2l).
  std::vector<std::int64_t> How(Cells);
  const auto CutBase = static_cast<std::int64_t>(N);
  std::vector<double> Duals(N);
  glp_smcp Simplex;
  glp_init_smcp(&Simplex);
  Simplex.msg_lev = GLP_MSG_OFF;
  double Best = 0;
  for (Out.Rounds = 0; Out.Rounds < Params.MaxRounds; ++Out.Rounds) {
    if (glp_simplex(Lp.P, &Simplex) != 0 || glp_get_status(Lp.P) != GLP_OPT) return TBound{};
    const double Z = glp_get_obj_val(Lp.P);
    for (std::size_t i = 0; i < N; ++i) Duals[i] = std::max(0.0, glp_get_row_dual(Lp.P, static_cast<int>(i + 1)));

    // The unbounded guillotine knapsack at these prices.
    std::fill(Value.begin(), Value.end(), 0.0);
    std::fill(How.begin(), How.end(), -1);
    for (const TFit& F : Fits) {
      const std::size_t c = F.a * NY + F.b;
      if (Duals[F.Item] > Value[c]) {
        Value[c] = Duals[F.Item];
        How[c] = static_cast<std::int64_t>(F.Item);
      }
    }
    for (std::size_t a = 0; a < NX; ++a)
      for (std::size_t b = 0; b < NY; ++b) {
        const std::size_t c = a * NY + b;
        double V = Value[c];
        std::int64_t H = How[c];
        if (a > 0 && Value[c - NY] > V) V = Value[c - NY], H = CutBase;
        if (b > 0 && Value[c - 1] > V) V = Value[c - 1], H = CutBase + 1;
        for (std::size_t l = 0; l < a && 2 * Xs[l] <= Xs[a]; ++l) {
          const std::int32_t r = RestX(a, l);
          if (r < 0) continue;
          const double t = Value[l * NY + b] + Value[static_cast<std::size_t>(r) * NY + b];
          if (t > V) V = t, H = CutBase + 2 + 2 * static_cast<std::int64_t>(l);
        }
        for (std::size_t l = 0; l < b && 2 * Ys[l] <= Ys[b]; ++l) {
          const std::int32_t r = RestY(b, l);
          if (r < 0) continue;
          const double t = Value[a * NY + l] + Value[a * NY + static_cast<std::size_t>(r)];
          if (t > V) V = t, H = CutBase + 3 + 2 * static_cast<std::int64_t>(l);
        }
        Value[c] = V;
        How[c] = H;
      }
    const double Most = Value[Cells - 1];
    // Farley: the prices divided by the most a sheet is worth at them are
    // feasible for the dual, so this is a bound at every round.
    Best = std::max(Best, Most > 1 ? Z / Most : Z);
    if (Most <= 1 + 1e-9) {
      Out.Exact = true;
      break;
    }

    // The pattern, as the pieces it holds.
    std::vector<double> Copies(N, 0);
    std::vector<std::pair<std::size_t, std::size_t>> Stack{{NX - 1, NY - 1}};
    while (!Stack.empty()) {
      const auto [a, b] = Stack.back();
      Stack.pop_back();
      const std::int64_t H = How[a * NY + b];
      if (H < 0) continue;
      if (H < CutBase) {
        Copies[static_cast<std::size_t>(H)] += 1;
      } else if (H == CutBase) {
        Stack.push_back({a - 1, b});
      } else if (H == CutBase + 1) {
        Stack.push_back({a, b - 1});
      } else if ((H - CutBase) % 2 == 0) {
        const auto l = static_cast<std::size_t>((H - CutBase - 2) / 2);
        Stack.push_back({l, b});
        Stack.push_back({static_cast<std::size_t>(RestX(a, l)), b});
      } else {
        const auto l = static_cast<std::size_t>((H - CutBase - 3) / 2);
        Stack.push_back({a, l});
        Stack.push_back({a, static_cast<std::size_t>(RestY(b, l))});
      }
    }
    AddColumn(Copies);
  }
  Out.Known = true;
  Out.Relaxation = Best;
  // A margin for the solver's rounding: a bound a hair above a whole number
  // is taken as that number.
  Out.Sheets = static_cast<std::int64_t>(std::ceil(Best - 1e-6));
  return Out;
}

}  // namespace Optimise
