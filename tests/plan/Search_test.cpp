// The layout search: compared with the plain search on random
// tasks, and its rules checked one by one.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <random>
#include <stdexcept>
#include <thread>

#include "CalcPlan.h"
#include "support/RecordingLink.h"
#include "support/ReferenceSearch.h"
#include "support/TestData.h"

namespace {

using testdata::NewTask;
using testdata::TRecordingLink;

std::unique_ptr<TJob> StartLayout(std::int32_t Sheet) {
  auto Job = std::make_unique<TJob>();
  Job->SheetNo = Sheet;
  Job->PointCount = 1;
  Job->Points[1] = {0, 0, pkMinMin};
  return Job;
}

std::string LayoutText(const TJob& Job) {
  std::string Text = "rate " + std::to_string(Job.Rate) + " points";
  for (std::int32_t k = 1; k <= Job.PointCount; ++k)
    Text += " " + std::to_string(Job.Points[k].X) + "," + std::to_string(Job.Points[k].Y) + "," +
            std::to_string(Job.Points[k].Kind);
  Text += " pieces";
  for (std::int32_t k = 1; k <= Job.RectCount; ++k)
    Text += " " + std::to_string(Job.Rects[k].ObjNo) + "@" + std::to_string(Job.Rects[k].X) + "," +
            std::to_string(Job.Rects[k].Y) + (Job.Rects[k].Rotated ? "r" : "");
  return Text;
}

// Task with its pieces sorted as the driver sorts them, all pending.
std::unique_ptr<TPlan> SortedAsTheDriverSorts(std::unique_ptr<TPlan> Task) {
  std::string Message;
  TNullProgressLink Link;
  // Sorting is the driver's first step; a task of all pieces placed stops there.
  for (std::int32_t i = 1; i <= Task->ObjCount; ++i) Task->ObjPlans[i].Pending = 0;
  MakePlan(*Task, Message, Link);
  ClearJobs(*Task);
  return Task;
}

// A small random task: pieces sorted as the driver sorts them.
std::unique_ptr<TPlan> RandomTask(std::mt19937& Random, bool Rigid) {
  auto Pick = [&](int Lo, int Hi) { return std::uniform_int_distribution<int>(Lo, Hi)(Random); };
  const float Rates[] = {0.0f, 0.5f, 0.8f, 0.9f, 1.0f, 1.5f};
  auto Task = NewTask(Pick(0, 2), Pick(0, 1) ? 0 : Pick(1, 6), Rates[Pick(0, 5)]);
  Task->RigidFlag = Rigid;
  for (int s = Pick(1, 2); s > 0; --s) AddSrcRect(*Task, TSrcRect{"S", Pick(40, 140), Pick(30, 120)});
  for (int i = Pick(1, 4); i > 0; --i) {
    const int Count = Pick(1, 5);
    AddObjPlan(*Task, TObjPlan{"P", Pick(5, 70), Pick(5, 70), Count, Count});
  }
  if (Pick(0, 5) == 0) Task->ObjPlans[1].Width = Task->ObjPlans[1].Length;  // a square
  return SortedAsTheDriverSorts(std::move(Task));
}

TEST(SearchLayout, SameLayoutsAsThePlainSearch) {
  std::mt19937 Random(20261208);
  int Compared = 0;
  for (int Case = 0; Case < 300; ++Case) {
    auto Task = RandomTask(Random, Case % 2 == 0);
    for (std::int32_t s = 1; s <= Task->SrcCount; ++s) {
      auto Fast = StartLayout(s), Plain = StartLayout(s);
      TNullProgressLink Link;
      TSearchStats Stats;
      std::uint64_t PlainNodes = 0;
      SearchLayout(*Task, *Fast, 1, "p", Link, &Stats);
      testdata::ReferenceSearchLayout(*Task, *Plain, 1, PlainNodes);
      ASSERT_EQ(LayoutText(*Fast), LayoutText(*Plain)) << "case " << Case << " sheet " << s << "\n"
                                                       << PlanToText(*Task);
      ASSERT_EQ(Stats.Nodes, PlainNodes) << "case " << Case;
      ASSERT_EQ(CheckLayout(*Task, *Fast), "") << "case " << Case;
      ++Compared;
    }
  }
  EXPECT_GT(Compared, 300);
}

TEST(SearchLayout, SameCornerPointsAsThePlainSearchWhenSmallPiecesFollowLargeOnes) {
  // Large pieces first leave narrow gaps whose points no piece fits in; the
  // small pieces placed later may still cover such points or sit on them,
  // and those points must end up dead exactly as in the plain search.
  std::mt19937 Random(20261209);
  auto Pick = [&](int Lo, int Hi) { return std::uniform_int_distribution<int>(Lo, Hi)(Random); };
  int Compared = 0;
  for (int Case = 0; Case < 120; ++Case) {
    auto Task = NewTask(Pick(0, 1), Pick(0, 3), 1.5f);
    Task->RigidFlag = Case % 2 == 0;
    AddSrcRect(*Task, TSrcRect{"S", Pick(100, 200), Pick(80, 160)});
    const int Middle = Pick(1, 4), Small = Pick(3, 12);
    AddObjPlan(*Task, TObjPlan{"L", Pick(40, 90), Pick(30, 70), 2, 2});
    AddObjPlan(*Task, TObjPlan{"M", Pick(15, 35), Pick(15, 35), Middle, Middle});
    AddObjPlan(*Task, TObjPlan{"S", Pick(3, 12), Pick(3, 12), Small, Small});
    auto Fast = StartLayout(1), Plain = StartLayout(1);
    TNullProgressLink Link;
    std::uint64_t Nodes = 0;
    SearchLayout(*Task, *Fast, 1, "p", Link);
    testdata::ReferenceSearchLayout(*Task, *Plain, 1, Nodes);
    ASSERT_EQ(LayoutText(*Fast), LayoutText(*Plain)) << "case " << Case << "\n" << PlanToText(*Task);
    Compared += Fast->RectCount > 3;
  }
  EXPECT_GT(Compared, 60);
}

TEST(SearchLayout, SameLayoutsAsThePlainSearchOnSizesThatTileTheSheet) {
  // Sizes on a grid, knife path included, let pieces fill gaps exactly: then
  // trials anchored on different points take the same footprint, squares
  // abound, and the completions of a node's trials run against the best one
  // before them. Node counts too, with one thread and with two.
  TSearchTeam Two(2);
  std::mt19937 Random(20261210);
  auto Pick = [&](int Lo, int Hi) { return std::uniform_int_distribution<int>(Lo, Hi)(Random); };
  int Full = 0;
  for (int Case = 0; Case < 100; ++Case) {
    const int K = Pick(0, 1) ? 0 : Pick(1, 4), Unit = Pick(8, 20);
    auto Task = NewTask(Pick(1, 2), K, Case % 3 == 0 ? 0.9f : 1.5f);
    Task->RigidFlag = Case % 2 == 0;
    AddSrcRect(*Task, TSrcRect{"S", Pick(3, 8) * Unit - K, Pick(2, 6) * Unit - K});
    for (int i = Pick(2, 4); i > 0; --i) {
      const int Count = Pick(1, 6);
      AddObjPlan(*Task, TObjPlan{"P", Pick(1, 3) * Unit - K, Pick(1, 3) * Unit - K, Count, Count});
    }
    Task = SortedAsTheDriverSorts(std::move(Task));
    auto Plain = StartLayout(1);
    std::uint64_t PlainNodes = 0;
    testdata::ReferenceSearchLayout(*Task, *Plain, 1, PlainNodes);
    Full += Plain->Rate == 1.0f;
    for (TSearchTeam* Team : {static_cast<TSearchTeam*>(nullptr), &Two}) {
      auto Fast = StartLayout(1);
      TNullProgressLink Link;
      TSearchStats Stats;
      SearchLayout(*Task, *Fast, 1, "p", Link, &Stats, Team);
      ASSERT_EQ(LayoutText(*Fast), LayoutText(*Plain)) << "case " << Case << "\n" << PlanToText(*Task);
      ASSERT_EQ(Stats.Nodes, PlainNodes) << "case " << Case;
    }
  }
  EXPECT_GT(Full, 10) << "sheets filled exactly";
}

TEST(SearchLayout, SameLayoutsAsThePlainSearchFromPartialLayouts) {
  // The search also continues a layout that already holds pieces.
  std::mt19937 Random(7);
  for (int Case = 0; Case < 60; ++Case) {
    auto Task = RandomTask(Random, Case % 2 == 1);
    auto Fast = StartLayout(1);
    if (PieceFits(*Task, *Fast, 1, 0, 1)) PlacePiece(*Task, *Fast, 1, 0, 1);
    auto Plain = std::make_unique<TJob>(*Fast);
    TNullProgressLink Link;
    std::uint64_t Nodes = 0;
    SearchLayout(*Task, *Fast, 2, "p", Link);
    testdata::ReferenceSearchLayout(*Task, *Plain, 2, Nodes);
    ASSERT_EQ(LayoutText(*Fast), LayoutText(*Plain)) << "case " << Case;
  }
}

TEST(SearchLayout, TheTaskPassedInIsNotChanged) {
  std::mt19937 Random(3);
  auto Task = RandomTask(Random, true);
  const std::string Before = PlanToText(*Task);
  auto Job = StartLayout(1);
  TNullProgressLink Link;
  SearchLayout(*Task, *Job, 1, "p", Link);
  EXPECT_EQ(PlanToText(*Task), Before);
}

TEST(SearchLayout, SquaresAreTriedTurnedOnlyAtBranchingNodes) {
  // Depth 1, one square piece: the root tries (0,0) unturned and turned.
  auto Task = NewTask(1, 0, 2.0f);
  AddSrcRect(*Task, TSrcRect{"S", 100, 100});
  AddObjPlan(*Task, TObjPlan{"sq", 10, 10, 1, 1});
  auto Job = StartLayout(1);
  TRecordingLink Link;
  TSearchStats Stats;
  SearchLayout(*Task, *Job, 1, "p", Link, &Stats);
  EXPECT_EQ(Stats.Nodes, 3u);
  EXPECT_EQ(Job->Rects[1].Rotated, 0) << "the turned trial only ties";
  EXPECT_EQ(Link.NodeTexts, std::vector<std::string>{"p"}) << "greedy nodes show no node text";

  // Depth 0: the greedy completion fills the sheet with unturned squares.
  Task->SearchDepth = 0;
  Task->SrcRects[1] = TSrcRect{"S", 50, 50};
  Task->ObjPlans[1].Pending = 200;
  auto Greedy = StartLayout(1);
  SearchLayout(*Task, *Greedy, 1, "p", Link);
  EXPECT_EQ(Greedy->RectCount, 25);
  for (std::int32_t k = 1; k <= Greedy->RectCount; ++k) EXPECT_EQ(Greedy->Rects[k].Rotated, 0);
  EXPECT_EQ(Greedy->Rate, 1.0f);
}

TEST(SearchLayout, ExpectedRateDecidesHowMuchIsSearched) {
  auto Task = NewTask(1, 0, 0.0f);
  AddSrcRect(*Task, TSrcRect{"S", 100, 50});
  AddObjPlan(*Task, TObjPlan{"A", 30, 20, 3, 3});
  AddObjPlan(*Task, TObjPlan{"B", 20, 10, 3, 3});
  TNullProgressLink Link;
  TSearchStats Stats;
  auto Job = StartLayout(1);
  SearchLayout(*Task, *Job, 1, "p", Link, &Stats);
  EXPECT_EQ(Stats.Nodes, 2u) << "expected rate 0: the first trial with a positive rate ends the search";

  Task->ExpectedRate = 1.5f;
  Stats = {};
  auto All = StartLayout(1);
  SearchLayout(*Task, *All, 1, "p", Link, &Stats);
  EXPECT_EQ(Stats.Nodes, 5u) << "above 1 the whole tree: 2 pieces x 2 orientations at the root";
}

TEST(SearchLayout, RigidResultsAreCuttableAtEveryStep) {
  std::mt19937 Random(11);
  for (int Case = 0; Case < 100; ++Case) {
    auto Task = RandomTask(Random, true);
    auto Job = StartLayout(1);
    TNullProgressLink Link;
    SearchLayout(*Task, *Job, 1, "p", Link);
    // Every prefix of the placed list is a layout the search went through.
    auto Prefix = std::make_unique<TJob>(*Job);
    for (Prefix->RectCount = 0; Prefix->RectCount <= Job->RectCount; ++Prefix->RectCount)
      ASSERT_TRUE(IsGuillotine(*Task, *Prefix)) << "case " << Case << " after " << Prefix->RectCount;
    // No piece occurs more often than it was pending.
    for (std::int32_t i = 1; i <= Task->ObjCount; ++i) {
      int Copies = 0;
      for (std::int32_t k = 1; k <= Job->RectCount; ++k) Copies += Job->Rects[k].ObjNo == i;
      ASSERT_LE(Copies, Task->ObjPlans[i].Pending);
    }
  }
}

TEST(SearchLayout, StopRequestEndsTheSearchWithTheBestLayoutSoFar) {
  auto Task = NewTask(2, 0, 2.0f);
  AddSrcRect(*Task, TSrcRect{"S", 200, 100});
  AddObjPlan(*Task, TObjPlan{"A", 50, 40, 6, 6});
  AddObjPlan(*Task, TObjPlan{"B", 30, 20, 6, 6});
  TSearchStats Full;
  auto Whole = StartLayout(1);
  TNullProgressLink Quiet;
  SearchLayout(*Task, *Whole, 1, "p", Quiet, &Full);
  ASSERT_GT(Full.Nodes, 20u);

  TRecordingLink AtOnce;
  AtOnce.StopAfterRounds = 1;
  auto Untouched = StartLayout(1);
  SearchLayout(*Task, *Untouched, 1, "p", AtOnce);
  EXPECT_EQ(Untouched->RectCount, 0) << "a search that starts after the stop returns its layout unchanged";
  EXPECT_EQ(Untouched->Rate, 0.0f);

  TRecordingLink Midway;
  Midway.StopAfterRounds = 10;
  TSearchStats Part;
  auto Stopped = StartLayout(1);
  SearchLayout(*Task, *Stopped, 1, "p", Midway, &Part);
  EXPECT_EQ(Part.Nodes, 10u) << "no node starts after the stop";
  EXPECT_GT(Stopped->RectCount, 0) << "the best layout found before the stop";
  EXPECT_EQ(CheckLayout(*Task, *Stopped), "");
  EXPECT_LE(Stopped->Rate, Whole->Rate);
}

TEST(SearchLayout, NodeTextsNameThePathOfEveryBranchingNode) {
  auto Task = NewTask(2, 0, 2.0f);
  AddSrcRect(*Task, TSrcRect{"S", 100, 100});
  AddObjPlan(*Task, TObjPlan{"A", 60, 60, 1, 1});
  AddObjPlan(*Task, TObjPlan{"B", 30, 20, 1, 1});
  TRecordingLink Link;
  auto Job = StartLayout(1);
  SearchLayout(*Task, *Job, 1, "作业:1 毛坯:1 计划:", Link);
  ASSERT_GE(Link.NodeTexts.size(), 3u);
  EXPECT_EQ(Link.NodeTexts[0], "作业:1 毛坯:1 计划:");
  EXPECT_EQ(Link.NodeTexts[1], "作业:1 毛坯:1 计划:/1.0.1");
  // The square is tried turned at the root too, on the same point.
  EXPECT_EQ(Link.NodeTexts[2], "作业:1 毛坯:1 计划:/1.1.1");
  EXPECT_EQ(Link.NodeTexts[3], "作业:1 毛坯:1 计划:/2.0.1");
}

TEST(SearchLayout, NothingFitsReturnsTheInputWithItsRate) {
  auto Task = NewTask(1, 0, 1.0f);
  AddSrcRect(*Task, TSrcRect{"S", 10, 10});
  AddObjPlan(*Task, TObjPlan{"big", 20, 20, 1, 1});
  AddSrcRect(*Task, TSrcRect{"flat", 10, 0});
  TNullProgressLink Link;
  for (std::int32_t Depth : {0, 1}) {
    Task->SearchDepth = Depth;
    auto Job = StartLayout(1);
    SearchLayout(*Task, *Job, 1, "p", Link);
    EXPECT_EQ(Job->RectCount, 0);
    EXPECT_EQ(Job->PointCount, 1);
    EXPECT_EQ(Job->Rate, 0.0f);
    auto Flat = StartLayout(2);
    SearchLayout(*Task, *Flat, 1, "p", Link);
    EXPECT_EQ(Flat->Rate, -1.0f);
  }
}

TEST(SearchLayout, HugeAndNegativeSizesGiveValidLayouts) {
  std::mt19937 Random(5);
  const TLength Values[] = {0, 1, -1, 7, INT64_MAX, INT64_MIN, INT64_MAX / 2, TLength{1} << 61, 1000};
  auto Pick = [&] { return Values[std::uniform_int_distribution<int>(0, 8)(Random)]; };
  for (int Case = 0; Case < 200; ++Case) {
    auto Task = NewTask(Case % 2, Pick(), 1.0f);
    Task->RigidFlag = Case % 3 == 0;
    AddSrcRect(*Task, TSrcRect{"S", Pick(), Pick()});
    for (int i = 0; i < 3; ++i) AddObjPlan(*Task, TObjPlan{"P", Pick(), Pick(), 2, 2});
    auto Fast = StartLayout(1), Plain = StartLayout(1);
    TNullProgressLink Link;
    std::uint64_t Nodes = 0;
    SearchLayout(*Task, *Fast, 1, "p", Link);
    testdata::ReferenceSearchLayout(*Task, *Plain, 1, Nodes);
    ASSERT_EQ(LayoutText(*Fast), LayoutText(*Plain)) << "case " << Case << "\n" << PlanToText(*Task);
    ASSERT_EQ(CheckLayout(*Task, *Fast), "") << "case " << Case << "\n" << PlanToText(*Task) << LayoutText(*Fast);
  }
}

}  // namespace

