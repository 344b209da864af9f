#include "Pattern.h"

#include <algorithm>

namespace Optimise {

namespace {

// Cells of the strip knapsack along the strip: a longer strip is measured
// in coarser steps, every piece rounded up to whole steps, so a fill the
// knapsack accepts always fits.
constexpr TWide StripSteps = 2048;
// Column units of one strip knapsack; more copies than this are never
// needed on one strip of a 200-piece layout.
constexpr std::size_t MaxUnits = 400;

std::int32_t Clamp32(TWide v) { return static_cast<std::int32_t>(std::min<TWide>(v, MaxRects)); }

}  // namespace

TGenerator::TOrient TGenerator::Orient(const TFrame& F, std::int32_t i, std::uint8_t Rot) const {
  const TItem& It = Items_[static_cast<std::size_t>(i)];
  TOrient O;
  O.Rot = Rot;
  O.Ok = It.Allowed[Rot];
  const TWide EX = Rot ? It.B : It.A, EY = Rot ? It.A : It.B;
  O.U = F.Swap ? EY : EX;
  O.V = F.Swap ? EX : EY;
  return O;
}

// The orientation that fits a strip of Height and uses most of it (fewer
// length along the strip on a tie; unturned on a full tie).
TGenerator::TOrient TGenerator::BestFor(const TFrame& F, std::int32_t i, TWide Height) const {
  TOrient Best;
  for (std::uint8_t Rot = 0; Rot < 2; ++Rot) {
    const TOrient O = Orient(F, i, Rot);
    if (!O.Ok || O.U > F.U || O.V > Height) continue;
    if (!Best.Ok || O.V > Best.V || (O.V == Best.V && O.U < Best.U)) Best = O;
  }
  return Best;
}

void TGenerator::Put(const TFrame& F, std::int32_t i, const TOrient& O, TWide U, TWide V,
                     const std::vector<double>& Values, TPattern& Out) {
  TPlace P;
  P.Item = i;
  P.X = F.Swap ? V : U;
  P.Y = F.Swap ? U : V;
  P.Rot = O.Rot;
  Out.Places.push_back(P);
  --Left_[static_cast<std::size_t>(i)];
  Out.Value += Values[static_cast<std::size_t>(i)];
  Out.Used += Items_[static_cast<std::size_t>(i)].Area;
}

// Greedy fill of a strip by value per length; Support: how many such
// strips the pending counts allow.
double TGenerator::EstimateStrip(const TFrame& F, const std::vector<double>& Values, TWide Height,
                                 std::int32_t& Support) {
  Cands_.clear();
  const std::int32_t N = static_cast<std::int32_t>(Items_.size());
  for (std::int32_t i = 0; i < N; ++i) {
    const std::int32_t Left = Left_[static_cast<std::size_t>(i)];
    if (Left <= 0) continue;
    const TOrient O = BestFor(F, i, Height);
    if (!O.Ok) continue;
    const std::int32_t m = std::min(Left, Clamp32(Height / O.V));
    Cands_.push_back({m * Values[static_cast<std::size_t>(i)] / static_cast<double>(O.U), i, m, O});
  }
  Work += N + 8 * static_cast<std::int64_t>(Cands_.size());
  std::sort(Cands_.begin(), Cands_.end(),
            [](const TCand& a, const TCand& b) { return a.Key != b.Key ? a.Key > b.Key : a.Item < b.Item; });
  TWide Rem = F.U;
  double Value = 0;
  Support = MaxRects;
  for (const TCand& C : Cands_) {
    const std::int32_t Left = Left_[static_cast<std::size_t>(C.Item)];
    const TWide Cols = std::min<TWide>((Left + C.Copies - 1) / C.Copies, Rem / C.O.U);
    if (Cols <= 0) continue;
    const std::int32_t Copies = std::min<std::int32_t>(Left, Clamp32(Cols * C.Copies));
    Value += Copies * Values[static_cast<std::size_t>(C.Item)];
    Support = std::min(Support, Left / Copies);
    Rem -= Cols * C.O.U;
  }
  return Value;
}

double TGenerator::ExactStrip(const TFrame& F, const std::vector<double>& Values, TWide Height,
                              std::vector<TColumn>& Columns) {
  Units_.clear();
  const std::int32_t N = static_cast<std::int32_t>(Items_.size());
  for (std::int32_t i = 0; i < N && Units_.size() < MaxUnits; ++i) {
    std::int32_t Left = Left_[static_cast<std::size_t>(i)];
    if (Left <= 0) continue;
    const TOrient O = BestFor(F, i, Height);
    if (!O.Ok) continue;
    const std::int32_t m = std::min(Left, Clamp32(Height / O.V));
    TWide Cols = F.U / O.U;
    while (Left > 0 && Cols > 0 && Units_.size() < MaxUnits) {
      const std::int32_t c = std::min(m, Left);
      Units_.push_back({i, c, O});
      Left -= c;
      --Cols;
    }
  }
  Columns.clear();
  if (Units_.empty()) return 0;
  const TWide Step = std::max<TWide>(1, (F.U + StripSteps - 1) / StripSteps);
  const std::size_t Cap = static_cast<std::size_t>(F.U / Step);
  const std::size_t Row = Cap + 1;
  Best_.assign(Row, 0.0);
  Take_.assign(Units_.size() * Row, 0);
  for (std::size_t j = 0; j < Units_.size(); ++j) {
    const TColumn& C = Units_[j];
    const std::size_t w = static_cast<std::size_t>((C.O.U + Step - 1) / Step);
    if (w > Cap) continue;
    const double v = C.Copies * Values[static_cast<std::size_t>(C.Item)];
    std::uint8_t* T = Take_.data() + j * Row;
    for (std::size_t c = Cap; c >= w; --c) {
      const double Cand = Best_[c - w] + v;
      if (Cand > Best_[c]) {
        Best_[c] = Cand;
        T[c] = 1;
      }
      if (c == w) break;
    }
  }
  Work += static_cast<std::int64_t>(Units_.size() * Row);
  std::size_t c = Cap;
  for (std::size_t j = Units_.size(); j-- > 0;) {
    if (!Take_[j * Row + c]) continue;
    Columns.push_back(Units_[j]);
    c -= static_cast<std::size_t>((Units_[j].O.U + Step - 1) / Step);
  }
  // Widest columns first: the leftovers above them are the largest.
  std::stable_sort(Columns.begin(), Columns.end(), [](const TColumn& a, const TColumn& b) { return a.O.U > b.O.U; });
  return Best_[Cap];
}

// Fills the free rectangle greedily: the most valuable piece that fits in
// its corner, then the two rectangles left by one more through cut, the
// larger of them first.
void TGenerator::FillRect(const TFrame& F, const std::vector<double>& Values, TWide U0, TWide V0, TWide W, TWide H,
                          TPattern& Out) {
  Stack_.clear();
  Stack_.push_back({U0, V0, W, H});
  const std::int32_t N = static_cast<std::int32_t>(Items_.size());
  while (!Stack_.empty() && Out.Places.size() < static_cast<std::size_t>(MaxRects)) {
    const TRect R = Stack_.back();
    Stack_.pop_back();
    if (R.W <= 0 || R.H <= 0) continue;
    std::int32_t BestItem = -1;
    TOrient BestO;
    TWide BestSlack = 0;
    for (std::int32_t i = 0; i < N; ++i) {
      if (Left_[static_cast<std::size_t>(i)] <= 0) continue;
      if (BestItem >= 0 && Values[static_cast<std::size_t>(i)] < Values[static_cast<std::size_t>(BestItem)]) continue;
      for (std::uint8_t Rot = 0; Rot < 2; ++Rot) {
        const TOrient O = Orient(F, i, Rot);
        if (!O.Ok || O.U > R.W || O.V > R.H) continue;
        const TWide Slack = std::min(R.W - O.U, R.H - O.V);
        const bool Higher = BestItem < 0 || Values[static_cast<std::size_t>(i)] > Values[static_cast<std::size_t>(BestItem)];
        if (Higher || (i == BestItem && Slack < BestSlack)) {
          BestItem = i;
          BestO = O;
          BestSlack = Slack;
        }
      }
    }
    Work += N;
    if (BestItem < 0) continue;
    Put(F, BestItem, BestO, R.U, R.V, Values, Out);
    const TWide dW = R.W - BestO.U, dH = R.H - BestO.V;
    // Split A: cut across the length first (right part full height); split
    // B: across the height first (top part full length). Keep the larger
    // free rectangle whole.
    const double AreaA = std::max(static_cast<double>(dW) * static_cast<double>(R.H),
                                  static_cast<double>(BestO.U) * static_cast<double>(dH));
    const double AreaB = std::max(static_cast<double>(R.W) * static_cast<double>(dH),
                                  static_cast<double>(dW) * static_cast<double>(BestO.V));
    TRect Right, Top;
    if (AreaA >= AreaB) {
      Right = {R.U + BestO.U, R.V, dW, R.H};
      Top = {R.U, R.V + BestO.V, BestO.U, dH};
    } else {
      Right = {R.U + BestO.U, R.V, dW, BestO.V};
      Top = {R.U, R.V + BestO.V, R.W, dH};
    }
    const double RightArea = static_cast<double>(Right.W) * static_cast<double>(Right.H);
    const double TopArea = static_cast<double>(Top.W) * static_cast<double>(Top.H);
    if (RightArea >= TopArea) {
      Stack_.push_back(Top);
      Stack_.push_back(Right);
    } else {
      Stack_.push_back(Right);
      Stack_.push_back(Top);
    }
  }
}

// Marks in Chosen_ the strip heights of the best combination of estimated
// strips (each as often as its Support allows) within RemV; all stay
// chosen when the combination is empty.
void TGenerator::CombineStrips(TWide RemV) {
  const TWide Step = std::max<TWide>(1, (RemV + StripSteps - 1) / StripSteps);
  const std::size_t Cap = static_cast<std::size_t>(RemV / Step);
  const std::size_t Row = Cap + 1;
  Used_.clear();
  for (std::size_t h = 0; h < Heights_.size(); ++h) {
    if (Est_[h] <= 0) continue;
    const TWide Copies = std::min<TWide>(Support_[h], RemV / Heights_[h]);
    for (TWide c = 0; c < Copies; ++c) Used_.push_back(static_cast<std::int32_t>(h));
  }
  if (Used_.empty()) return;
  Best_.assign(Row, 0.0);
  Take_.assign(Used_.size() * Row, 0);
  for (std::size_t j = 0; j < Used_.size(); ++j) {
    const std::size_t h = static_cast<std::size_t>(Used_[j]);
    const std::size_t w = static_cast<std::size_t>((Heights_[h] + Step - 1) / Step);
    if (w > Cap) continue;
    std::uint8_t* T = Take_.data() + j * Row;
    for (std::size_t c = Cap; c >= w; --c) {
      const double Cand = Best_[c - w] + Est_[h];
      if (Cand > Best_[c]) {
        Best_[c] = Cand;
        T[c] = 1;
      }
      if (c == w) break;
    }
  }
  Work += static_cast<std::int64_t>(Used_.size() * Row);
  std::fill(Chosen_.begin(), Chosen_.end(), 0);
  bool Any = false;
  std::size_t c = Cap;
  for (std::size_t j = Used_.size(); j-- > 0;) {
    if (!Take_[j * Row + c]) continue;
    const std::size_t h = static_cast<std::size_t>(Used_[j]);
    Chosen_[h] = 1;
    Any = true;
    c -= static_cast<std::size_t>((Heights_[h] + Step - 1) / Step);
  }
  if (!Any) std::fill(Chosen_.begin(), Chosen_.end(), 1);
}

bool TGenerator::Fill(const TFrame& F, const std::vector<double>& Values, const TGenParams& Params,
                      std::int32_t Forced, TPattern& Out) {
  const std::int32_t N = static_cast<std::int32_t>(Items_.size());
  TWide VPos = 0;
  const double Bias = Params.HeightBias * static_cast<double>(F.V);
  while (Out.Places.size() < static_cast<std::size_t>(MaxRects)) {
    const TWide RemV = F.V - VPos;
    Heights_.clear();
    Work += N;
    for (std::int32_t i = 0; i < N; ++i) {
      if (Left_[static_cast<std::size_t>(i)] <= 0) continue;
      for (std::uint8_t Rot = 0; Rot < 2; ++Rot) {
        const TOrient O = Orient(F, i, Rot);
        if (O.Ok && O.U <= F.U && O.V <= RemV) Heights_.push_back(O.V);
      }
    }
    if (Heights_.empty()) break;
    std::sort(Heights_.begin(), Heights_.end());
    Heights_.erase(std::unique(Heights_.begin(), Heights_.end()), Heights_.end());
    Est_.assign(Heights_.size(), 0.0);
    Support_.assign(Heights_.size(), 0);
    for (std::size_t h = 0; h < Heights_.size(); ++h) Est_[h] = EstimateStrip(F, Values, Heights_[h], Support_[h]);
    Chosen_.assign(Heights_.size(), 1);
    if (Params.Combine) CombineStrips(RemV);
    // A forced first strip: the Forced-th best by score of all heights,
    // filled exactly.
    const bool Force = VPos == 0 && Forced > 0;
    Order_.clear();
    for (std::size_t h = 0; h < Heights_.size(); ++h)
      if (Est_[h] > 0 && (Chosen_[h] || Force))
        Order_.push_back({Est_[h] / (static_cast<double>(Heights_[h]) + Bias), static_cast<std::int32_t>(h)});
    if (Order_.empty()) break;
    const std::size_t From = Force ? static_cast<std::size_t>(Forced) : 0;
    const std::size_t Top = Force ? From + 1 : std::min<std::size_t>(Order_.size(), static_cast<std::size_t>(std::max(1, Params.ExactStrips)));
    if (Top > Order_.size()) return false;
    std::partial_sort(Order_.begin(), Order_.begin() + static_cast<std::ptrdiff_t>(Top), Order_.end(),
                      [](const auto& a, const auto& b) { return a.first != b.first ? a.first > b.first : a.second < b.second; });
    double BestScore = -1;
    TWide BestH = 0;
    for (std::size_t t = From; t < Top; ++t) {
      const double Value = ExactStrip(F, Values, Heights_[static_cast<std::size_t>(Order_[t].second)], Trial_);
      if (Trial_.empty()) continue;
      TWide H = 0;
      for (const TColumn& C : Trial_) H = std::max<TWide>(H, C.Copies * C.O.V);
      const double Score = Value / (static_cast<double>(H) + Bias);
      if (Score > BestScore) {
        BestScore = Score;
        BestH = H;
        Columns_.swap(Trial_);
      }
    }
    if (BestH <= 0) break;
    // The columns first, then the room above them and at the strip's end,
    // so that a leftover never takes a piece a column counted on.
    Rects_.clear();
    TWide U = 0;
    for (const TColumn& C : Columns_) {
      const std::int32_t Copies = std::min(C.Copies, Left_[static_cast<std::size_t>(C.Item)]);
      std::int32_t Done = 0;
      for (; Done < Copies && Out.Places.size() < static_cast<std::size_t>(MaxRects); ++Done)
        Put(F, C.Item, C.O, U, VPos + Done * C.O.V, Values, Out);
      if (Done == 0) continue;
      Rects_.push_back({U, VPos + Done * C.O.V, C.O.U, BestH - Done * C.O.V});
      U += C.O.U;
    }
    Rects_.push_back({U, VPos, F.U - U, BestH});
    for (const TRect& R : Rects_) FillRect(F, Values, R.U, R.V, R.W, R.H, Out);
    VPos += BestH;
  }
  return true;
}

void TGenerator::Generate(const TSheetKind& Sheet, std::int32_t Kind, const std::vector<std::int32_t>& Counts,
                          const std::vector<double>& Values, const TGenParams& Params, TPattern& Out) {
  Out = TPattern{};
  TPattern Trial;
  for (int Swap = 0; Swap < 2; ++Swap) {
    TFrame F;
    F.Swap = Swap != 0;
    F.U = F.Swap ? Sheet.W : Sheet.L;
    F.V = F.Swap ? Sheet.L : Sheet.W;
    for (std::int32_t Forced = 0; Forced < std::max(1, Params.FirstStrips); ++Forced) {
      Left_ = Counts;
      Trial = TPattern{};
      Trial.Kind = Kind;
      if (!Fill(F, Values, Params, Forced, Trial)) break;
      if (!Trial.Places.empty() && Trial.Value > Out.Value) std::swap(Out, Trial);
    }
  }
}

}  // namespace Optimise
