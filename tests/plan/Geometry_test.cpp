// Utilisation, the overlap test and corner-point placement.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "CalcPlan.h"
#include "support/TestData.h"

namespace {

using testdata::NewTask;

// A task with one sheet and the given pieces (each pending 10 times).
std::unique_ptr<TPlan> Sheet(TLength Length, TLength Width, TLength Knife,
                             std::vector<std::pair<TLength, TLength>> Pieces) {
  auto Task = NewTask(1, Knife);
  AddSrcRect(*Task, TSrcRect{"S", Length, Width});
  for (auto [L, W] : Pieces) AddObjPlan(*Task, TObjPlan{"P", L, W, 10, 10});
  return Task;
}

// A layout on sheet 1 holding only the given corner points.
std::unique_ptr<TJob> Layout(std::vector<TCornerPoint> Points) {
  auto Job = std::make_unique<TJob>();
  Job->SheetNo = 1;
  for (const TCornerPoint& P : Points) Job->Points[++Job->PointCount] = P;
  return Job;
}

std::unique_ptr<TJob> StartLayout() { return Layout({{0, 0, pkMinMin}}); }

std::vector<TCornerPoint> PointsOf(const TJob& Job) {
  std::vector<TCornerPoint> Result;
  for (std::int32_t k = 1; k <= Job.PointCount; ++k) Result.push_back(Job.Points[k]);
  return Result;
}

MATCHER_P3(IsPoint, X, Y, Kind, "") { return arg.X == X && arg.Y == Y && arg.Kind == Kind; }

using ::testing::ElementsAre;

TEST(Utilisation, UsedAreaIsSummedInSinglePrecision) {
  // 2^24 + ten unit pieces: every +1 is lost in single precision.
  std::vector<std::pair<TLength, TLength>> Pieces{{4096, 4096}};
  auto Task = Sheet(8192, 4096, 0, Pieces);
  AddObjPlan(*Task, TObjPlan{"unit", 1, 1, 10, 10});
  auto Job = StartLayout();
  Job->Count = 3;
  Job->Rects[++Job->RectCount] = {1, 0, 0, 0};
  for (int k = 0; k < 10; ++k) Job->Rects[++Job->RectCount] = {2, 4096 + k * 2, 0, 0};
  EXPECT_EQ(CalcJobRate(*Task, *Job), 0.5f);
  EXPECT_EQ(Job->Rate, 0.5f) << "the rate is stored in the job";

  Task->JobCount = 1;
  Task->Jobs[1] = *Job;
  const float Total = CalcTotalRate(*Task);
  EXPECT_EQ(Total, static_cast<float>((16777216.0 + 10) / 33554432.0)) << "the total is summed in double";
  EXPECT_GT(Total, 0.5f);
  EXPECT_EQ(Task->TotalRate, Total);
}

TEST(Utilisation, EmptyZeroAreaTurnedAndRepeatedLayouts) {
  auto Task = Sheet(1000, 500, 0, {{300, 100}});
  auto Job = StartLayout();
  EXPECT_EQ(CalcJobRate(*Task, *Job), 0.0f) << "no pieces";
  Job->Rects[++Job->RectCount] = {1, 0, 0, 1};
  EXPECT_EQ(CalcJobRate(*Task, *Job), 0.06f) << "a turned piece has the same area";
  AddSrcRect(*Task, TSrcRect{"flat", 1000, 0});
  Job->SheetNo = 2;
  EXPECT_EQ(CalcJobRate(*Task, *Job), -1.0f) << "a sheet of area 0";

  EXPECT_EQ(CalcTotalRate(*Task), 0.0f) << "no jobs";
  // Job 1 cut 3 times at 6% and job 2 once at 12%: (3*3 + 6) / (4 * 50).
  Task->JobCount = 2;
  Task->Jobs[1] = *Job;
  Task->Jobs[1].SheetNo = 1;
  Task->Jobs[1].Count = 3;
  Task->Jobs[2] = Task->Jobs[1];
  Task->Jobs[2].Count = 1;
  Task->Jobs[2].Rects[++Task->Jobs[2].RectCount] = {1, 400, 0, 0};
  EXPECT_EQ(CalcTotalRate(*Task), static_cast<float>(150000.0 / 2000000.0));
}

TEST(Utilisation, HugeSizesGiveDefinedRates) {
  auto Task = Sheet(INT64_MAX, INT64_MAX, 0, {{INT64_MAX, INT64_MAX}});
  auto Job = StartLayout();
  Job->Rects[++Job->RectCount] = {1, 0, 0, 0};
  EXPECT_EQ(CalcJobRate(*Task, *Job), 1.0f);
  Task->SrcRects[1].Width = INT64_MIN;
  EXPECT_EQ(CalcJobRate(*Task, *Job), -1.0f);
}

TEST(RectsOverlap, InteriorsMustIntersectOnBothAxes) {
  // Footprint 10..20 x 10..20 against tested rectangles.
  auto Overlap = [](TWide NX1, TWide NY1, TWide NX2, TWide NY2) {
    return RectsOverlap(10, 10, 20, 20, NX1, NY1, NX2, NY2);
  };
  EXPECT_TRUE(Overlap(15, 15, 25, 25));
  EXPECT_TRUE(Overlap(0, 0, 30, 30)) << "containing";
  EXPECT_TRUE(Overlap(12, 12, 13, 13)) << "contained";
  EXPECT_TRUE(Overlap(19, 0, 21, 11));
  EXPECT_FALSE(Overlap(20, 10, 30, 20)) << "touching on the right";
  EXPECT_FALSE(Overlap(0, 10, 10, 20)) << "touching on the left";
  EXPECT_FALSE(Overlap(10, 20, 20, 30)) << "touching above";
  EXPECT_FALSE(Overlap(10, 0, 20, 10)) << "touching below";
  EXPECT_FALSE(Overlap(20, 20, 30, 30)) << "touching at a corner";
  EXPECT_FALSE(Overlap(15, 25, 16, 26)) << "apart along Y only";
  // The test is one-sided: a tested rectangle starting at the footprint's
  // low edge overlaps whenever it reaches past it, even a footprint of no
  // width.
  EXPECT_TRUE(RectsOverlap(10, 10, 10, 20, 10, 10, 11, 11));
  EXPECT_FALSE(RectsOverlap(10, 10, 10, 20, 11, 10, 12, 11));
}

TEST(RectsOverlap, ValuesBeyondSixtyFourBits) {
  const TWide Big = TWide{INT64_MAX} * 4;
  EXPECT_TRUE(RectsOverlap(0, 0, INT64_MAX, INT64_MAX, INT64_MAX - 1, -Big, Big, Big));
  EXPECT_FALSE(RectsOverlap(0, 0, INT64_MAX, INT64_MAX, INT64_MAX, -Big, Big, Big));
}

TEST(PlacePiece, FirstPieceOnAnEmptySheetWithKnifeWidth) {
  auto Task = Sheet(1000, 500, 5, {{300, 200}});
  auto Job = StartLayout();
  ASSERT_TRUE(PieceFits(*Task, *Job, 1, 0, 1));
  PlacePiece(*Task, *Job, 1, 0, 1);
  EXPECT_EQ(Task->ObjPlans[1].Pending, 9);
  ASSERT_EQ(Job->RectCount, 1);
  EXPECT_EQ(Job->Rects[1].ObjNo, 1);
  EXPECT_EQ(Job->Rects[1].Rotated, 0);
  EXPECT_THAT(PointsOf(*Job), ElementsAre(IsPoint(0, 0, pkDead), IsPoint(305, 0, pkMinMin),
                                          IsPoint(0, 205, pkMinMin), IsPoint(305, 200, pkMinMax),
                                          IsPoint(300, 205, pkMaxMin)));
}

TEST(PlacePiece, FirstPieceWithoutKnifeWidthKeepsThePointsOnItsCorners) {
  auto Task = Sheet(1000, 500, 0, {{300, 200}});
  auto Job = StartLayout();
  PlacePiece(*Task, *Job, 1, 0, 1);
  // Each corner is marked dead before the points of its step group are
  // appended, so the points appended on the corners stay live.
  EXPECT_THAT(PointsOf(*Job),
              ElementsAre(IsPoint(0, 0, pkDead), IsPoint(0, 0, pkMaxMin), IsPoint(0, 0, pkMinMax),
                          IsPoint(300, 0, pkMinMin), IsPoint(300, 0, pkMaxMax), IsPoint(0, 200, pkMaxMax),
                          IsPoint(0, 200, pkMinMin), IsPoint(300, 200, pkMinMax), IsPoint(300, 200, pkMaxMin)));
}

//   y
//  60 +   .       .          points o on the corners die, x strictly inside
//     |  +---------+         the piece grown by K die, points on the grown
//  50 |  |  piece  |         border live; the eight new points appear in the
//     |  |         |         order of the twelve steps.
//  40 |  +---------+
//     +------------------ x
//       100       120
TEST(PlacePiece, AllTwelveStepsInTheirOrder) {
  auto Task = Sheet(1000, 1000, 3, {{20, 10}});
  auto Job = Layout({{100, 40, pkMinMin},   // 1 the anchor, a corner
                     {120, 40, pkMinMax},   // 2 corner
                     {100, 50, pkMaxMin},   // 3 corner
                     {120, 50, pkMaxMax},   // 4 corner
                     {110, 45, pkMinMin},   // 5 inside
                     {122, 52, pkMinMin},   // 6 inside the grown piece
                     {123, 45, pkMinMin},   // 7 on the grown border: lives
                     {90, 40, pkMinMin}});  // 8 outside
  ASSERT_TRUE(PieceFits(*Task, *Job, 1, 0, 1));
  PlacePiece(*Task, *Job, 1, 0, 1);
  EXPECT_THAT(PointsOf(*Job),
              ElementsAre(IsPoint(100, 40, pkDead), IsPoint(120, 40, pkDead), IsPoint(100, 50, pkDead),
                          IsPoint(120, 50, pkDead), IsPoint(110, 45, pkDead), IsPoint(122, 52, pkDead),
                          IsPoint(123, 45, pkMinMin), IsPoint(90, 40, pkMinMin),
                          // steps 2, 3, 5, 6, 8, 9, 11, 12
                          IsPoint(97, 40, pkMaxMin), IsPoint(100, 37, pkMinMax), IsPoint(123, 40, pkMinMin),
                          IsPoint(120, 37, pkMaxMax), IsPoint(97, 50, pkMaxMax), IsPoint(100, 53, pkMinMin),
                          IsPoint(123, 50, pkMinMax), IsPoint(120, 53, pkMaxMin)));
}

TEST(PlacePiece, AnchorKindsTurnedPiecesAndPointsInsideEarlierPieces) {
  auto Task = Sheet(1000, 1000, 0, {{30, 10}});
  auto Job = Layout({{500, 500, pkMaxMax}, {500, 300, pkMinMax}, {300, 500, pkMaxMin}, {700, 700, pkMinMin}});
  PlacePiece(*Task, *Job, 1, 1, 1);  // turned: 10 along X, 30 along Y, ending at the point
  EXPECT_EQ(Job->Rects[1].X, 490);
  EXPECT_EQ(Job->Rects[1].Y, 470);
  EXPECT_EQ(Job->Rects[1].Rotated, 1);
  ASSERT_TRUE(PieceFits(*Task, *Job, 2, 0, 1));
  PlacePiece(*Task, *Job, 2, 0, 1);  // low X, high Y corner on the point
  EXPECT_EQ(Job->Rects[2].X, 500);
  EXPECT_EQ(Job->Rects[2].Y, 290);
  ASSERT_TRUE(PieceFits(*Task, *Job, 3, 0, 1));
  PlacePiece(*Task, *Job, 3, 0, 1);  // high X, low Y corner on the point
  EXPECT_EQ(Job->Rects[3].X, 270);
  EXPECT_EQ(Job->Rects[3].Y, 500);
  // No point may be appended strictly inside any placed piece.
  for (std::int32_t k = 5; k <= Job->PointCount; ++k)
    for (std::int32_t r = 1; r <= Job->RectCount; ++r) {
      const TPlacedRect& R = Job->Rects[r];
      const TObjPlan& O = Task->ObjPlans[R.ObjNo];
      const TCornerPoint& P = Job->Points[k];
      EXPECT_FALSE(R.X < P.X && P.X < R.X + ExtentX(O, R.Rotated) && R.Y < P.Y && P.Y < R.Y + ExtentY(O, R.Rotated))
          << "point " << k << " inside piece " << r;
    }
}

TEST(PieceFits, SheetEdgesPendingCountsAndOrientation) {
  auto Task = Sheet(1000, 500, 0, {{1000, 500}, {500, 500}, {200, 100}});
  auto Job = StartLayout();
  EXPECT_TRUE(PieceFits(*Task, *Job, 1, 0, 1)) << "exactly as large as the sheet";
  EXPECT_FALSE(PieceFits(*Task, *Job, 1, 1, 1)) << "turned it is too long for the width";
  EXPECT_TRUE(PieceFits(*Task, *Job, 1, 1, 2)) << "a square fits turned";
  Task->ObjPlans[3].Pending = 0;
  EXPECT_FALSE(PieceFits(*Task, *Job, 1, 0, 3)) << "nothing pending";

  // A point on the far border anchors pieces that reach back into the sheet.
  auto Far = Layout({{1000, 0, pkMaxMin}, {1000, 500, pkMaxMax}, {1000, 0, pkMinMin}, {0, 500, pkMinMax},
                     {999, 0, pkMaxMin}});
  EXPECT_TRUE(PieceFits(*Task, *Far, 1, 0, 2));
  EXPECT_TRUE(PieceFits(*Task, *Far, 2, 0, 2));
  EXPECT_FALSE(PieceFits(*Task, *Far, 3, 0, 2)) << "would start at the far border and leave the sheet";
  EXPECT_TRUE(PieceFits(*Task, *Far, 4, 0, 2));
  EXPECT_FALSE(PieceFits(*Task, *Far, 5, 0, 1)) << "would start before 0";
}

TEST(PieceFits, KnifeWidthBetweenPieces) {
  // Piece 1 at 0..100 x 0..50 with K = 5; the others are anchored by their
  // far corners so that the points lie outside the grown piece and live.
  auto Task = Sheet(1000, 500, 5, {{100, 50}});
  auto Job = Layout({{0, 0, pkMinMin},
                     {205, 0, pkMaxMin},     // starts at x 105
                     {204, 0, pkMaxMin},     // starts at x 104
                     {50, 105, pkMinMax},    // starts at y 55
                     {50, 104, pkMinMax},    // starts at y 54
                     {205, 105, pkMaxMax},   // starts at (105, 55)
                     {204, 104, pkMaxMax}});  // starts at (104, 54)
  PlacePiece(*Task, *Job, 1, 0, 1);
  EXPECT_TRUE(PieceFits(*Task, *Job, 2, 0, 1)) << "exactly K apart along X";
  EXPECT_FALSE(PieceFits(*Task, *Job, 3, 0, 1)) << "K - 1 apart along X";
  EXPECT_TRUE(PieceFits(*Task, *Job, 4, 0, 1)) << "K apart along Y, overlapping along X";
  EXPECT_FALSE(PieceFits(*Task, *Job, 5, 0, 1)) << "K - 1 apart along Y";
  EXPECT_TRUE(PieceFits(*Task, *Job, 6, 0, 1)) << "K apart along both";
  EXPECT_FALSE(PieceFits(*Task, *Job, 7, 0, 1)) << "closer than K along both axes";
}

TEST(PieceFits, TurnedPieceBlocksByItsTurnedFootprint) {
  // Piece 300 x 100 turned at the origin covers 0..100 x 0..300.
  auto Task = Sheet(1000, 1000, 0, {{300, 100}});
  auto Job = Layout({{0, 0, pkMinMin}, {400, 0, pkMaxMin}, {150, 50, pkMinMin}, {199, 599, pkMaxMax}});
  PlacePiece(*Task, *Job, 1, 1, 1);
  EXPECT_TRUE(PieceFits(*Task, *Job, 2, 0, 1)) << "touching its right edge";
  EXPECT_TRUE(PieceFits(*Task, *Job, 3, 0, 1)) << "where the unturned piece would have been";
  EXPECT_FALSE(PieceFits(*Task, *Job, 4, 1, 1)) << "reaching into its turned footprint";
}

TEST(PieceFits, SizesNearTheLimitsOfSixtyFourBits) {
  auto Task = Sheet(INT64_MAX, INT64_MAX, INT64_MAX, {{INT64_MAX, 1}, {1, 1}});
  auto Job = StartLayout();
  EXPECT_TRUE(PieceFits(*Task, *Job, 1, 0, 1));
  PlacePiece(*Task, *Job, 1, 0, 1);  // every new point lies beyond the sheet
  EXPECT_THAT(PointsOf(*Job), ElementsAre(IsPoint(0, 0, pkDead)));
  auto Far = Layout({{INT64_MAX, INT64_MAX, pkMinMin}, {INT64_MAX, INT64_MAX, pkMaxMax}});
  EXPECT_FALSE(PieceFits(*Task, *Far, 1, 0, 2)) << "its far edge lies past the 64-bit range";
  EXPECT_TRUE(PieceFits(*Task, *Far, 2, 0, 2));

  // Negative sizes (only a file can hold them): a piece fits only with both
  // of its ends on the sheet.
  auto Negative = Sheet(100, 100, INT64_MIN, {{INT64_MIN, INT64_MIN}, {-5, 10}});
  auto Start = Layout({{0, 0, pkMinMin}, {50, 0, pkMinMin}, {50, 0, pkMinMax}});
  EXPECT_FALSE(PieceFits(*Negative, *Start, 1, 1, 1));
  EXPECT_FALSE(PieceFits(*Negative, *Start, 1, 0, 2)) << "would reach back to x -5";
  EXPECT_FALSE(PieceFits(*Negative, *Start, 3, 1, 1)) << "its corner would lie at y 2^63";
  ASSERT_TRUE(PieceFits(*Negative, *Start, 2, 0, 2));
  PlacePiece(*Negative, *Start, 2, 0, 2);
  EXPECT_EQ(CheckLayout(*Negative, *Start), "");
}

TEST(Limits, FullPointListDropsNewPointsAndTheLayoutStaysValid) {
  // Unit pieces without knife width: every placement appends up to eight
  // points, so the list fills long before the pieces run out.
  auto Task = Sheet(1000, 1000, 0, {{1, 1}});
  Task->ObjPlans[1].Pending = 1000;
  auto Job = StartLayout();
  for (std::int32_t j = 1; j <= Job->PointCount; ++j)
    if (Job->Points[j].Kind != pkDead && PieceFits(*Task, *Job, j, 0, 1)) PlacePiece(*Task, *Job, j, 0, 1);
  EXPECT_EQ(Job->PointCount, MaxPoints);
  EXPECT_GT(Job->RectCount, 60);
  EXPECT_EQ(Task->ObjPlans[1].Pending, 1000 - Job->RectCount);
  Task->RigidFlag = false;
  EXPECT_EQ(CheckLayout(*Task, *Job), "");

  // Dead-marking still reaches the points of a full list.
  auto Full = StartLayout();
  Full->PointCount = MaxPoints;
  for (std::int32_t k = 1; k <= MaxPoints; ++k) Full->Points[k] = {k, 0, pkMinMin};
  AddCornerPoint(*Task, *Full, pkMinMin, 999, 999);
  EXPECT_EQ(Full->PointCount, MaxPoints);
  AddCornerPoint(*Task, *Full, pkDead, 7, 0);
  EXPECT_EQ(Full->Points[7].Kind, pkDead);
}

TEST(Limits, FullPlacedListTakesNoMorePieces) {
  // 199 pieces in a row along the bottom, a free point far above them.
  auto Task = Sheet(10000, 1000, 0, {{10, 10}});
  Task->ObjPlans[1].Pending = 1000;
  auto Job = Layout({{0, 500, pkMinMin}});
  for (std::int32_t r = 1; r < MaxRects; ++r) Job->Rects[++Job->RectCount] = {1, (r - 1) * 10, 0, 0};
  EXPECT_TRUE(PieceFits(*Task, *Job, 1, 0, 1)) << "199 placed";
  PlacePiece(*Task, *Job, 1, 0, 1);
  EXPECT_EQ(Job->RectCount, MaxRects);
  AddCornerPoint(*Task, *Job, pkMinMin, 5000, 800);
  EXPECT_FALSE(PieceFits(*Task, *Job, Job->PointCount, 0, 1)) << "200 placed";
}

TEST(AddCornerPoint, BorderOutsideAndDuplicates) {
  auto Task = Sheet(100, 50, 0, {{10, 10}});
  auto Job = Layout({});
  AddCornerPoint(*Task, *Job, pkMinMin, 100, 50);
  AddCornerPoint(*Task, *Job, pkMinMin, 0, 0);
  AddCornerPoint(*Task, *Job, pkMinMin, 0, 0);
  AddCornerPoint(*Task, *Job, pkMinMin, 101, 0);
  AddCornerPoint(*Task, *Job, pkMinMin, 0, -1);
  EXPECT_THAT(PointsOf(*Job),
              ElementsAre(IsPoint(100, 50, pkMinMin), IsPoint(0, 0, pkMinMin), IsPoint(0, 0, pkMinMin)));
  AddCornerPoint(*Task, *Job, pkDead, 0, 0);
  EXPECT_THAT(PointsOf(*Job), ElementsAre(IsPoint(100, 50, pkMinMin), IsPoint(0, 0, pkDead), IsPoint(0, 0, pkDead)));
}

}  // namespace
