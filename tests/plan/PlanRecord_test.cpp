// The task record and its small operations.
#include <gtest/gtest.h>

#include "CalcPlan.h"
#include "support/TestData.h"

namespace {

using testdata::NewTask;

TEST(PlanRecord, NewPlanClearsEverythingAndSetsTheSettings) {
  auto Task = NewTask();
  Task->PlanName = "old";
  Task->OwnerName = "owner";
  Task->PlanDate = 12;
  Task->TotalRate = 0.5f;
  AddSrcRect(*Task, TSrcRect{"S", 1, 2});
  AddObjPlan(*Task, TObjPlan{"P", 1, 2, 3, 4});
  Task->JobCount = 2;
  Task->Jobs[2].RectCount = 7;
  Task->RigidFlag = false;

  NewPlan(*Task, 4, 9, 0.75f);
  EXPECT_EQ(Task->SearchDepth, 4);
  EXPECT_EQ(Task->KnifeWidth, 9);
  EXPECT_EQ(Task->ExpectedRate, 0.75f);
  EXPECT_TRUE(Task->RigidFlag);
  EXPECT_EQ(Task->SrcCount + Task->ObjCount + Task->JobCount, 0);
  EXPECT_EQ(Task->PlanName, "") << "the caller fills the plan name";
  EXPECT_EQ(Task->OwnerName, "");
  EXPECT_EQ(Task->PlanDate, 0);
  EXPECT_EQ(Task->TotalRate, 0);
  EXPECT_EQ(Task->SrcRects[1].Name, "") << "old entries are cleared too";
  EXPECT_EQ(Task->ObjPlans[1].Quantity, 0);
  EXPECT_EQ(Task->Jobs[2].RectCount, 0);
}

TEST(PlanRecord, FullTablesRefuseTheHundredAndFirstEntry) {
  auto Task = NewTask();
  for (int k = 0; k < MaxObjPlans; ++k) AddObjPlan(*Task, TObjPlan{"P", 1, 1, 1, 1});
  for (int k = 0; k < MaxSrcRects; ++k) AddSrcRect(*Task, TSrcRect{"S", 1, 1});
  try {
    AddObjPlan(*Task, TObjPlan{"extra", 1, 1, 1, 1});
    FAIL() << "a 101st piece was added";
  } catch (const EPlanError& E) {
    EXPECT_STREQ(E.what(), "Range check error");
  }
  EXPECT_THROW(AddSrcRect(*Task, TSrcRect{"extra", 1, 1}), EPlanError);
  EXPECT_EQ(Task->ObjCount, 100);
  EXPECT_EQ(Task->SrcCount, 100);
  EXPECT_EQ(Task->ObjPlans[100].Name, "P");
}

TEST(PlanRecord, PlacedStatesAndTotals) {
  auto Task = NewTask();
  EXPECT_TRUE(AllPlaced(*Task)) << "a task without pieces counts as computed";
  EXPECT_EQ(TotalQuantity(*Task), 0);
  EXPECT_EQ(PlacedQuantity(*Task), 0);

  AddObjPlan(*Task, TObjPlan{"none ordered", 1, 1, 0, 0});
  EXPECT_TRUE(AllPlaced(*Task));
  AddObjPlan(*Task, TObjPlan{"A", 1, 1, 4, 10});
  AddObjPlan(*Task, TObjPlan{"B", 1, 1, 0, 3});
  EXPECT_FALSE(AllPlaced(*Task));
  EXPECT_EQ(TotalQuantity(*Task), 13);
  EXPECT_EQ(PlacedQuantity(*Task), 9);

  // The largest counts a file can hold do not overflow the sums.
  for (std::int32_t i = 1; i <= 3; ++i) Task->ObjPlans[i] = TObjPlan{"big", 1, 1, INT32_MIN, INT32_MAX};
  EXPECT_EQ(TotalQuantity(*Task), 3LL * INT32_MAX);
  EXPECT_EQ(PlacedQuantity(*Task), 3 * (static_cast<std::int64_t>(INT32_MAX) - INT32_MIN));
}

TEST(PlanRecord, ClearJobsRestoresPendingAndKeepsTheEntries) {
  auto Task = NewTask();
  AddObjPlan(*Task, TObjPlan{"A", 1, 1, 1, 5});
  AddObjPlan(*Task, TObjPlan{"B", 1, 1, 0, 2});
  Task->JobCount = 3;
  Task->Jobs[1].Count = 4;
  ClearJobs(*Task);
  EXPECT_EQ(Task->JobCount, 0);
  EXPECT_EQ(Task->ObjPlans[1].Pending, 5);
  EXPECT_EQ(Task->ObjPlans[2].Pending, 2);
  EXPECT_EQ(Task->Jobs[1].Count, 4) << "job entries themselves are left as they are";
}

TEST(PlanRecord, CopiesAreDeep) {
  auto Task = NewTask();
  AddSrcRect(*Task, TSrcRect{"sheet", 10, 20});
  auto Copy = std::make_unique<TPlan>(*Task);
  Copy->SrcRects[1].Name[0] = 'S';
  Copy->SrcRects[1].Length = 11;
  EXPECT_EQ(Task->SrcRects[1].Name, "sheet");
  EXPECT_EQ(Task->SrcRects[1].Length, 10);
}

TEST(PlanRecord, CopyTaskCopiesTheUsedEntriesAndLeavesTheRest) {
  auto Src = NewTask();
  AddSrcRect(*Src, TSrcRect{"sheet", 100, 50, 3});
  AddObjPlan(*Src, TObjPlan{"p", 10, 5, 1, 4, false});
  Src->PlanName = "plan";
  Src->JobCount = 1;
  TJob& Job = Src->Jobs[1];
  Job.SheetNo = 1;
  Job.Count = 3;
  Job.PointCount = 2;
  Job.Points[2] = TCornerPoint{10, 0, pkDead};
  Job.RectCount = 1;
  Job.Rects[1] = TPlacedRect{1, 0, 0, 0};

  // A record that held a larger task before.
  auto Dst = NewTask();
  for (int i = 0; i < 3; ++i) AddObjPlan(*Dst, TObjPlan{"old", 7, 7, 2, 2, true});
  Dst->JobCount = 2;
  Dst->Jobs[1].RectCount = 5;
  Dst->Jobs[1].Rects[4].X = 99;
  Dst->Jobs[2].Count = 8;

  CopyTask(*Dst, *Src);
  EXPECT_EQ(PlanToText(*Dst), PlanToText(*Src));
  EXPECT_EQ(Dst->ObjCount, 1);
  EXPECT_FALSE(Dst->ObjPlans[1].MayTurn);
  EXPECT_EQ(Dst->SrcRects[1].Stock, 3);
  EXPECT_EQ(Dst->Jobs[1].Points[2].Kind, pkDead);
  // Above the counts nothing was touched.
  EXPECT_EQ(Dst->ObjPlans[2].Name, "old");
  EXPECT_EQ(Dst->Jobs[1].Rects[4].X, 99);
  EXPECT_EQ(Dst->Jobs[2].Count, 8);
}

}  // namespace
