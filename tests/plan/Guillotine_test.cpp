// Through cuts for rigid material.
#include <gtest/gtest.h>

#include <vector>

#include "CalcPlan.h"
#include "support/TestData.h"

namespace {

struct TBlock {
  TLength X, Y, Length, Width;
  bool Turned = false;
};

// A task whose piece k is block k, and a layout placing every block.
struct TFixture {
  std::unique_ptr<TPlan> Task = testdata::NewTask();
  std::unique_ptr<TJob> Layout = std::make_unique<TJob>();

  TFixture(TLength Knife, const std::vector<TBlock>& Blocks) {
    Task->KnifeWidth = Knife;
    AddSrcRect(*Task, TSrcRect{"S", 1000, 1000});
    Layout->SheetNo = 1;
    Layout->PointCount = 1;
    for (const TBlock& B : Blocks) {
      AddObjPlan(*Task, TObjPlan{"P", B.Length, B.Width, 1, 1});
      Layout->Rects[++Layout->RectCount] = {Task->ObjCount, B.X, B.Y, static_cast<std::uint8_t>(B.Turned)};
    }
  }
  bool Guillotine() const { return IsGuillotine(*Task, *Layout); }
};

std::vector<TLength> XsOf(const TJob& Half) {
  std::vector<TLength> Xs;
  for (std::int32_t k = 1; k <= Half.RectCount; ++k) Xs.push_back(Half.Rects[k].X * 1000 + Half.Rects[k].Y);
  return Xs;
}

TEST(Guillotine, UpToThreePiecesAreAlwaysAccepted) {
  EXPECT_TRUE(TFixture(0, {}).Guillotine());
  EXPECT_TRUE(TFixture(0, {{0, 0, 10, 10}}).Guillotine());
  EXPECT_TRUE(TFixture(0, {{0, 0, 10, 10}, {5, 5, 10, 10}}).Guillotine()) << "not even checked";
  EXPECT_TRUE(TFixture(0, {{0, 0, 20, 10}, {20, 0, 10, 20}, {10, 20, 20, 10}}).Guillotine());
}

//  +----+---------+
//  | D  |    C    |      four pieces around a free square: no straight
//  |    +----+----+      line crosses the sheet without cutting one
//  |    |    |    |
//  +----+----+ B  |
//  |    A    |    |
//  +---------+----+
TEST(Guillotine, PinwheelIsRejected) {
  const std::vector<TBlock> Pinwheel{{0, 0, 20, 10}, {20, 0, 10, 20}, {10, 20, 20, 10}, {0, 10, 10, 20}};
  EXPECT_FALSE(TFixture(0, Pinwheel).Guillotine());
  auto WithNeighbour = Pinwheel;
  WithNeighbour.push_back({100, 0, 10, 10});
  EXPECT_FALSE(TFixture(0, WithNeighbour).Guillotine()) << "a cut frees the neighbour, the pinwheel stays";
}

TEST(Guillotine, RowsWithDifferentStartsAreCutAcrossYFirst) {
  EXPECT_TRUE(TFixture(0, {{0, 0, 30, 10}, {30, 0, 20, 10}, {0, 10, 20, 10}, {20, 10, 30, 10}}).Guillotine());
}

//  +----+            two columns whose rows are staggered, so that no cut
//  | L2 |  +----+     across Y passes; only the cut across X between the
//  +----+  | R2 |     columns can separate them, and it needs the gap g to
//  +----+  +----+     hold the knife's path (g >= K).
//  | L1 |  | R1 |
//  +----+  +----+
TEST(Guillotine, KnifePathLiesOnTheLowSideOfTheCut) {
  const TLength K = 5;
  auto Columns = [&](TLength Gap) {
    const TLength R = 10 + Gap;
    return TFixture(K, {{0, 0, 10, 10}, {0, 10 + K, 10, 10}, {R, 5, 10, 10}, {R, 15 + K, 10, 10}}).Guillotine();
  };
  EXPECT_TRUE(Columns(K)) << "a gap of exactly K";
  EXPECT_FALSE(Columns(K - 1)) << "a gap of K - 1 leaves no room for the knife";
  EXPECT_TRUE(Columns(K + 1));
}

TEST(Guillotine, TurnedPiecesUseTheirTurnedExtents) {
  // Four copies of a 20 x 10 piece; turning two of them closes a pinwheel.
  std::vector<TBlock> Blocks{{0, 0, 20, 10}, {20, 0, 20, 10, true}, {10, 20, 20, 10}, {0, 10, 20, 10, true}};
  EXPECT_FALSE(TFixture(0, Blocks).Guillotine());
  Blocks[1].Turned = false;  // B now lies flat beside A: cut across Y at 10
  EXPECT_TRUE(TFixture(0, Blocks).Guillotine());
}

TEST(FindGuillotineCut, FirstCutAcrossXInListOrderSplitsTheList) {
  // 2 x 2 grid listed top-left, top-right, bottom-left, bottom-right.
  TFixture F(0, {{0, 10, 10, 10}, {10, 10, 10, 10}, {0, 0, 10, 10}, {10, 0, 10, 10}});
  auto High = std::make_unique<TJob>(), Low = std::make_unique<TJob>();
  ASSERT_TRUE(FindGuillotineCut(*F.Task, *F.Layout, *High, *Low));
  EXPECT_EQ(XsOf(*High), (std::vector<TLength>{10010, 10000}));
  EXPECT_EQ(XsOf(*Low), (std::vector<TLength>{10, 0}));

  // Pieces overlapping along X can only be cut across Y.
  TFixture Column(0, {{0, 10, 10, 10}, {5, 0, 10, 10}});
  ASSERT_TRUE(FindGuillotineCut(*Column.Task, *Column.Layout, *High, *Low));
  EXPECT_EQ(XsOf(*High), (std::vector<TLength>{10}));
  EXPECT_EQ(XsOf(*Low), (std::vector<TLength>{5000}));

  TFixture Pinwheel(0, {{0, 0, 20, 10}, {20, 0, 10, 20}, {10, 20, 20, 10}, {0, 10, 10, 20}});
  EXPECT_FALSE(FindGuillotineCut(*Pinwheel.Task, *Pinwheel.Layout, *High, *Low));
}

TEST(Guillotine, CoordinatesNearTheSixtyFourBitLimits) {
  TFixture F(INT64_MAX, {{0, 0, 10, 10}, {INT64_MAX - 10, 0, 10, 10}, {0, INT64_MAX - 10, 10, 10},
                         {INT64_MAX - 10, INT64_MAX - 10, 10, 10}});
  EXPECT_FALSE(F.Guillotine()) << "no knife path of that width fits between them";
  F.Task->KnifeWidth = 0;
  EXPECT_TRUE(F.Guillotine());
}

}  // namespace
