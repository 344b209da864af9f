#include "Knapsack.h"

#include <algorithm>

namespace Optimise {

std::vector<TWide> TGuillotineDp::Normal(TWide Side, bool AlongLength, const std::vector<std::int32_t>& Counts) {
  const auto S = static_cast<std::size_t>(Side);
  std::vector<std::uint8_t> Reach(S + 1, 0);
  Reach[0] = 1;
  for (std::size_t i = 0; i < Items_.size(); ++i) {
    const TItem& It = Items_[i];
    for (std::uint8_t Rot = 0; Rot < 2; ++Rot) {
      if (!It.Allowed[Rot] || (Rot == 1 && It.A == It.B)) continue;
      const TWide E = (Rot != 0) == AlongLength ? It.B : It.A;
      if (E <= 0 || E > Side) continue;
      const auto e = static_cast<std::size_t>(E);
      const std::int64_t Copies = std::min<std::int64_t>(Counts[i], static_cast<std::int64_t>(Side / E));
      for (std::int64_t c = 0; c < Copies; ++c) {
        bool Grew = false;
        for (std::size_t v = S; v >= e; --v)
          if (Reach[v - e] && !Reach[v]) Reach[v] = 1, Grew = true;
        Work += static_cast<std::int64_t>(S);
        if (!Grew) break;
      }
    }
  }
  // Only the raster points: the largest normal point within the side less
  // another normal point. The part beside a cut is rounded down to one of
  // them anyway, and there are far fewer on a long side.
  std::vector<std::int32_t> Below(S + 1, 0);
  for (std::size_t v = 1; v <= S; ++v) Below[v] = Reach[v] ? static_cast<std::int32_t>(v) : Below[v - 1];
  std::vector<std::uint8_t> Raster(S + 1, 0);
  for (std::size_t v = 0; v <= S; ++v)
    if (Reach[v]) Raster[static_cast<std::size_t>(Below[S - v])] = 1;
  Work += static_cast<std::int64_t>(S);
  std::vector<TWide> Points;
  for (std::size_t v = 1; v <= S; ++v)
    if (Raster[v]) Points.push_back(static_cast<TWide>(v));
  return Points;
}

bool TGuillotineDp::Prepare(const TSheetKind& Sheet, const std::vector<std::int32_t>& Counts) {
  Xs_.clear();
  Ys_.clear();
  if (Sheet.L <= 0 || Sheet.W <= 0 || Sheet.L > MaxSide || Sheet.W > MaxSide) return false;
  Xs_ = Normal(Sheet.L, true, Counts);
  Ys_ = Normal(Sheet.W, false, Counts);
  const auto Cells = static_cast<std::int64_t>(Xs_.size()) * static_cast<std::int64_t>(Ys_.size());
  if (Cells == 0 || Cells > MaxCells || Cells * static_cast<std::int64_t>(Items_.size()) > MaxCounts) {
    Xs_.clear();
    Ys_.clear();
    return false;
  }
  auto Index = [](const std::vector<TWide>& Points, TWide Side, std::vector<std::int32_t>& At) {
    At.assign(static_cast<std::size_t>(Side) + 1, -1);
    std::int32_t k = -1;
    for (std::size_t v = 0; v < At.size(); ++v) {
      while (k + 1 < static_cast<std::int32_t>(Points.size()) && Points[static_cast<std::size_t>(k + 1)] <= static_cast<TWide>(v)) ++k;
      At[v] = k;
    }
  };
  Index(Xs_, Sheet.L, XAt_);
  Index(Ys_, Sheet.W, YAt_);
  return true;
}

void TGuillotineDp::Solve(std::int32_t Kind, const std::vector<std::int32_t>& Counts, const std::vector<double>& Values,
                          TPattern& Out) {
  Out = TPattern{};
  const std::size_t NX = Xs_.size(), NY = Ys_.size(), N = Items_.size();
  if (NX == 0 || NY == 0) return;
  Cells_.assign(NX * NY, TCell{});
  Counts_.assign(NX * NY * N, 0);
  auto At = [NY](std::size_t a, std::size_t b) { return a * NY + b; };
  // Whether the counts of cells p and q together stay within Counts.
  auto Fits = [&](std::size_t p, std::size_t q) {
    const std::int32_t* P = Counts_.data() + p * N;
    const std::int32_t* Q = Counts_.data() + q * N;
    for (std::size_t i = 0; i < N; ++i)
      if (P[i] + Q[i] > Counts[i]) return false;
    return true;
  };
  constexpr double Gain = 1e-9;  // an equal value keeps the simpler layout
  for (std::size_t a = 0; a < NX; ++a) {
    const TWide W = Xs_[a];
    for (std::size_t b = 0; b < NY; ++b) {
      const TWide H = Ys_[b];
      const std::size_t c = At(a, b);
      TCell Best;
      std::size_t From1 = 0, From2 = 0;  // the cells whose counts it takes
      bool Two = false;
      for (std::size_t i = 0; i < N; ++i) {
        if (Counts[i] <= 0 || Values[i] <= Best.Value + Gain) continue;
        for (std::uint8_t Rot = 0; Rot < 2; ++Rot) {
          const TItem& It = Items_[i];
          if (!It.Allowed[Rot]) continue;
          const TWide U = Rot ? It.B : It.A, V = Rot ? It.A : It.B;
          if (U > W || V > H || Values[i] <= Best.Value + Gain) continue;
          Best.Value = Values[i];
          Best.How = Piece;
          Best.Arg = static_cast<std::int32_t>(2 * i + Rot);
        }
      }
      if (a > 0 && Cells_[At(a - 1, b)].Value > Best.Value + Gain) {
        Best = {Cells_[At(a - 1, b)].Value, 0, FromLeft};
        From1 = At(a - 1, b);
      }
      if (b > 0 && Cells_[At(a, b - 1)].Value > Best.Value + Gain) {
        Best = {Cells_[At(a, b - 1)].Value, 0, FromBelow};
        From1 = At(a, b - 1);
      }
      // Cuts across the length: a left part of a normal length and the
      // right part rounded down to one.
      for (std::size_t l = 0; l < a && 2 * Xs_[l] <= W; ++l) {
        const std::int32_t r = XAt_[static_cast<std::size_t>(W - Xs_[l])];
        if (r < 0) continue;
        const std::size_t p = At(l, b), q = At(static_cast<std::size_t>(r), b);
        const double v = Cells_[p].Value + Cells_[q].Value;
        if (v > Best.Value + Gain && Cells_[p].How != Empty && Cells_[q].How != Empty && Fits(p, q)) {
          Best = {v, static_cast<std::int32_t>(l), CutAcross};
          From1 = p;
          From2 = q;
          Two = true;
        }
      }
      for (std::size_t l = 0; l < b && 2 * Ys_[l] <= H; ++l) {
        const std::int32_t r = YAt_[static_cast<std::size_t>(H - Ys_[l])];
        if (r < 0) continue;
        const std::size_t p = At(a, l), q = At(a, static_cast<std::size_t>(r));
        const double v = Cells_[p].Value + Cells_[q].Value;
        if (v > Best.Value + Gain && Cells_[p].How != Empty && Cells_[q].How != Empty && Fits(p, q)) {
          Best = {v, static_cast<std::int32_t>(l), CutAlong};
          From1 = p;
          From2 = q;
          Two = true;
        }
      }
      Work += static_cast<std::int64_t>(N + a + b);
      std::int32_t* C = Counts_.data() + c * N;
      if (Best.How == Piece) {
        C[static_cast<std::size_t>(Best.Arg / 2)] = 1;
      } else if (Best.How == FromLeft || Best.How == FromBelow) {
        std::copy_n(Counts_.data() + From1 * N, N, C);
      } else if (Two) {
        const std::int32_t* P = Counts_.data() + From1 * N;
        const std::int32_t* Q = Counts_.data() + From2 * N;
        for (std::size_t i = 0; i < N; ++i) C[i] = P[i] + Q[i];
      }
      Cells_[c] = Best;
    }
  }
  // The layout of the whole sheet, rectangle by rectangle.
  struct TPart {
    std::size_t a, b;
    TWide X, Y;
  };
  std::vector<TPart> Stack{{NX - 1, NY - 1, 0, 0}};
  Out.Kind = Kind;
  while (!Stack.empty()) {
    const TPart P = Stack.back();
    Stack.pop_back();
    const TCell& Cell = Cells_[At(P.a, P.b)];
    switch (Cell.How) {
      case Piece: {
        const auto i = static_cast<std::size_t>(Cell.Arg / 2);
        Out.Places.push_back({static_cast<std::int32_t>(i), P.X, P.Y, static_cast<std::uint8_t>(Cell.Arg % 2)});
        Out.Value += Values[i];
        Out.Used += Items_[i].Area;
        break;
      }
      case FromLeft: Stack.push_back({P.a - 1, P.b, P.X, P.Y}); break;
      case FromBelow: Stack.push_back({P.a, P.b - 1, P.X, P.Y}); break;
      case CutAcross: {
        const auto l = static_cast<std::size_t>(Cell.Arg);
        const auto r = static_cast<std::size_t>(XAt_[static_cast<std::size_t>(Xs_[P.a] - Xs_[l])]);
        Stack.push_back({l, P.b, P.X, P.Y});
        Stack.push_back({r, P.b, P.X + Xs_[l], P.Y});
        break;
      }
      case CutAlong: {
        const auto l = static_cast<std::size_t>(Cell.Arg);
        const auto r = static_cast<std::size_t>(YAt_[static_cast<std::size_t>(Ys_[P.b] - Ys_[l])]);
        Stack.push_back({P.a, l, P.X, P.Y});
        Stack.push_back({P.a, r, P.X, P.Y + Ys_[l]});
        break;
      }
      default: break;
    }
  }
  if (Out.Places.empty()) {
    Out = TPattern{};
    return;
  }
  // A layout of many small pieces keeps its most valuable MaxRects; taking
  // pieces off never breaks a cut.
  if (Out.Places.size() > static_cast<std::size_t>(MaxRects)) {
    std::stable_sort(Out.Places.begin(), Out.Places.end(), [&](const TPlace& p, const TPlace& q) {
      return Values[static_cast<std::size_t>(p.Item)] > Values[static_cast<std::size_t>(q.Item)];
    });
    for (std::size_t k = static_cast<std::size_t>(MaxRects); k < Out.Places.size(); ++k) {
      Out.Value -= Values[static_cast<std::size_t>(Out.Places[k].Item)];
      Out.Used -= Items_[static_cast<std::size_t>(Out.Places[k].Item)].Area;
    }
    Out.Places.resize(static_cast<std::size_t>(MaxRects));
  }
}

}  // namespace Optimise
