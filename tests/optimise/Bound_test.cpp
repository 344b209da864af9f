// The guillotine bound: never above what a plan cuts, above the area bound
// where pieces do not combine, and worked out only where it can be.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "Bound.h"
#include "CalcPlan.h"
#include "Optimise.h"

namespace {

using namespace Optimise;

TProblem Square(TWide Side, std::initializer_list<std::tuple<TWide, TWide, std::int32_t>> Pieces) {
  TProblem P;
  TSheetKind S;
  S.L = S.W = Side;
  S.Area = static_cast<double>(Side * Side);
  P.Kinds.push_back(S);
  P.Stock.push_back(INT64_MAX);
  for (const auto& [A, B, Count] : Pieces) {
    TItem It;
    It.A = A;
    It.B = B;
    It.Area = static_cast<double>(A * B);
    P.Items.push_back(It);
    P.Counts.push_back(Count);
  }
  P.LeastSheets = AreaBound(P);
  return P;
}

TEST(GuillotineBound, PiecesThatDoNotShareASheetNeedOneEach) {
  // 3 x 3600 of 10000: the area allows 2 sheets, but no two fit together.
  const TProblem P = Square(100, {{60, 60, 3}});
  EXPECT_EQ(P.LeastSheets, 2);
  const TBound B = GuillotineBound(P);
  ASSERT_TRUE(B.Known);
  EXPECT_TRUE(B.Exact);
  EXPECT_NEAR(B.Relaxation, 3.0, 1e-9);
  EXPECT_EQ(B.Sheets, 3);
}

TEST(GuillotineBound, ExactFitsMeetTheAreaBound) {
  // Four quarters and two halves fill two sheets exactly, turned or not.
  const TBound B = GuillotineBound(Square(100, {{50, 50, 4}, {100, 50, 1}, {50, 100, 1}}));
  ASSERT_TRUE(B.Known);
  EXPECT_NEAR(B.Relaxation, 2.0, 1e-9);
  EXPECT_EQ(B.Sheets, 2);
}

TEST(GuillotineBound, AGrainLockCounts) {
  // 70 x 30 pieces on a 100 x 70 sheet: turned, three stand side by side;
  // locked, two lie one above the other, and the rest of the length is too
  // short for another.
  TProblem P = Square(100, {{70, 30, 6}});
  P.Kinds.front().W = 70;
  const TBound Free = GuillotineBound(P);
  P.Items.front().Allowed[1] = false;
  const TBound Locked = GuillotineBound(P);
  ASSERT_TRUE(Free.Known && Locked.Known);
  EXPECT_EQ(Free.Sheets, 2);
  EXPECT_EQ(Locked.Sheets, 3);
}

TEST(GuillotineBound, UnknownForSeveralSheetKindsAndHugeSheets) {
  TProblem P = Square(100, {{10, 10, 5}});
  P.Kinds.push_back(P.Kinds.front());
  P.Stock.push_back(INT64_MAX);
  EXPECT_FALSE(GuillotineBound(P).Known);
  EXPECT_FALSE(GuillotineBound(Square(TWide(1) << 40, {{10, 10, 5}})).Known);
  EXPECT_FALSE(GuillotineBound(Square(100, {{101, 10, 1}})).Known) << "a piece that fits no sheet";
}

// The bound is a bound: no plan of the optimiser cuts fewer sheets.
TEST(GuillotineBound, NeverAboveTheOptimisedPlan) {
  for (const char* Name : {"A4", "CHL1", "W", "a43_k4", "Class_04.2bp_60_3"}) {
    auto Task = std::make_unique<TPlan>();
    LoadPlan(*Task, std::string(TAVIK_QUALITY_DIR) + "/" + Name + ".tsk");
    Task->RigidFlag = true;
    ClearJobs(*Task);
    const TBound B = GuillotineBound(MakeProblem(*Task));
    ASSERT_TRUE(B.Known) << Name;
    TOptimiseParams Params;
    Params.Effort = 3;
    TNullProgressLink Link;
    TOptimiseOutput Out;
    OptimisePlan(*Task, Params, Link, Out);
    EXPECT_LE(B.Sheets, Out.Optimised.Sheets) << Name;
    EXPECT_GE(B.Sheets, AreaBound(MakeProblem(*Task))) << Name << ": a sheet holds no more than its area";
  }
}

// A plan of the least sheets the area allows ends the search: the rest of
// the budget could not buy a better one.
TEST(AreaBound, APlanThatMeetsItEndsTheWork) {
  auto Task = std::make_unique<TPlan>();
  LoadPlan(*Task, std::string(TAVIK_QUALITY_DIR) + "/A4.tsk");
  Task->RigidFlag = true;
  ClearJobs(*Task);
  const std::int64_t Least = AreaBound(MakeProblem(*Task));
  TOptimiseParams Params;  // the default effort
  TNullProgressLink Link;
  TOptimiseOutput Out;
  OptimisePlan(*Task, Params, Link, Out);
  EXPECT_EQ(Out.Optimised.Sheets, Least);
  EXPECT_LT(Out.WorkDone, Params.Effort / 4);
  EXPECT_EQ(CheckPlan(*Task), "");
}

}  // namespace
