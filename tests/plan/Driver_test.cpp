// The calculation driver: ordering, choosing and recording jobs, the
// progress link, stopping and continuing.
#include <gtest/gtest.h>

#include <algorithm>

#include "CalcPlan.h"
#include "support/RecordingLink.h"
#include "support/TestData.h"

namespace {

using testdata::NewTask;
using testdata::TRecordingLink;

std::string Compute(TPlan& Task, IProgressLink& Link) {
  std::string Message = "untouched";
  MakePlan(Task, Message, Link);
  return Message;
}

std::string Compute(TPlan& Task) {
  TNullProgressLink Link;
  return Compute(Task, Link);
}

TEST(MakePlan, OrdersSheetsAscendingAndPiecesDescendingByTheLargerSide) {
  auto Task = NewTask();
  AddSrcRect(*Task, TSrcRect{"big", 2440, 1220});
  AddSrcRect(*Task, TSrcRect{"small", 1000, 500});
  AddObjPlan(*Task, TObjPlan{"wide", 600, 400, 0, 0});
  AddObjPlan(*Task, TObjPlan{"tall", 300, 800, 0, 0});
  // Keys 5, 5, 7: the exchange sort is not stable.
  AddObjPlan(*Task, TObjPlan{"first5", 5, 1, 0, 0});
  AddObjPlan(*Task, TObjPlan{"second5", 1, 5, 0, 0});
  AddObjPlan(*Task, TObjPlan{"seven", 7, 7, 0, 0});
  EXPECT_EQ(Compute(*Task), "");
  EXPECT_EQ(Task->SrcRects[1].Name, "small");
  EXPECT_EQ(Task->SrcRects[2].Name, "big");
  std::vector<std::string> Names;
  for (std::int32_t i = 1; i <= Task->ObjCount; ++i) Names.push_back(Task->ObjPlans[i].Name);
  EXPECT_EQ(Names, (std::vector<std::string>{"tall", "wide", "seven", "second5", "first5"}));
  EXPECT_EQ(Task->JobCount, 0);
}

TEST(MakePlan, AllPlacedOpensAndClosesTheProgressAndAddsNothing) {
  auto Task = NewTask();
  AddSrcRect(*Task, TSrcRect{"S", 100, 100});
  AddObjPlan(*Task, TObjPlan{"done", 10, 10, 0, 4});
  TRecordingLink Link;
  EXPECT_EQ(Compute(*Task, Link), "");
  EXPECT_EQ(Link.Calls, (std::vector<std::string>{"range 0 4", "position 1", "show", "repaint", "close"}));
  EXPECT_EQ(Task->JobCount, 0);
}

TEST(MakePlan, ProgressCallsFollowEachJob) {
  // Each sheet takes two of the four pieces: two jobs of one sheet each.
  auto Task = NewTask(1, 0, 1.0f);
  AddSrcRect(*Task, TSrcRect{"S", 100, 50});
  AddObjPlan(*Task, TObjPlan{"A", 50, 50, 2, 2});
  AddObjPlan(*Task, TObjPlan{"B", 50, 40, 2, 2});
  TRecordingLink Link;
  EXPECT_EQ(Compute(*Task, Link), "");
  EXPECT_EQ(Link.Calls, (std::vector<std::string>{"range 0 4", "position 1", "show", "repaint", "node", "position 2",
                                                  "repaint", "task", "node", "position 4", "repaint", "task",
                                                  "close"}));
  EXPECT_EQ(Task->JobCount, 2);
  EXPECT_EQ(CheckPlan(*Task), "");
}

TEST(MakePlan, PathTextsCountJobsAndSheets) {
  auto Task = NewTask(1, 0, 1.5f);
  AddSrcRect(*Task, TSrcRect{"S1", 150, 100});
  AddSrcRect(*Task, TSrcRect{"S2", 200, 200});
  AddObjPlan(*Task, TObjPlan{"A", 100, 100, 5, 5});
  TRecordingLink Link;
  Compute(*Task, Link);
  auto Has = [&](const std::string& Text) {
    return std::find(Link.NodeTexts.begin(), Link.NodeTexts.end(), Text) != Link.NodeTexts.end();
  };
  EXPECT_EQ(Link.NodeTexts.front(), "作业:1 毛坯:1 计划:");
  EXPECT_TRUE(Has("作业:1 毛坯:2 计划:")) << "an expected rate above 1 tries every sheet";
  // Sheet 2 holds four (100%), sheet 1 one (67%): job 1 is sheet 2 cut once,
  // job 2 the last piece on sheet 1.
  EXPECT_TRUE(Has("作业:2 毛坯:1 计划:"));
  EXPECT_EQ(Task->JobCount, 2);
  EXPECT_EQ(Task->Jobs[1].SheetNo, 2);
  EXPECT_EQ(Task->Jobs[1].Count, 1);

  // Continuing after four recorded jobs counts on from job 5.
  auto More = NewTask(1, 0, 1.0f);
  AddSrcRect(*More, TSrcRect{"S", 100, 100});
  AddObjPlan(*More, TObjPlan{"A", 100, 100, 1, 5});
  More->JobCount = 4;
  for (std::int32_t j = 1; j <= 4; ++j) {
    More->Jobs[j] = TJob{};
    More->Jobs[j].SheetNo = 1;
    More->Jobs[j].Count = 1;
    More->Jobs[j].PointCount = 1;
    More->Jobs[j].RectCount = 1;
    More->Jobs[j].Rects[1] = {1, 0, 0, 0};
  }
  TRecordingLink Next;
  Compute(*More, Next);
  EXPECT_EQ(Next.NodeTexts.front(), "作业:5 毛坯:1 计划:");
  EXPECT_EQ(More->JobCount, 5);
}

TEST(MakePlan, ExpectedRateZeroTakesTheFirstSheetThatPlacesAnything) {
  auto Task = NewTask(1, 0, 0.0f);
  AddSrcRect(*Task, TSrcRect{"S1", 100, 100});
  AddSrcRect(*Task, TSrcRect{"S2", 200, 200});
  AddObjPlan(*Task, TObjPlan{"A", 100, 100, 1, 1});
  TRecordingLink Link;
  Compute(*Task, Link);
  for (const std::string& Text : Link.NodeTexts) EXPECT_EQ(Text.find("毛坯:2"), std::string::npos) << Text;
  EXPECT_EQ(Task->Jobs[1].SheetNo, 1);
}

TEST(MakePlan, EqualUtilisationsKeepTheEarlierSheet) {
  auto Task = NewTask(1, 0, 1.5f);
  AddSrcRect(*Task, TSrcRect{"first", 100, 100});
  AddSrcRect(*Task, TSrcRect{"second", 100, 100});
  AddObjPlan(*Task, TObjPlan{"A", 50, 50, 3, 3});
  Compute(*Task);
  EXPECT_EQ(Task->Jobs[1].SheetNo, 1);
  EXPECT_EQ(Task->SrcRects[1].Name, "first");
}

TEST(MakePlan, RepeatCountNeverProducesMoreThanPending) {
  // Three fit on a sheet; seven are ordered: 2 sheets of 3, then 1 of 1.
  auto Task = NewTask(1, 0, 1.0f);
  AddSrcRect(*Task, TSrcRect{"S", 90, 30});
  AddObjPlan(*Task, TObjPlan{"A", 30, 30, 7, 7});
  EXPECT_EQ(Compute(*Task), "");
  ASSERT_EQ(Task->JobCount, 2);
  EXPECT_EQ(Task->Jobs[1].Count, 2);
  EXPECT_EQ(Task->Jobs[1].RectCount, 3);
  EXPECT_EQ(Task->Jobs[2].Count, 1);
  EXPECT_EQ(Task->Jobs[2].RectCount, 1);
  EXPECT_EQ(Task->ObjPlans[1].Pending, 0);
  EXPECT_EQ(CheckPlan(*Task), "");
}

TEST(RecordJob, CountIsTheSmallestQuotientAndPendingCountsFall) {
  auto Task = NewTask();
  AddSrcRect(*Task, TSrcRect{"S", 100, 100});
  AddObjPlan(*Task, TObjPlan{"A", 10, 10, 10, 10});
  AddObjPlan(*Task, TObjPlan{"B", 10, 10, 3, 3});
  auto Job = std::make_unique<TJob>();
  Job->SheetNo = 1;
  Job->PointCount = 1;
  Job->RectCount = 3;
  Job->Rects[1] = {1, 0, 0, 0};
  Job->Rects[2] = {2, 10, 0, 0};
  Job->Rects[3] = {1, 20, 0, 0};
  std::string Message = "old";
  RecordJob(*Task, *Job, Message);
  EXPECT_EQ(Message, "");
  EXPECT_EQ(Job->Count, 3);
  EXPECT_EQ(Task->JobCount, 1);
  EXPECT_EQ(Task->Jobs[1].Count, 3);
  EXPECT_EQ(Task->ObjPlans[1].Pending, 4);
  EXPECT_EQ(Task->ObjPlans[2].Pending, 0);

  // Nothing pending for a piece of the layout: the driver's own fault.
  const std::string Before = PlanToText(*Task);
  RecordJob(*Task, *Job, Message);
  EXPECT_EQ(Message, "算法设计错误，作业数量大于任务数量!");
  EXPECT_EQ(PlanToText(*Task), Before);
}

TEST(MakePlan, PiecesThatFitNoSheetStayPending) {
  auto Task = NewTask(1, 0, 1.0f);
  AddSrcRect(*Task, TSrcRect{"S", 100, 50});
  AddObjPlan(*Task, TObjPlan{"huge", 200, 200, 2, 2});
  AddObjPlan(*Task, TObjPlan{"A", 50, 50, 2, 2});
  EXPECT_EQ(Compute(*Task), "");
  EXPECT_EQ(Task->JobCount, 1);
  EXPECT_EQ(Task->ObjPlans[1].Pending, 2);
  EXPECT_EQ(Task->ObjPlans[2].Pending, 0);

  auto NoSheets = NewTask();
  AddObjPlan(*NoSheets, TObjPlan{"A", 1, 1, 1, 1});
  TRecordingLink Link;
  EXPECT_EQ(Compute(*NoSheets, Link), "");
  EXPECT_EQ(NoSheets->JobCount, 0);
  EXPECT_EQ(Link.Calls.back(), "close");
}

TEST(MakePlan, StopEndsWithAtMostOneMoreJobAndCanBeContinued) {
  auto Task = NewTask(2, 3, 1.0f);
  AddSrcRect(*Task, TSrcRect{"S", 1000, 600});
  for (int k = 0; k < 8; ++k) AddObjPlan(*Task, TObjPlan{"P", 90 + 17 * k, 60 + 13 * k, 9, 9});
  auto Whole = std::make_unique<TPlan>(*Task);
  Compute(*Whole);
  ASSERT_TRUE(AllPlaced(*Whole));
  ASSERT_GT(Whole->JobCount, 2);

  TRecordingLink Link;
  Link.StopAfterRounds = 50;  // during the first pass
  EXPECT_EQ(Compute(*Task, Link), "");
  EXPECT_LE(Task->JobCount, 1);
  EXPECT_FALSE(AllPlaced(*Task));
  EXPECT_EQ(CheckPlan(*Task), "");

  // Showing the progress again clears the stop; the plan goes on from there.
  const std::int32_t Before = Task->JobCount;
  Link.StopAfterRounds = -1;
  EXPECT_EQ(Compute(*Task, Link), "");
  EXPECT_TRUE(AllPlaced(*Task));
  EXPECT_GT(Task->JobCount, Before);
  EXPECT_EQ(CheckPlan(*Task), "");
}

TEST(MakePlan, ContinuingAStoppedPlanMatchesOneRun) {
  // Stopping between passes changes nothing: each pass starts afresh.
  auto Task = NewTask(1, 2, 1.0f);
  AddSrcRect(*Task, TSrcRect{"S", 500, 300});
  for (int k = 0; k < 5; ++k) AddObjPlan(*Task, TObjPlan{"P", 60 + 31 * k, 40 + 23 * k, 4, 4});
  auto Whole = std::make_unique<TPlan>(*Task);
  Compute(*Whole);
  // Cut the finished plan back to its first job and continue from the file.
  auto Part = std::make_unique<TPlan>(*Whole);
  auto First = std::make_unique<TJob>(Whole->Jobs[1]);
  ClearJobs(*Part);
  std::string Message;
  RecordJob(*Part, *First, Message);
  ASSERT_EQ(Message, "");
  auto Reloaded = NewTask();
  PlanFromText(*Reloaded, PlanToText(*Part));
  Compute(*Reloaded);
  EXPECT_EQ(PlanToText(*Reloaded), PlanToText(*Whole));
}

TEST(MakePlan, TheHundredAndFirstJobIsNeverRecorded) {
  // Ninety-nine jobs exist; two pieces that each need a sheet of their own
  // remain. Job 100 is recorded, the pass for job 101 ends the calculation.
  auto Task = NewTask(0, 0, 1.0f);
  AddSrcRect(*Task, TSrcRect{"S", 100, 100});
  AddObjPlan(*Task, TObjPlan{"A", 100, 100, 1, 1});
  AddObjPlan(*Task, TObjPlan{"B", 100, 90, 1, 1});
  AddObjPlan(*Task, TObjPlan{"done", 10, 10, 0, 99});
  Task->JobCount = 99;
  for (std::int32_t j = 1; j <= 99; ++j) {
    Task->Jobs[j] = TJob{};
    Task->Jobs[j].SheetNo = 1;
    Task->Jobs[j].Count = 1;
    Task->Jobs[j].PointCount = 1;
    Task->Jobs[j].RectCount = 1;
    Task->Jobs[j].Rects[1] = {3, 0, 0, 0};
  }
  TRecordingLink Link;
  EXPECT_EQ(Compute(*Task, Link), "");
  EXPECT_EQ(Task->JobCount, MaxJobs);
  EXPECT_EQ(Task->ObjPlans[1].Pending, 0);
  EXPECT_EQ(Task->ObjPlans[2].Pending, 1);
  EXPECT_EQ(CheckPlan(*Task), "");
  EXPECT_EQ(Link.Calls.back(), "close");
}

TEST(MakePlan, TotalsBeyondTheProgressBarRangeFail) {
  auto Task = NewTask();
  AddSrcRect(*Task, TSrcRect{"S", 10, 10});
  AddObjPlan(*Task, TObjPlan{"A", 1, 1, INT32_MAX, INT32_MAX});
  AddObjPlan(*Task, TObjPlan{"B", 1, 1, 1, 1});
  TRecordingLink Link;
  std::string Message;
  try {
    MakePlan(*Task, Message, Link);
    FAIL() << "no error";
  } catch (const EPlanError& E) {
    EXPECT_STREQ(E.what(), "Range check error");
  }
  EXPECT_EQ(Task->JobCount, 0);
  EXPECT_TRUE(Link.Calls.empty() || Link.Calls.back() == "close") << "the progress is not left open";
}

TEST(MakePlan, JobsFollowTheirSheetsAndPiecesWhenTheTablesAreReordered) {
  // A hand-written task: tables out of order while a job refers to them.
  auto Task = NewTask(1, 0, 1.0f);
  AddSrcRect(*Task, TSrcRect{"large", 300, 300});
  AddSrcRect(*Task, TSrcRect{"small", 100, 100});
  AddObjPlan(*Task, TObjPlan{"little", 10, 10, 0, 1});
  AddObjPlan(*Task, TObjPlan{"bigger", 100, 100, 1, 1});
  Task->JobCount = 1;
  Task->Jobs[1] = TJob{};
  Task->Jobs[1].SheetNo = 2;
  Task->Jobs[1].Count = 1;
  Task->Jobs[1].PointCount = 1;
  Task->Jobs[1].RectCount = 1;
  Task->Jobs[1].Rects[1] = {1, 0, 0, 0};
  EXPECT_EQ(Compute(*Task), "");
  EXPECT_EQ(Task->SrcRects[Task->Jobs[1].SheetNo].Name, "small");
  EXPECT_EQ(Task->ObjPlans[Task->Jobs[1].Rects[1].ObjNo].Name, "little");
  EXPECT_EQ(CheckPlan(*Task), "");
}

}  // namespace
