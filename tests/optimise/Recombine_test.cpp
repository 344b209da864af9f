// Recombination of a pattern pool: the integer program finds the cover the
// sequential chains miss, copies beyond the counts come off the layouts,
// and the stock is honoured.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "Recombine.h"

namespace {

using namespace Optimise;

// Item 0: a 5 x 5 square, whatever is asked of it.
TProblem Squares(std::int32_t Count) {
  TProblem P;
  TItem Square;
  Square.Obj = 1;
  Square.A = Square.B = 5;
  Square.Area = 25;
  P.Items.push_back(Square);
  P.Counts.push_back(Count);
  return P;
}

TSheetKind Sheet(std::int32_t No, TWide Side) {
  TSheetKind S;
  S.Sheet = No;
  S.L = S.W = Side;
  S.Area = static_cast<double>(Side * Side);
  return S;
}

// Squares 0..n-1 of a 2 x 2 grid on sheet kind Kind:
//   +--+--+
//   |2 |3 |
//   +--+--+
//   |0 |1 |
//   +--+--+
TPattern Grid(std::int32_t Kind, std::int32_t n) {
  TPattern P;
  P.Kind = Kind;
  for (std::int32_t k = 0; k < n; ++k) P.Places.push_back({0, 5 * (k % 2), 5 * (k / 2), 0});
  P.Used = 25.0 * n;
  return P;
}

std::int64_t Made(const TSolution& S, std::int32_t Item) {
  std::int64_t n = 0;
  for (const TDraftJob& J : S.Jobs)
    for (const TPlace& Pl : J.Pattern.Places) n += Pl.Item == Item ? J.Count : 0;
  return n;
}

TSolution OnePerSheet(const TProblem& P, TPatternPool& Pool, std::int32_t Kind) {
  TSolution S;
  S.Jobs.push_back({Grid(Kind, 1), P.Counts[0]});
  Pool.Add(S.Jobs[0].Pattern);
  S.Cost.Sheets = P.Counts[0];
  S.Cost.SheetArea = P.Counts[0] * P.Kinds[static_cast<std::size_t>(Kind)].Area;
  S.Cost.Jobs = 1;
  S.Complete = true;
  return S;
}

const std::function<bool(std::int64_t)> Go = [](std::int64_t) { return true; };

TRecombineParams PoolOnly() {
  TRecombineParams R;
  R.Budget = 0;  // no pricing: only what the pool holds
  R.Nodes = 1000;
  return R;
}

TEST(Recombine, FindsTheCoverTheChainMissedAndTakesTheSurplusOff) {
  TProblem P = Squares(3);
  P.Kinds.push_back(Sheet(1, 10));
  P.Stock.push_back(INT64_MAX);
  TPatternPool Pool;
  const TSolution Start = OnePerSheet(P, Pool, 0);
  Pool.Add(Grid(0, 4));
  TSolution Out;
  TRecombineStats Stats;
  Recombine(P, Pool, Start, PoolOnly(), Go, Out, &Stats);
  ASSERT_TRUE(Out.Complete);
  EXPECT_EQ(Out.Cost.Sheets, 1);
  EXPECT_EQ(Out.Cost.SheetArea, 100);
  EXPECT_EQ(Made(Out, 0), 3) << "the fourth square comes off the grid";
  EXPECT_TRUE(Stats.Optimal);
}

TEST(Recombine, HonoursTheStock) {
  // Big sheets hold four squares for 100, small ones one for 36; only one
  // big sheet is left, so eight squares take it and four small ones.
  TProblem P = Squares(8);
  P.Kinds.push_back(Sheet(1, 10));
  P.Kinds.push_back(Sheet(2, 6));
  P.Stock = {1, INT64_MAX};
  TPatternPool Pool;
  const TSolution Start = OnePerSheet(P, Pool, 1);
  Pool.Add(Grid(0, 4));
  TSolution Out;
  Recombine(P, Pool, Start, PoolOnly(), Go, Out);
  ASSERT_TRUE(Out.Complete);
  std::int64_t Big = 0;
  for (const TDraftJob& J : Out.Jobs) Big += J.Pattern.Kind == 0 ? J.Count : 0;
  EXPECT_EQ(Big, 1);
  EXPECT_EQ(Out.Cost.SheetArea, 100 + 4 * 36);
  EXPECT_EQ(Made(Out, 0), 8);
}

TEST(Recombine, NothingBetterThanTheStartIsNoResult) {
  TProblem P = Squares(4);
  P.Kinds.push_back(Sheet(1, 10));
  P.Stock.push_back(INT64_MAX);
  TPatternPool Pool;
  TSolution Start;
  Start.Jobs.push_back({Grid(0, 4), 1});
  Pool.Add(Start.Jobs[0].Pattern);
  Start.Cost.Sheets = 1;
  Start.Cost.SheetArea = 100;
  Start.Cost.Jobs = 1;
  Start.Complete = true;
  Pool.Add(Grid(0, 1));
  TSolution Out;
  Recombine(P, Pool, Start, PoolOnly(), Go, Out);
  EXPECT_FALSE(Out.Complete);
}

TEST(Recombine, AStopEndsWithoutAResult) {
  TProblem P = Squares(3);
  P.Kinds.push_back(Sheet(1, 10));
  P.Stock.push_back(INT64_MAX);
  TPatternPool Pool;
  const TSolution Start = OnePerSheet(P, Pool, 0);
  TRecombineParams R = PoolOnly();
  R.Budget = 1000000;
  TSolution Out;
  Recombine(P, Pool, Start, R, [](std::int64_t) { return false; }, Out);
  EXPECT_FALSE(Out.Complete);
}

TEST(Recombine, SheetsOfFarApartSizesAreLeftAlone) {
  // Areas 1e2 and 1e12 + 2e6 + 1: the costs would span more than the
  // solver's arithmetic holds.
  TProblem P = Squares(3);
  P.Kinds.push_back(Sheet(1, 10));
  P.Kinds.push_back(Sheet(2, 1000001));
  P.Stock = {INT64_MAX, INT64_MAX};
  TPatternPool Pool;
  const TSolution Start = OnePerSheet(P, Pool, 1);
  Pool.Add(Grid(0, 4));
  TSolution Out;
  Recombine(P, Pool, Start, PoolOnly(), Go, Out);
  EXPECT_FALSE(Out.Complete);
}

TEST(PlanFromRepeats, SplitsARepeatedLayoutWhenOnlySomeRepeatsLoseACopy) {
  // Three grids make 12 squares for 10 asked: two of the repeats lose one.
  TProblem P = Squares(10);
  P.Kinds.push_back(Sheet(1, 10));
  P.Stock.push_back(INT64_MAX);
  TPatternPool Pool;
  Pool.Add(Grid(0, 4));
  const TSolution S = PlanFromRepeats(P, Pool, {3});
  ASSERT_TRUE(S.Complete);
  ASSERT_EQ(S.Jobs.size(), 2u);
  EXPECT_EQ(S.Jobs[0].Count, 1);
  EXPECT_EQ(S.Jobs[0].Pattern.Places.size(), 4u);
  EXPECT_EQ(S.Jobs[1].Count, 2);
  EXPECT_EQ(S.Jobs[1].Pattern.Places.size(), 3u);
  EXPECT_EQ(S.Jobs[1].Pattern.Used, 75);
  EXPECT_EQ(Made(S, 0), 10);
  EXPECT_EQ(S.Cost.Sheets, 3);
}

TEST(PlanFromRepeats, WholeRepeatsLoseTheirCopiesAndEmptyLayoutsGo) {
  // A grid twice and a single square four times for 8 asked: the singles
  // are the least used, so they all go, and no layout is split.
  TProblem P = Squares(8);
  P.Kinds.push_back(Sheet(1, 10));
  P.Stock.push_back(INT64_MAX);
  TPatternPool Pool;
  Pool.Add(Grid(0, 4));
  Pool.Add(Grid(0, 1));
  const TSolution S = PlanFromRepeats(P, Pool, {2, 4});
  ASSERT_TRUE(S.Complete);
  ASSERT_EQ(S.Jobs.size(), 1u);
  EXPECT_EQ(S.Jobs[0].Count, 2);
  EXPECT_EQ(S.Cost.Sheets, 2);
  EXPECT_EQ(Made(S, 0), 8);
}

TEST(PlanFromRepeats, ShortCoversAndOverdrawnStockAreNoPlan) {
  TProblem P = Squares(9);
  P.Kinds.push_back(Sheet(1, 10));
  P.Stock.push_back(2);
  TPatternPool Pool;
  Pool.Add(Grid(0, 4));
  EXPECT_FALSE(PlanFromRepeats(P, Pool, {2}).Complete) << "8 squares for 9";
  EXPECT_FALSE(PlanFromRepeats(P, Pool, {3}).Complete) << "3 sheets of 2";
}

TEST(PatternPool, LayoutsWithTheSameCountsAreOneEntry) {
  TPatternPool Pool;
  TPattern a = Grid(0, 2), b = Grid(0, 2), c = Grid(1, 2);
  b.Places[1].Y = 5;  // another layout, the same counts
  b.Places[1].X = 0;
  EXPECT_EQ(Pool.Add(a), 0);
  EXPECT_EQ(Pool.Add(b), 0);
  EXPECT_EQ(Pool.Add(c), 1) << "another sheet kind";
  EXPECT_EQ(Pool.Add(TPattern{}), -1);
  EXPECT_EQ(Pool.Find(b), 0);
  ASSERT_EQ(Pool.Copies[0].size(), 1u);
  EXPECT_EQ(Pool.Copies[0][0], (std::pair<std::int32_t, std::int32_t>{0, 2}));
}

}  // namespace

namespace {

// A chain whose rounds find nothing to cut (no sheet in stock, or nothing
// that fits) ends after one round instead of spending its budget on rounds
// that are all the same, or never ending where they do no work at all.
TEST(RunChain, RoundsThatCutNothingEndTheChain) {
  for (const bool NoStock : {true, false}) {
    TProblem P = Squares(4);
    P.Kinds.push_back(Sheet(1, NoStock ? 10 : 4));  // a 4 x 4 sheet holds no 5 x 5 square
    P.Stock.push_back(NoStock ? 0 : std::int64_t{1} << 40);
    TChainParams Params;
    Params.Budget = std::int64_t{1} << 40;
    TChainHooks Hooks;
    Hooks.Tick = Go;
    TSolution Best;
    const std::int64_t Work = RunChain(P, Params, Hooks, Best, nullptr);
    EXPECT_LT(Work, Params.Budget) << NoStock;
    ASSERT_TRUE(Best.Complete) << NoStock;
    EXPECT_EQ(Best.Cost.PendingPieces, 4) << NoStock;
    EXPECT_TRUE(Best.Jobs.empty()) << NoStock;
  }
}

}  // namespace