namespace {

// A link that notes whether any call came from another thread than the one
// that made it.
class TThreadCheckingLink final : public IProgressLink {
 public:
  bool OtherThread = false;
  long Calls = 0;
  void SetProgressRange(std::int32_t, std::int32_t) override { Note(); }
  void SetProgressPosition(std::int32_t) override { Note(); }
  void ShowProgress() override { Note(); }
  void RepaintProgress() override { Note(); }
  void CloseProgress() override { Note(); }
  void SetNodeText(std::string_view) override { Note(); }
  void ProcessMessages() override { Note(); }
  bool StopRequested() const override {
    if (std::this_thread::get_id() != Owner_) Other_ = true;
    return false;
  }
  void ShowTask() override { Note(); }
  bool AnyOtherThread() const { return OtherThread || Other_; }

 private:
  void Note() {
    ++Calls;
    if (std::this_thread::get_id() != Owner_) OtherThread = true;
  }
  std::thread::id Owner_ = std::this_thread::get_id();
  mutable bool Other_ = false;
};

TEST(SearchTeam, SameLayoutsAndNodeCountsAsOneThread) {
  // Every trial order matters here: early stops at the expected rate, ties,
  // rigid and not, partial layouts and depths 0 to 2.
  TSearchTeam Two(2), Three(3);
  std::mt19937 Random(424242);
  for (int Case = 0; Case < 150; ++Case) {
    auto Task = RandomTask(Random, Case % 2 == 0);
    const bool Partial = Case % 5 == 0;
    for (std::int32_t s = 1; s <= Task->SrcCount; ++s) {
      auto Start = StartLayout(s);
      if (Partial && PieceFits(*Task, *Start, 1, 0, 1)) PlacePiece(*Task, *Start, 1, 0, 1);
      const std::int32_t Level = Partial ? 2 : 1;
      auto Plain = std::make_unique<TJob>(*Start);
      std::uint64_t PlainNodes = 0;
      testdata::ReferenceSearchLayout(*Task, *Plain, Level, PlainNodes);
      for (TSearchTeam* Team : {&Two, &Three}) {
        auto Fast = std::make_unique<TJob>(*Start);
        TNullProgressLink Link;
        TSearchStats Stats;
        SearchLayout(*Task, *Fast, Level, "p", Link, &Stats, Team);
        ASSERT_EQ(LayoutText(*Fast), LayoutText(*Plain))
            << "case " << Case << " sheet " << s << " threads " << Team->Threads() << "\n" << PlanToText(*Task);
        ASSERT_EQ(Stats.Nodes, PlainNodes) << "case " << Case << " threads " << Team->Threads();
      }
    }
  }
}

TEST(SearchTeam, TheLinkIsCalledFromTheCallingThreadOnly) {
  auto Task = NewTask(2, 0, 2.0f);
  AddSrcRect(*Task, TSrcRect{"S", 200, 100});
  AddObjPlan(*Task, TObjPlan{"A", 50, 40, 6, 6});
  AddObjPlan(*Task, TObjPlan{"B", 30, 20, 6, 6});
  AddObjPlan(*Task, TObjPlan{"C", 25, 15, 9, 9});
  TThreadCheckingLink Link;
  std::string Message;
  MakePlan(*Task, Message, Link, nullptr, 3);
  EXPECT_GT(Link.Calls, 10);
  EXPECT_FALSE(Link.AnyOtherThread());
  EXPECT_EQ(CheckPlan(*Task), "");
}

TEST(SearchTeam, StopRequestEndsTheSearchWithAValidLayout) {
  // Only the calculation's thread processes messages, so a helper gets
  // through half of the search before the stop only if that thread is kept
  // off its core meanwhile. At depth 3 (a few milliseconds) a loaded machine
  // did that once; at depth 4 it would take a tenth of a second.
  auto Task = NewTask(4, 0, 2.0f);
  AddSrcRect(*Task, TSrcRect{"S", 300, 200});
  AddObjPlan(*Task, TObjPlan{"A", 50, 40, 6, 6});
  AddObjPlan(*Task, TObjPlan{"D", 45, 35, 4, 4});
  AddObjPlan(*Task, TObjPlan{"B", 30, 20, 6, 6});
  TSearchTeam Team(2);
  TSearchStats Full;
  auto Whole = StartLayout(1);
  TNullProgressLink Quiet;
  SearchLayout(*Task, *Whole, 1, "p", Quiet, &Full, &Team);
  ASSERT_GT(Full.Nodes, 100000u) << Full.Nodes;

  TRecordingLink AtOnce;
  AtOnce.StopAfterRounds = 1;
  auto Untouched = StartLayout(1);
  SearchLayout(*Task, *Untouched, 1, "p", AtOnce, nullptr, &Team);
  EXPECT_EQ(Untouched->RectCount, 0) << "a search that starts after the stop returns its layout unchanged";

  for (long Rounds : {2L, 5L, 20L}) {
    TRecordingLink Midway;
    Midway.StopAfterRounds = Rounds;
    TSearchStats Part;
    auto Stopped = StartLayout(1);
    SearchLayout(*Task, *Stopped, 1, "p", Midway, &Part, &Team);
    EXPECT_LT(Part.Nodes, Full.Nodes / 2) << Rounds;
    EXPECT_EQ(CheckLayout(*Task, *Stopped), "") << Rounds;
    EXPECT_LE(Stopped->Rate, Whole->Rate) << Rounds;
  }
}

TEST(SearchTeam, EveryHelperWorksAndAFailureReachesTheCaller) {
  TSearchTeam Team(4);
  ASSERT_EQ(Team.Threads(), 4);
  std::array<std::atomic<int>, 4> Runs{};
  Team.Start([&](std::int32_t Helper) { ++Runs[static_cast<std::size_t>(Helper)]; });
  while (!Team.WaitFor(std::chrono::milliseconds(10))) {
  }
  EXPECT_EQ(Runs[0], 0) << "the caller's share is its own";
  for (int h = 1; h < 4; ++h) EXPECT_EQ(Runs[static_cast<std::size_t>(h)], 1) << h;

  Team.Start([](std::int32_t Helper) {
    if (Helper == 2) throw std::runtime_error("helper 2 failed");
  });
  EXPECT_THROW(
      {
        while (!Team.WaitFor(std::chrono::milliseconds(10))) {
        }
      },
      std::runtime_error);
  // The team goes on working after a failure.
  Team.Start([&](std::int32_t Helper) { ++Runs[static_cast<std::size_t>(Helper)]; });
  while (!Team.WaitFor(std::chrono::milliseconds(10))) {
  }
  EXPECT_EQ(Runs[3], 2);
}

}  // namespace

