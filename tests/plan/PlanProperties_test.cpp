// Properties of whole calculations on random small tasks, each computed
// with both rigid settings: every job is a valid layout, the pending counts
// add up, no job cuts more of a piece than was pending and each cuts as many
// sheets as the pending counts allow, a calculation gives up only on pieces
// that fit no sheet, and a calculation stopped between two jobs, saved,
// loaded and continued gives the same plan as one run through.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <random>

#include "CalcPlan.h"
#include "support/TestData.h"

namespace {

using testdata::NewTask;

// Asks to stop once the main window has been asked to show the task a given
// number of times, that is right after that many jobs were recorded, as a
// user pressing the stop button between two jobs.
class TStopAfterJobs final : public IProgressLink {
 public:
  explicit TStopAfterJobs(int Jobs) : Left_(Jobs) {}
  void SetProgressRange(std::int32_t, std::int32_t) override {}
  void SetProgressPosition(std::int32_t) override {}
  void ShowProgress() override { Stopped_ = Left_ <= 0; }
  void RepaintProgress() override {}
  void CloseProgress() override {}
  void SetNodeText(std::string_view) override {}
  void ProcessMessages() override {}
  bool StopRequested() const override { return Stopped_; }
  void ShowTask() override { Stopped_ = --Left_ <= 0; }

