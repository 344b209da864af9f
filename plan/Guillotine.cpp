#include "Guillotine.h"

#include <array>

#include "Geometry.h"

namespace {

// A placed piece's footprint; the low and high ends per axis.
struct TSpan {
  TWide Lo[2];
  TWide Hi[2];
};

TSpan SpanOf(const TPlan& Task, const TPlacedRect& R) {
  const TObjPlan& O = Task.ObjPlans[R.ObjNo];
  return TSpan{{R.X, R.Y}, {TWide{R.X} + ExtentX(O, R.Rotated), TWide{R.Y} + ExtentY(O, R.Rotated)}};
}

// Which side of the cut at Q along Axis a piece lies on; a piece that the
// cut or the knife's path beside it would pass through is neither.
enum class TSide { Low, High, Across };

TSide SideOf(const TSpan& S, int Axis, TWide Q, TWide K) {
  if (S.Hi[Axis] + K <= Q) return TSide::Low;
  if (S.Lo[Axis] >= Q) return TSide::High;
  return TSide::Across;
}

// True when the cut at Q along Axis passes beside every piece and leaves
// pieces on both of its sides.
bool TryCut(const TSpan* Items, int N, int Axis, TWide Q, TWide K) {
  int Lows = 0, Highs = 0;
  for (int k = 0; k < N; ++k) {
    switch (SideOf(Items[k], Axis, Q, K)) {
      case TSide::Low: ++Lows; break;
      case TSide::High: ++Highs; break;
      case TSide::Across: return false;
    }
  }
  return Lows > 0 && Highs > 0;
}

// The first cut in candidate order: across X at the pieces' X values in
// list order, then across Y.
bool FindCut(const TSpan* Items, int N, TWide K, int& Axis, TWide& Q) {
  for (Axis = 0; Axis < 2; ++Axis)
    for (int c = 0; c < N; ++c) {
      Q = Items[c].Lo[Axis];
      if (TryCut(Items, N, Axis, Q, K)) return true;
    }
  return false;
}

// Scratch for the recursion: each level splits its segment in place (high
// side first, list order kept on both sides), so one buffer serves all.
struct TGuillotineScratch {
  std::array<TSpan, MaxRects> Items;
  std::array<TSpan, MaxRects> Temp;
};

bool Separable(TGuillotineScratch& S, int Begin, int N, TWide K) {
  if (N <= 3) return true;
  int Axis = 0;
  TWide Q = 0;
  TSpan* Items = S.Items.data() + Begin;
  if (!FindCut(Items, N, K, Axis, Q)) return false;
  int Highs = 0, Lows = 0;
  for (int k = 0; k < N; ++k)
    if (SideOf(Items[k], Axis, Q, K) == TSide::High) Items[Highs++] = Items[k];
    else S.Temp[static_cast<std::size_t>(Lows++)] = Items[k];
  for (int k = 0; k < Lows; ++k) Items[Highs + k] = S.Temp[static_cast<std::size_t>(k)];
  return Separable(S, Begin, Highs, K) && Separable(S, Begin + Highs, Lows, K);
}

}  // namespace

bool IsGuillotine(const TPlan& Task, const TJob& Layout) {
  const int N = Layout.RectCount;
  if (N <= 3) return true;
  thread_local TGuillotineScratch Scratch;
  for (int k = 0; k < N; ++k) Scratch.Items[static_cast<std::size_t>(k)] = SpanOf(Task, Layout.Rects[k + 1]);
  return Separable(Scratch, 0, N, Task.KnifeWidth);
}

bool FindGuillotineCut(const TPlan& Task, const TJob& Layout, TJob& High, TJob& Low) {
  std::array<TSpan, MaxRects> Items{};
  const int N = Layout.RectCount;
  for (int k = 0; k < N; ++k) Items[static_cast<std::size_t>(k)] = SpanOf(Task, Layout.Rects[k + 1]);
  int Axis = 0;
  TWide Q = 0;
  if (!FindCut(Items.data(), N, Task.KnifeWidth, Axis, Q)) return false;
  High.RectCount = 0;
  Low.RectCount = 0;
  for (int k = 0; k < N; ++k) {
    TJob& Half = SideOf(Items[static_cast<std::size_t>(k)], Axis, Q, Task.KnifeWidth) == TSide::High ? High : Low;
    Half.Rects[++Half.RectCount] = Layout.Rects[k + 1];
  }
  return true;
}