namespace {

// Sets the vector width for one scope.
struct TVectorScope {
  explicit TVectorScope(TVectorWidth Width) { LimitSearchVectors(Width); }
  ~TVectorScope() { LimitSearchVectors(TVectorWidth::Widest); }
};

TEST(SearchVectors, SseOnlyGivesTheSameLayoutsAsThePlainSearch) {
  // The widest instructions are what the other tests see on a processor
  // that has them; these are what the others run on.
  TVectorScope Scope(TVectorWidth::Sse2);
  std::mt19937 Random(99);
  for (int Case = 0; Case < 200; ++Case) {
    auto Task = RandomTask(Random, Case % 2 == 0);
    for (std::int32_t s = 1; s <= Task->SrcCount; ++s) {
      auto Fast = StartLayout(s), Plain = StartLayout(s);
      TNullProgressLink Link;
      TSearchStats Stats;
      std::uint64_t PlainNodes = 0;
      SearchLayout(*Task, *Fast, 1, "p", Link, &Stats);
      testdata::ReferenceSearchLayout(*Task, *Plain, 1, PlainNodes);
      ASSERT_EQ(LayoutText(*Fast), LayoutText(*Plain)) << "case " << Case << "\n" << PlanToText(*Task);
      ASSERT_EQ(Stats.Nodes, PlainNodes) << "case " << Case;
    }
  }
}

TEST(SearchVectors, SseOnlyComputesEveryVector) {
  TVectorScope Scope(TVectorWidth::Sse2);
  for (const testdata::TCase& C : testdata::Cases(TAVIK_VECTORS_DIR)) {
    if (!C.Error.empty()) continue;
    auto Task = NewTask();
    Task->RigidFlag = C.Rigid;
    LoadPlan(*Task, C.Input);
    std::string Message;
    TNullProgressLink Link;
    MakePlan(*Task, Message, Link, nullptr, 2);
    ASSERT_EQ(PlanToText(*Task), testdata::ReadBytes(C.Expected)) << C.Name;
  }
}

}  // namespace
