// The guillotine knapsack: layouts inside the sheet, without overlaps,
// within the counts, and better than strips where more stages pay.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "Knapsack.h"

namespace {

using namespace Optimise;

TItem Item(std::int32_t Obj, TWide A, TWide B) {
  TItem It;
  It.Obj = Obj;
  It.A = A;
  It.B = B;
  It.Area = static_cast<double>(A * B);
  return It;
}

TSheetKind Sheet(TWide L, TWide W) {
  TSheetKind S;
  S.L = L;
  S.W = W;
  S.Area = static_cast<double>(L * W);
  return S;
}

// Inside the sheet, no two pieces overlapping, no item beyond its count.
void ExpectValid(const TPattern& P, const std::vector<TItem>& Items, const TSheetKind& S,
                 const std::vector<std::int32_t>& Counts) {
  std::vector<std::int32_t> Used(Items.size(), 0);
  struct TBox {
    TWide X0, Y0, X1, Y1;
  };
  std::vector<TBox> Boxes;
  for (const TPlace& Pl : P.Places) {
    const TItem& It = Items[static_cast<std::size_t>(Pl.Item)];
    const TWide U = Pl.Rot ? It.B : It.A, V = Pl.Rot ? It.A : It.B;
    const TBox B{Pl.X, Pl.Y, Pl.X + U, Pl.Y + V};
    EXPECT_TRUE(B.X0 >= 0 && B.Y0 >= 0 && B.X1 <= S.L && B.Y1 <= S.W);
    for (const TBox& O : Boxes) EXPECT_FALSE(B.X0 < O.X1 && O.X0 < B.X1 && B.Y0 < O.Y1 && O.Y0 < B.Y1);
    Boxes.push_back(B);
    ++Used[static_cast<std::size_t>(Pl.Item)];
  }
  for (std::size_t i = 0; i < Items.size(); ++i) EXPECT_LE(Used[i], Counts[i]);
}

TEST(GuillotineDp, FillsASheetWithMoreThanTwoStages) {
  // Full only with three stages of cuts:
  //   +------+----+
  //   |  B   | C  |
  //   +--+---+    |
  //   |A |A  |    |
  //   +--+---+----+
  const std::vector<TItem> Items{Item(1, 3, 2), Item(2, 6, 3), Item(3, 4, 5)};
  const TSheetKind S = Sheet(10, 5);
  const std::vector<std::int32_t> Counts{2, 1, 1};
  TGuillotineDp Dp(Items);
  ASSERT_TRUE(Dp.Prepare(S, Counts));
  TPattern P;
  Dp.Solve(0, Counts, {6, 18, 20}, P);
  ExpectValid(P, Items, S, Counts);
  EXPECT_EQ(P.Places.size(), 4u);
  EXPECT_DOUBLE_EQ(P.Used, 50);
  EXPECT_EQ(P.Kind, 0);
}

TEST(GuillotineDp, KeepsToTheCountsAndTheTurnLocks) {
  // Squares of 2 fill a 6 x 4 sheet six times over, but only four are at
  // hand; the long piece fits only turned, which it may not be.
  std::vector<TItem> Items{Item(1, 2, 2), Item(2, 1, 5)};
  Items[1].Allowed[1] = false;
  const TSheetKind S = Sheet(6, 4);
  const std::vector<std::int32_t> Counts{4, 3};
  TGuillotineDp Dp(Items);
  ASSERT_TRUE(Dp.Prepare(S, Counts));
  TPattern P;
  Dp.Solve(0, Counts, {4, 5}, P);
  ExpectValid(P, Items, S, Counts);
  EXPECT_EQ(P.Places.size(), 4u);
  for (const TPlace& Pl : P.Places) EXPECT_EQ(Pl.Item, 0);
}

TEST(GuillotineDp, NothingToCutIsNoLayoutAndHugeSheetsAreDeclined) {
  const std::vector<TItem> Items{Item(1, 2, 2), Item(2, 7, 7)};
  TGuillotineDp Dp(Items);
  EXPECT_FALSE(Dp.Prepare(Sheet(6, 6), {0, 1})) << "nothing fits";
  ASSERT_TRUE(Dp.Prepare(Sheet(6, 6), {1, 1}));
  TPattern P;
  Dp.Solve(0, {0, 1}, {1, 1}, P);
  EXPECT_EQ(P.Kind, -1) << "the square is not at hand";
  EXPECT_TRUE(P.Places.empty());
  EXPECT_FALSE(Dp.Prepare(Sheet(TGuillotineDp::MaxSide + 1, 6), {1, 1}));
}

TEST(GuillotineDp, AtMostMaxRectsPieces) {
  const std::vector<TItem> Items{Item(1, 1, 1)};
  const TSheetKind S = Sheet(20, 20);
  const std::vector<std::int32_t> Counts{400};
  TGuillotineDp Dp(Items);
  ASSERT_TRUE(Dp.Prepare(S, Counts));
  TPattern P;
  Dp.Solve(0, Counts, {1}, P);
  ExpectValid(P, Items, S, Counts);
  EXPECT_EQ(P.Places.size(), static_cast<std::size_t>(MaxRects));
  EXPECT_DOUBLE_EQ(P.Used, MaxRects);
}

}  // namespace
