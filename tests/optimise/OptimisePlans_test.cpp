// The optimiser on generated tasks and on hostile ones: every plan it hands
// back is valid, never worse than the exact plan, the same with one thread
// and with two, and survives a save and a load.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <ostream>
#include <string>
#include <thread>

#include "CalcPlan.h"
#include "Optimise.h"
#include "support/RecordingLink.h"

namespace {

// A small generator of its own, so that the tasks are the same with any
// standard library.
class TDice {
 public:
  explicit TDice(std::uint64_t Seed) : State_(Seed) {}
  std::int64_t Between(std::int64_t Lo, std::int64_t Hi) {
    State_ = State_ * 6364136223846793005ull + 1442695040888963407ull;
    return Lo + static_cast<std::int64_t>((State_ >> 33) % static_cast<std::uint64_t>(Hi - Lo + 1));
  }

 private:
  std::uint64_t State_;
};

struct TShape {
  std::uint64_t Seed;
  std::int64_t Knife;
  bool Rigid;
  bool Locks;  // some pieces keep their direction
  bool Stock;  // the smallest sheet size has a few sheets only
};

// "seed3_knife4_rigid_locks_stock": the test's name and what a failure prints.
std::string ShapeName(const TShape& S) {
  return "seed" + std::to_string(S.Seed) + "_knife" + std::to_string(S.Knife) + (S.Rigid ? "_rigid" : "_flexible") +
         (S.Locks ? "_locks" : "") + (S.Stock ? "_stock" : "");
}
void PrintTo(const TShape& S, std::ostream* Out) { *Out << ShapeName(S); }

std::unique_ptr<TPlan> RandomTask(const TShape& S) {
  TDice Dice(S.Seed);
  auto Task = std::make_unique<TPlan>();
  NewPlan(*Task, 1, S.Knife, 1.0f);
  Task->RigidFlag = S.Rigid;
  const std::int64_t Sheets = Dice.Between(1, 3);
  for (std::int64_t s = 0; s < Sheets; ++s) {
    TSrcRect R;
    R.Name = "S" + std::to_string(s);
    R.Length = Dice.Between(600, 2400);
    R.Width = Dice.Between(400, 1200);
    R.Stock = S.Stock && s == 0 ? static_cast<std::int32_t>(Dice.Between(1, 2)) : 0;
    AddSrcRect(*Task, R);
  }
  const std::int64_t Pieces = Dice.Between(4, 14);
  for (std::int64_t i = 0; i < Pieces; ++i) {
    TObjPlan O;
    O.Name = "P" + std::to_string(i);
    O.Length = Dice.Between(40, 700);
    O.Width = Dice.Between(40, 500);
    O.Quantity = O.Pending = static_cast<std::int32_t>(Dice.Between(1, 9));
    O.MayTurn = !(S.Locks && Dice.Between(0, 2) == 0);
    AddObjPlan(*Task, O);
  }
  return Task;
}

std::unique_ptr<TPlan> ExactPlan(const TPlan& Task) {
  auto Exact = std::make_unique<TPlan>(Task);
  ClearJobs(*Exact);
  std::string Message;
  TNullProgressLink Link;
  MakePlan(*Exact, Message, Link);
  return Exact;
}

Optimise::TOptimiseParams Small(std::int32_t Threads) {
  Optimise::TOptimiseParams P;
  P.Effort = 2;
  P.Threads = Threads;
  return P;
}

bool SameCost(const Optimise::TPlanCost& a, const Optimise::TPlanCost& b) {
  return !Optimise::Better(a, b) && !Optimise::Better(b, a);
}

class OptimiseRandom : public testing::TestWithParam<TShape> {};

TEST_P(OptimiseRandom, ValidNeverWorseSameWithTwoThreadsAndRoundTrips) {
  const auto Task = RandomTask(GetParam());
  const auto Exact = ExactPlan(*Task);

  auto One = std::make_unique<TPlan>(*Task);
  auto Two = std::make_unique<TPlan>(*Task);
  TNullProgressLink Link;
  Optimise::TOptimiseOutput OutOne, OutTwo;
  Optimise::OptimisePlan(*One, Small(1), Link, OutOne);
  Optimise::OptimisePlan(*Two, Small(2), Link, OutTwo);

  EXPECT_EQ(CheckPlan(*One), "");
  EXPECT_FALSE(Optimise::Better(Optimise::PlanCost(*Exact), Optimise::PlanCost(*One)));
  EXPECT_TRUE(SameCost(OutOne.Optimised, Optimise::PlanCost(*One)));
  EXPECT_TRUE(SameCost(OutOne.Exact, Optimise::PlanCost(*Exact)));
  EXPECT_EQ(PlanToText(*One), PlanToText(*Two)) << "the plan depends on the number of threads";
  EXPECT_LE(One->JobCount, MaxJobs);

  for (std::int32_t i = 1; i <= One->ObjCount; ++i) EXPECT_GE(One->ObjPlans[i].Pending, 0);
  for (std::int32_t j = 1; j <= One->JobCount; ++j)
    for (std::int32_t k = 1; k <= One->Jobs[j].RectCount; ++k) {
      const TPlacedRect& R = One->Jobs[j].Rects[k];
      if (!One->ObjPlans[R.ObjNo].MayTurn) {
        EXPECT_EQ(R.Rotated, 0) << "job " << j << " turns a locked piece";
      }
    }
  for (std::int32_t s = 1; s <= One->SrcCount; ++s)
    if (One->SrcRects[s].Stock > 0) {
      EXPECT_LE(SheetsUsed(*One, s), One->SrcRects[s].Stock);
    }

  // An optimised task is an ordinary task file.
  const std::string Text = PlanToText(*One);
  auto Loaded = std::make_unique<TPlan>();
  PlanFromText(*Loaded, Text);
  Loaded->RigidFlag = One->RigidFlag;
  EXPECT_EQ(PlanToText(*Loaded), Text);
  EXPECT_EQ(CheckPlan(*Loaded), "");
}

INSTANTIATE_TEST_SUITE_P(Tasks, OptimiseRandom,
                         testing::Values(TShape{1, 0, true, false, false}, TShape{2, 4, true, false, false},
                                         TShape{3, 0, false, false, false}, TShape{4, 4, false, false, false},
                                         TShape{5, 4, true, true, false}, TShape{6, 0, true, true, true},
                                         TShape{7, 4, true, false, true}, TShape{8, 4, false, true, true},
                                         TShape{9, 25, true, true, false}, TShape{10, 0, false, true, true},
                                         TShape{11, 4, true, true, true}, TShape{12, 4, true, false, false}),
                         [](const testing::TestParamInfo<TShape>& Info) { return ShapeName(Info.param); });

// The optimiser is worth having: on a classic task it needs fewer sheets
// than the exact plan, even at a small effort.
TEST(Optimise, BeatsTheExactPlanOnAClassicTask) {
  auto Task = std::make_unique<TPlan>();
  LoadPlan(*Task, std::string(TAVIK_QUALITY_DIR) + "/A4.tsk");
  Task->RigidFlag = true;
  TNullProgressLink Link;
  Optimise::TOptimiseOutput Out;
  Optimise::OptimisePlan(*Task, Small(1), Link, Out);
  EXPECT_EQ(CheckPlan(*Task), "");
  EXPECT_TRUE(AllPlaced(*Task));
  EXPECT_LT(Out.Optimised.Sheets, Out.Exact.Sheets);
}

// Pieces that fill a sheet exactly with the knife's paths between them:
// four of 48 x 23 on 100 x 50 with knife 4 (48 + 4 + 48 = 100, 23 + 4 + 23
// = 50), so eight need two sheets.
TEST(Optimise, KnifePathsFitExactly) {
  auto Task = std::make_unique<TPlan>();
  NewPlan(*Task, 1, 4, 1.0f);
  AddSrcRect(*Task, TSrcRect{"S", 100, 50, 0});
  AddObjPlan(*Task, TObjPlan{"A", 48, 23, 8, 8, true});
  TNullProgressLink Link;
  Optimise::TOptimiseOutput Out;
  Optimise::OptimisePlan(*Task, Small(1), Link, Out);
  EXPECT_EQ(CheckPlan(*Task), "");
  EXPECT_TRUE(AllPlaced(*Task));
  EXPECT_EQ(Out.Optimised.Sheets, 2);
}

TEST(Optimise, EmptyTasksEndAtOnce) {
  TNullProgressLink Link;
  Optimise::TOptimiseOutput Out;
  auto NoSheets = std::make_unique<TPlan>();
  NewPlan(*NoSheets, 1, 0, 1.0f);
  AddObjPlan(*NoSheets, TObjPlan{"A", 10, 10, 3, 3, true});
  Optimise::OptimisePlan(*NoSheets, Small(2), Link, Out);
  EXPECT_EQ(NoSheets->JobCount, 0);
  EXPECT_EQ(NoSheets->ObjPlans[1].Pending, 3);
  EXPECT_EQ(Out.Optimised.PendingPieces, 3);

  auto NoPieces = std::make_unique<TPlan>();
  NewPlan(*NoPieces, 1, 0, 1.0f);
  AddSrcRect(*NoPieces, TSrcRect{"S", 100, 100, 0});
  Optimise::OptimisePlan(*NoPieces, Small(2), Link, Out);
  EXPECT_EQ(NoPieces->JobCount, 0);
  EXPECT_EQ(Out.Optimised.Sheets, 0);
}

TEST(Optimise, APieceThatFitsNoSheetStaysPendingAndTheRestIsOptimised) {
  auto Task = std::make_unique<TPlan>();
  NewPlan(*Task, 1, 0, 1.0f);
  AddSrcRect(*Task, TSrcRect{"S", 100, 60, 0});
  AddObjPlan(*Task, TObjPlan{"Big", 120, 20, 2, 2, true});
  AddObjPlan(*Task, TObjPlan{"Long", 80, 10, 2, 2, false});  // 80 fits along 100 only: locked, fine
  AddObjPlan(*Task, TObjPlan{"A", 30, 30, 7, 7, true});
  TNullProgressLink Link;
  Optimise::TOptimiseOutput Out;
  Optimise::OptimisePlan(*Task, Small(1), Link, Out);
  EXPECT_EQ(CheckPlan(*Task), "");
  for (std::int32_t i = 1; i <= Task->ObjCount; ++i)
    EXPECT_EQ(Task->ObjPlans[i].Pending, Task->ObjPlans[i].Name == "Big" ? 2 : 0) << Task->ObjPlans[i].Name;
  EXPECT_EQ(Out.Optimised.PendingPieces, 2);
}

// Sizes at the end of the 64-bit range and knife widths larger than any
// sheet: no overflow (the sanitizer build checks), a valid plan.
TEST(Optimise, ExtremeSizesStayDefined) {
  constexpr std::int64_t Max = std::numeric_limits<std::int64_t>::max();
  const std::int64_t Knives[] = {0, 4, Max / 2, Max};
  for (std::int64_t Knife : Knives) {
    auto Task = std::make_unique<TPlan>();
    NewPlan(*Task, 1, Knife, 1.0f);
    AddSrcRect(*Task, TSrcRect{"Huge", Max, Max, 0});
    AddSrcRect(*Task, TSrcRect{"Small", 100, 100, 2});
    AddSrcRect(*Task, TSrcRect{"Flat", Max, 0, 0});
    AddObjPlan(*Task, TObjPlan{"A", Max, Max / 3, 2, 2, true});
    AddObjPlan(*Task, TObjPlan{"B", Max / 2, Max / 2 + 1, 1, 1, true});
    AddObjPlan(*Task, TObjPlan{"C", 50, 50, 5, 5, false});
    AddObjPlan(*Task, TObjPlan{"D", 0, 10, 1, 1, true});
    AddObjPlan(*Task, TObjPlan{"E", -5, 10, 1, 1, true});
    TNullProgressLink Link;
    Optimise::TOptimiseOutput Out;
    Optimise::OptimisePlan(*Task, Small(2), Link, Out);
    EXPECT_EQ(CheckPlan(*Task), "") << "knife " << Knife;
    EXPECT_FALSE(Optimise::Better(Out.Exact, Out.Optimised)) << "knife " << Knife;
  }
}

// Stops during the exact calculation and during the optimisation: the
// exact calculation alone takes Exact message rounds.
TEST(Optimise, AStopAtAnyMomentLeavesAValidPlan) {
  auto Task = std::make_unique<TPlan>();
  LoadPlan(*Task, std::string(TAVIK_QUALITY_DIR) + "/A1.tsk");
  Task->RigidFlag = true;
  long Exact = 0;
  {
    auto Copy = std::make_unique<TPlan>(*Task);
    testdata::TRecordingLink Link;
    std::string Message;
    MakePlan(*Copy, Message, Link);
    Exact = Link.MessageRounds;
  }
  const long Rounds[] = {0, 1, Exact / 2, Exact + 1, Exact + 3};
  for (long After : Rounds) {
    auto Work = std::make_unique<TPlan>(*Task);
    testdata::TRecordingLink Link;
    Link.StopAfterRounds = After;
    Optimise::TOptimiseParams Params;
    Params.Effort = 1000000;  // would run for hours; only the stop ends it
    Params.Threads = 2;
    Optimise::TOptimiseOutput Out;
    Optimise::OptimisePlan(*Work, Params, Link, Out);
    EXPECT_TRUE(Out.Stopped) << After;
    EXPECT_EQ(CheckPlan(*Work), "") << After;
    EXPECT_FALSE(Optimise::Better(Out.Exact, Out.Optimised)) << After;
    EXPECT_TRUE(SameCost(Out.Optimised, Optimise::PlanCost(*Work))) << After;
    EXPECT_LT(Out.WorkDone, Params.Effort) << After;
    EXPECT_EQ(Link.Calls.back(), "close") << After;
  }
}

TEST(Optimise, ReportsTheBestPlanSoFar) {
  auto Task = std::make_unique<TPlan>();
  LoadPlan(*Task, std::string(TAVIK_QUALITY_DIR) + "/A4.tsk");
  Task->RigidFlag = true;
  testdata::TRecordingLink Link;
  Optimise::TOptimiseOutput Out;
  Optimise::OptimisePlan(*Task, Small(1), Link, Out);
  ASSERT_FALSE(Link.NodeTexts.empty());
  const std::string Expected = "最佳方案: " + std::to_string(Out.Optimised.Sheets) + " 张, 利用率 ";
  EXPECT_EQ(Link.NodeTexts.back().rfind(Expected, 0), 0u) << Link.NodeTexts.back();
}

// A candidate that fails its check is never handed back: the next one is
// taken, or the exact plan when every candidate fails.
TEST(Optimise, ACandidateThatFailsItsCheckIsNeverHandedBack) {
  auto Task = std::make_unique<TPlan>();
  LoadPlan(*Task, std::string(TAVIK_QUALITY_DIR) + "/A4.tsk");
  Task->RigidFlag = true;
  const auto Exact = ExactPlan(*Task);
  auto Spoil = [](TPlan& Plan) { Plan.Jobs[1].Rects[1].X = Plan.SrcRects[Plan.Jobs[1].SheetNo].Length; };

  auto All = std::make_unique<TPlan>(*Task);
  Optimise::TOptimiseParams Params = Small(1);
  std::int32_t Calls = 0;
  Params.CandidateHook = [&](TPlan& Plan) {
    ++Calls;
    Spoil(Plan);
  };
  TNullProgressLink Link;
  Optimise::TOptimiseOutput Out;
  Optimise::OptimisePlan(*All, Params, Link, Out);
  EXPECT_GT(Calls, 1);
  EXPECT_EQ(PlanToText(*All), PlanToText(*Exact));
  EXPECT_EQ(CheckPlan(*All), "");

  auto First = std::make_unique<TPlan>(*Task);
  Calls = 0;
  Params.CandidateHook = [&](TPlan& Plan) {
    if (++Calls == 1) Spoil(Plan);
  };
  Optimise::OptimisePlan(*First, Params, Link, Out);
  EXPECT_EQ(CheckPlan(*First), "");
  EXPECT_EQ(Calls, 2);
  EXPECT_FALSE(Optimise::Better(Optimise::PlanCost(*Exact), Out.Optimised));
}

// The optimiser keeps its working records from one call to the next on a
// thread: what an earlier, larger task left in them never shows.
TEST(Optimise, AnEarlierTaskOnTheSameThreadChangesNothing) {
  const auto Small1 = RandomTask(TShape{21, 4, true, true, true});
  const auto Large = RandomTask(TShape{22, 0, false, false, false});
  TNullProgressLink Link;
  Optimise::TOptimiseOutput Out;

  auto Fresh = std::make_unique<TPlan>(*Small1);
  std::thread First([&] {
    TNullProgressLink Own;
    Optimise::TOptimiseOutput OwnOut;
    Optimise::OptimisePlan(*Fresh, Small(1), Own, OwnOut);
  });
  First.join();

  auto Before = std::make_unique<TPlan>(*Large);
  Optimise::OptimisePlan(*Before, Small(1), Link, Out);
  auto Again = std::make_unique<TPlan>(*Small1);
  Optimise::OptimisePlan(*Again, Small(1), Link, Out);
  EXPECT_EQ(PlanToText(*Again), PlanToText(*Fresh));
  EXPECT_EQ(CheckPlan(*Again), "");

  // A watcher that optimises another task from inside a call does not
  // disturb the call it watches.
  auto Outer = std::make_unique<TPlan>(*Small1);
  Optimise::TOptimiseParams Params = Small(1);
  std::int32_t Inner = 0;
  Params.BestPlanFound = [&](const TPlan&) {
    if (Inner++ > 0) return;
    auto Other = std::make_unique<TPlan>(*Large);
    Optimise::TOptimiseOutput OtherOut;
    Optimise::OptimisePlan(*Other, Small(1), Link, OtherOut);
  };
  Optimise::OptimisePlan(*Outer, Params, Link, Out);
  EXPECT_GT(Inner, 0);
  EXPECT_EQ(PlanToText(*Outer), PlanToText(*Fresh));
}

}  // namespace