 private:
  int Left_;
  bool Stopped_ = false;
};

int Pick(std::mt19937& Random, int Lo, int Hi) { return std::uniform_int_distribution<int>(Lo, Hi)(Random); }

// A small task in the sizes a shop uses, scaled down so that a search stays
// quick: up to three sheets, six kinds of piece and a dozen of each.
void RandomTask(std::mt19937& Random, TPlan& Task) {
  const float Rates[] = {0.0f, 0.5f, 0.8f, 0.9f, 1.0f, 1.5f};
  const int Depth = Pick(Random, 0, 9) == 0 ? 2 : Pick(Random, 0, 1);
  NewPlan(Task, Depth, Pick(Random, 0, 2) == 0 ? 0 : Pick(Random, 1, 6), Rates[Pick(Random, 0, 5)]);
  for (int s = Pick(Random, 1, 3); s > 0; --s)
    AddSrcRect(Task, TSrcRect{"S", Pick(Random, 40, 300), Pick(Random, 30, 200)});
  for (int i = Pick(Random, 1, 6); i > 0; --i) {
    const int Quantity = Pick(Random, 0, 12);
    TObjPlan Piece{"P", Pick(Random, 5, 120), Pick(Random, 5, 120), Quantity, Quantity};
    if (Pick(Random, 0, 7) == 0) Piece.Width = Piece.Length;  // a square
    AddObjPlan(Task, Piece);
  }
}

std::string Compute(TPlan& Task, IProgressLink& Link) {
  std::string Message;
  MakePlan(Task, Message, Link);
  return Message;
}

// Replays the jobs from the ordered quantities: each takes no more of a
// piece than is still pending, and cuts as many sheets as the pending
// counts allow (one more sheet would cut too many of some piece).
std::string JobCountFault(const TPlan& Task) {
  std::array<std::int64_t, MaxObjPlans + 1> Pending{};
  for (std::int32_t i = 1; i <= Task.ObjCount; ++i) Pending[static_cast<std::size_t>(i)] = Task.ObjPlans[i].Quantity;
  for (std::int32_t j = 1; j <= Task.JobCount; ++j) {
    const TJob& Job = Task.Jobs[j];
    std::array<std::int64_t, MaxObjPlans + 1> Copies{};
    for (std::int32_t k = 1; k <= Job.RectCount; ++k) ++Copies[static_cast<std::size_t>(Job.Rects[k].ObjNo)];
    bool Tight = false;
    for (std::size_t i = 1; i <= static_cast<std::size_t>(Task.ObjCount); ++i) {
      if (Copies[i] == 0) continue;
      Pending[i] -= Copies[i] * Job.Count;
      if (Pending[i] < 0) return "job " + std::to_string(j) + " cuts more of piece " + std::to_string(i) + " than pending";
      Tight = Tight || Pending[i] < Copies[i];
    }
    if (!Tight) return "job " + std::to_string(j) + " could be cut once more";
  }
  return {};
}

// With positive sizes, a piece that fits a sheet alone makes a layout of
// positive utilisation, so a calculation that ended with it pending (and
// room left in the job table) gave up too early.
std::string GaveUpEarly(const TPlan& Task) {
  if (AllPlaced(Task) || Task.JobCount >= MaxJobs) return {};
  for (std::int32_t i = 1; i <= Task.ObjCount; ++i) {
    const TObjPlan& O = Task.ObjPlans[i];
    if (O.Pending <= 0) continue;
    for (std::int32_t s = 1; s <= Task.SrcCount; ++s) {
      const TSrcRect& S = Task.SrcRects[s];
      if ((O.Length <= S.Length && O.Width <= S.Width) || (O.Width <= S.Length && O.Length <= S.Width))
        return "piece " + std::to_string(i) + " fits sheet " + std::to_string(s) + " but stayed pending";
    }
  }
  return {};
}

TEST(PlanProperties, RandomTasksGiveValidPlansThatContinueAlike) {
  std::mt19937 Random(20261209);
  int Calculations = 0, Continued = 0, Jobs = 0;
  // Records of 2 MB reused from case to case: fresh ones would mostly
  // measure the memory manager.
  const auto Base = NewTask(), Whole = NewTask(), Part = NewTask(), Reopened = NewTask();
  for (int Case = 0; Case < 2000; ++Case) {
    RandomTask(Random, *Base);
    for (const bool Rigid : {false, true}) {
      *Whole = *Base;
      Whole->RigidFlag = Rigid;
      TNullProgressLink Quiet;
      ASSERT_EQ(Compute(*Whole, Quiet), "") << "case " << Case;
      ++Calculations;
      Jobs += Whole->JobCount;
      const std::string Where = "case " + std::to_string(Case) + (Rigid ? " rigid\n" : " not rigid\n");
      ASSERT_EQ(CheckPlan(*Whole), "") << Where << PlanToText(*Whole);
      ASSERT_EQ(JobCountFault(*Whole), "") << Where << PlanToText(*Whole);
      ASSERT_EQ(GaveUpEarly(*Whole), "") << Where << PlanToText(*Whole);
      for (std::int32_t j = 1; j <= Whole->JobCount; ++j)
        ASSERT_GT(CalcJobRate(*Whole, Whole->Jobs[j]), 0.0f) << Where << "job " << j;

      // Stopped after some of the jobs, saved, loaded into a new task and
      // continued: the same plan as the one run through.
      if (Whole->JobCount < 2) continue;
      const int StopAfter = Pick(Random, 1, Whole->JobCount - 1);
      *Part = *Base;
      Part->RigidFlag = Rigid;
      TStopAfterJobs Stop(StopAfter);
      ASSERT_EQ(Compute(*Part, Stop), "");
      ASSERT_EQ(Part->JobCount, StopAfter) << Where;
      ASSERT_FALSE(AllPlaced(*Part)) << Where;
      NewPlan(*Reopened, 1, 0, 1.0f);
      Reopened->RigidFlag = Rigid;  // not in the file: the window's setting
      if (Case % 40 == 0) {
        // Now and then through a real file; the text is the same either way.
        testdata::TTempDir Dir;
        SavePlan(*Part, Dir.File("part.tsk"));
        LoadPlan(*Reopened, Dir.File("part.tsk"));
      } else {
        PlanFromText(*Reopened, PlanToText(*Part));
      }
      ASSERT_EQ(Compute(*Reopened, Quiet), "");
      ASSERT_EQ(PlanToText(*Reopened), PlanToText(*Whole)) << Where << "stopped after job " << StopAfter;
      ++Continued;
    }
  }
  // The figures the tasks reach, so that a change of the generator that
  // makes them trivial shows.
  EXPECT_EQ(Calculations, 4000);
  EXPECT_GT(Continued, 2000);
  EXPECT_GT(Jobs, 8000);
  std::printf("PlanProperties: %d calculations, %d continued after a stop, %d jobs\n", Calculations, Continued, Jobs);
}

TEST(PlanProperties, OddSizesStillGiveValidPlans) {
  // Sizes a file can hold though no grid takes them: zero, negative and at
  // the ends of the 64-bit range, the knife width among them.
  const TLength Values[] = {0, 1, -1, 7, 100, 2440, INT32_MAX, INT64_MAX, INT64_MIN, TLength{1} << 61, -(TLength{1} << 40)};
  std::mt19937 Random(97);
  auto Value = [&] { return Values[Pick(Random, 0, static_cast<int>(std::size(Values)) - 1)]; };
  const auto Task = NewTask();
  int Calculations = 0;
  for (int Case = 0; Case < 400; ++Case) {
    NewPlan(*Task, Pick(Random, 0, 1), Pick(Random, 0, 3) == 0 ? Value() : 0, Pick(Random, 0, 1) ? 1.0f : 0.5f);
    Task->RigidFlag = Case % 2 == 0;
    for (int s = Pick(Random, 1, 3); s > 0; --s) AddSrcRect(*Task, TSrcRect{"S", Value(), Value()});
    for (int i = Pick(Random, 1, 4); i > 0; --i) {
      const int Quantity = Pick(Random, 0, 5);
      AddObjPlan(*Task, TObjPlan{"P", Value(), Value(), Quantity, Quantity});
    }
    TNullProgressLink Quiet;
    ASSERT_EQ(Compute(*Task, Quiet), "") << "case " << Case;
    ++Calculations;
    ASSERT_EQ(CheckPlan(*Task), "") << "case " << Case << "\n" << PlanToText(*Task);
    ASSERT_EQ(JobCountFault(*Task), "") << "case " << Case << "\n" << PlanToText(*Task);
    for (std::int32_t i = 1; i <= Task->ObjCount; ++i) ASSERT_GE(Task->ObjPlans[i].Pending, 0) << "case " << Case;
  }
  EXPECT_EQ(Calculations, 400);
}

}  // namespace
