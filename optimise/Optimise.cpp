#include "Optimise.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <limits>
#include <memory>
#include <mutex>
#include <thread>

#include "Chain.h"
#include "Driver.h"
#include "LayoutCheck.h"
#include "Recombine.h"
#include "SearchTeam.h"

namespace Optimise {

namespace {

// The exact calculation runs inside the optimiser's own progress display:
// its opening and closing must not end the display, and a stop asked for
// during it must still count afterwards, when the link would say "stop"
// merely because the display was closed.
class TExactLink final : public IProgressLink {
 public:
  explicit TExactLink(IProgressLink& Outer) : Outer_(Outer) {}
  void SetProgressRange(std::int32_t Min, std::int32_t Max) override { Outer_.SetProgressRange(Min, Max); }
  void SetProgressPosition(std::int32_t Position) override { Outer_.SetProgressPosition(Position); }
  void ShowProgress() override {}
  void RepaintProgress() override { Outer_.RepaintProgress(); }
  void CloseProgress() override {}
  void SetNodeText(std::string_view Path) override { Outer_.SetNodeText(Path); }
  void ProcessMessages() override { Outer_.ProcessMessages(); }
  bool StopRequested() const override {
    if (Outer_.StopRequested()) Stopped_ = true;
    return Stopped_;
  }
  void ShowTask() override {}
  bool Stopped() const { return Stopped_; }

 private:
  IProgressLink& Outer_;
  mutable bool Stopped_ = false;
};

struct TProgressCloser {
  IProgressLink& Link;
  ~TProgressCloser() { Link.CloseProgress(); }
};

// Independent chains, each with knobs of its own. Their number is fixed, so
// that the plan does not depend on the number of threads running them.
constexpr std::int32_t ChainCount = 4;
// Of the work budget the chains get ChainShare percent; the rest prices new
// patterns for the recombination of the chains' patterns.
constexpr std::int64_t ChainShare = 40;
// Branch-and-bound nodes of the recombination per work unit.
constexpr std::int64_t NodesPerUnit = 2;

std::int64_t UnitSteps(const TOptimiseParams& Params) { return std::max<std::int64_t>(1, Params.UnitSteps); }

std::int64_t Steps(const TOptimiseParams& Params) {
  const std::int64_t Unit = UnitSteps(Params);
  return Params.Effort > std::numeric_limits<std::int64_t>::max() / Unit ? std::numeric_limits<std::int64_t>::max()
                                                                         : Params.Effort * Unit;
}

// Generator steps of the recombination.
std::int64_t RecombineBudget(const TOptimiseParams& Params) { return Steps(Params) / 100 * (100 - ChainShare); }

TChainParams ChainSetting(std::int32_t c, const TOptimiseParams& Params) {
  TChainParams P;
  P.Seed = Params.Seed * 0x9E3779B97F4A7C15ull + static_cast<std::uint64_t>(c) * 0xD1B54A32D192ED03ull;
  P.Budget = Steps(Params) / 100 * ChainShare / ChainCount;
  switch (c) {
    case 0: P.Gen.HeightBias = 0; P.Noise = 0.1; P.Gen.FirstStrips = 3; break;
    case 1: P.Gen.HeightBias = 0.1; P.Noise = 0.15; P.Gen.FirstStrips = 3; break;
    case 2: P.Gen.HeightBias = 0.3; P.Noise = 0.1; P.Smoothing = 0.3; break;
    default: P.Gen.HeightBias = 0.05; P.Gen.ExactStrips = 5; P.Noise = 0.2; break;
  }
  return P;
}

// The optimiser's working records, kept from one call to the next on the
// same thread, of which only the used entries are copied: a fresh record of
// this size costs more than optimising a small task (its pages are touched
// anew). A call made while another runs on the thread (from a watcher) gets
// records of its own.
class TWorkRecords {
 public:
  TWorkRecords() : Set_(Depth() == 0 ? Shared() : Own_) { ++Depth(); }
  ~TWorkRecords() { --Depth(); }
  TWorkRecords(const TWorkRecords&) = delete;
  TWorkRecords& operator=(const TWorkRecords&) = delete;

  TPlan& Exact() { return Get(Set_.Exact); }
  TPlan& Fresh() { return Get(Set_.Fresh); }
  TPlan& Candidate() { return Get(Set_.Candidate); }
  TPlan& Told() { return Get(Set_.Told); }
  // The candidate becomes the plan to hand back.
  void KeepCandidate() { std::swap(Set_.Exact, Set_.Candidate); }

 private:
  struct TSet {
    std::unique_ptr<TPlan> Exact, Fresh, Candidate, Told;
  };
  static TPlan& Get(std::unique_ptr<TPlan>& P) {
    if (!P) P = std::make_unique<TPlan>();
    return *P;
  }
  static int& Depth() {
    thread_local int Calls = 0;
    return Calls;
  }
  static TSet& Shared() {
    thread_local TSet Set;
    return Set;
  }
  TSet Own_;
  TSet& Set_;
};

bool SamePattern(const TPattern& a, const TPattern& b) {
  if (a.Kind != b.Kind || a.Places.size() != b.Places.size()) return false;
  for (std::size_t k = 0; k < a.Places.size(); ++k) {
    const TPlace &p = a.Places[k], &q = b.Places[k];
    if (p.Item != q.Item || p.X != q.X || p.Y != q.Y || p.Rot != q.Rot) return false;
  }
  return true;
}

// Appends the jobs of Solution to Plan (which has none), lowering the
// pending counts; equal layouts become one job. The single corner point
// is dead: the layout is complete and no search continues from it.
void WritePlan(const TProblem& Problem, const TSolution& Solution, TPlan& Plan) {
  std::vector<const TPattern*> Seen;
  std::vector<std::int32_t> JobOf;
  for (const TDraftJob& D : Solution.Jobs) {
    std::int32_t Same = 0;
    for (std::size_t k = 0; k < Seen.size() && Same == 0; ++k)
      if (SamePattern(*Seen[k], D.Pattern)) Same = JobOf[k];
    if (Same == 0) {
      if (Plan.JobCount >= MaxJobs) return;  // the chains never need more
      TJob& Job = Plan.Jobs[++Plan.JobCount];
      Job = TJob{};
      Job.SheetNo = Problem.Kinds[static_cast<std::size_t>(D.Pattern.Kind)].Sheet;
      Job.PointCount = 1;
      Job.Points[1] = TCornerPoint{0, 0, pkDead};
      for (const TPlace& P : D.Pattern.Places) {
        if (Job.RectCount >= MaxRects) break;
        TPlacedRect& R = Job.Rects[++Job.RectCount];
        R.ObjNo = Problem.Items[static_cast<std::size_t>(P.Item)].Obj;
        R.X = static_cast<TLength>(P.X);
        R.Y = static_cast<TLength>(P.Y);
        R.Rotated = P.Rot;
      }
      CalcJobRate(Plan, Job);
      Same = Plan.JobCount;
      Seen.push_back(&D.Pattern);
      JobOf.push_back(Same);
    }
    TJob& Job = Plan.Jobs[Same];
    Job.Count += D.Count;
    for (std::int32_t k = 1; k <= Job.RectCount; ++k) Plan.ObjPlans[Job.Rects[k].ObjNo].Pending -= D.Count;
  }
}

// What the display says about the best plan so far.
std::string BestText(const TProblem& Problem, const TSolution& S) {
  double Used = 0, Area = 0;
  for (const TDraftJob& J : S.Jobs) {
    Used += J.Count * J.Pattern.Used;
    Area += J.Count * Problem.Kinds[static_cast<std::size_t>(J.Pattern.Kind)].Area;
  }
  char Text[96];
  std::snprintf(Text, sizeof Text, "最佳方案: %lld 张, 利用率 %.1f%%", static_cast<long long>(S.Cost.Sheets),
                Area > 0 ? 100.0 * Used / Area : 0.0);
  return Text;
}

// Runs the chains on the team and the calling thread. Only the calling
// thread talks to the link; it polls it between patterns and while it
// waits for the helpers.
class TChainRunner {
 public:
  // Fresh: the task with its tables ordered and no jobs; Told: the cost of
  // the best plan the watcher already knows (the exact plan's); Scratch:
  // the record the watcher is handed plans in.
  TChainRunner(const TProblem& Problem, const TOptimiseParams& Params, IProgressLink& Link, const TPlan& Fresh,
               const TPlanCost& Told, TPlan& Scratch)
      : Problem_(Problem), Params_(Params), Link_(Link), Fresh_(Fresh), Told_(Scratch), Work_(ChainCount),
        Best_(ChainCount), Pools_(ChainCount) {
    Shown_.Cost = Told;
    Shown_.Complete = true;
    ToldCost_ = Told;
    for (auto& w : Work_) w.store(0);
    for (std::int32_t c = 0; c < ChainCount; ++c) Total_ += ChainSetting(c, Params).Budget;
    Total_ += RecombineBudget(Params);  // the progress goes on while the chains' patterns are recombined
  }

  void Run() {
    Link_.SetProgressRange(0, ProgressSteps);
    Link_.SetProgressPosition(0);
    const std::int32_t Threads = std::clamp<std::int32_t>(Params_.Threads, 1, ChainCount);
    if (Threads == 1) {
      Serve(true);
    } else {
      TSearchTeam Team(Threads);
      Team.Start([this](std::int32_t) { Serve(false); });
      Serve(true);
      while (!Team.WaitFor(std::chrono::milliseconds(20))) Poll();
    }
    Poll();
  }

  static constexpr std::int32_t ProgressSteps = 1000;

  bool Stopped() const { return Stop_.load(); }
  const TPlanCost& ToldCost() const { return ToldCost_; }
  // The progress position after the chains and Work steps of the
  // recombination.
  std::int32_t Position(std::int64_t Work) const {
    const double Done = Total_ > 0 ? (static_cast<double>(WorkDone()) + static_cast<double>(Work)) / static_cast<double>(Total_) : 1.0;
    return static_cast<std::int32_t>(std::min(1.0, Done) * ProgressSteps);
  }
  std::int64_t WorkDone() const {
    std::int64_t Sum = 0;
    for (const auto& w : Work_) Sum += w.load();
    return Sum;
  }
  const std::vector<TSolution>& Results() const { return Best_; }
  // Every pattern the chains cut, chain by chain in their fixed order.
  TPatternPool MergedPool() const {
    TPatternPool All;
    for (const TPatternPool& P : Pools_) All.Merge(P);
    return All;
  }

 private:
  void Serve(bool Caller) {
    for (;;) {
      const std::int32_t c = Next_.fetch_add(1);
      if (c >= ChainCount || Stop_.load()) return;
      TChainHooks Hooks;
      Hooks.Tick = [this, c, Caller](std::int64_t Work) {
        Work_[static_cast<std::size_t>(c)].store(Work);
        if (Caller) {
          const auto Now = std::chrono::steady_clock::now();
          if (Now - LastPoll_ >= std::chrono::milliseconds(20)) Poll();
        }
        return !Stop_.load();
      };
      Hooks.Improved = [this](const TSolution& S) {
        std::lock_guard<std::mutex> Lock(Mutex_);
        if (Better(S.Cost, Shown_.Cost)) {
          Shown_ = S;
          Text_ = BestText(Problem_, S);
          if (Params_.BestPlanFound) Untold_ = true;
        }
      };
      const TChainParams P = ChainSetting(c, Params_);
      Work_[static_cast<std::size_t>(c)].store(
          RunChain(Problem_, P, Hooks, Best_[static_cast<std::size_t>(c)], &Pools_[static_cast<std::size_t>(c)]));
    }
  }

  // On the calling thread only.
  void Poll() {
    LastPoll_ = std::chrono::steady_clock::now();
    Link_.ProcessMessages();
    if (Link_.StopRequested()) Stop_.store(true);
    const double Done = Total_ > 0 ? static_cast<double>(WorkDone()) / static_cast<double>(Total_) : 1.0;
    Link_.SetProgressPosition(static_cast<std::int32_t>(std::min(1.0, Done) * ProgressSteps));
    std::string Text;
    {
      std::lock_guard<std::mutex> Lock(Mutex_);
      Text = Text_;
    }
    if (!Text.empty() && Text != LastText_) {
      Link_.SetNodeText(Text);
      LastText_ = Text;
    }
    TellBest();
    Link_.RepaintProgress();
  }

  // Hands the watcher the newest best plan as a task, written as the final
  // plan would be; on the calling thread, outside the lock while it runs.
  void TellBest() {
    TSolution Best;
    {
      std::lock_guard<std::mutex> Lock(Mutex_);
      if (!Untold_) return;
      Best = Shown_;
      Untold_ = false;
    }
    CopyTask(Told_, Fresh_);
    WritePlan(Problem_, Best, Told_);
    Params_.BestPlanFound(Told_);
    ToldCost_ = Best.Cost;
  }

  const TProblem& Problem_;
  const TOptimiseParams& Params_;
  IProgressLink& Link_;
  const TPlan& Fresh_;
  TPlan& Told_;  // the plan the watcher is handed
  bool Untold_ = false;  // under Mutex_
  TPlanCost ToldCost_;
  std::vector<std::atomic<std::int64_t>> Work_;
  std::vector<TSolution> Best_;
  std::vector<TPatternPool> Pools_;
  std::atomic<std::int32_t> Next_{0};
  std::atomic<bool> Stop_{false};
  std::int64_t Total_ = 0;
  std::chrono::steady_clock::time_point LastPoll_ = std::chrono::steady_clock::now();
  std::mutex Mutex_;
  TSolution Shown_;
  std::string Text_, LastText_;
};

}  // namespace

TProblem MakeProblem(const TPlan& Task) {
  TProblem P;
  const TWide K = Task.KnifeWidth;
  if (K < 0) return P;
  for (std::int32_t s = 1; s <= Task.SrcCount; ++s) {
    const TSrcRect& S = Task.SrcRects[s];
    if (S.Length <= 0 || S.Width <= 0) continue;
    const std::int64_t Left = SheetsLeft(Task, s);
    if (Left <= 0) continue;
    TSheetKind Kind;
    Kind.Sheet = s;
    Kind.L = S.Length + K;
    Kind.W = S.Width + K;
    Kind.Area = static_cast<double>(S.Length) * static_cast<double>(S.Width);
    P.Kinds.push_back(Kind);
    P.Stock.push_back(Left);
  }
  for (std::int32_t i = 1; i <= Task.ObjCount; ++i) {
    const TObjPlan& O = Task.ObjPlans[i];
    if (O.Pending <= 0 || O.Length <= 0 || O.Width <= 0) continue;
    TItem It;
    It.Obj = i;
    It.A = O.Length + K;
    It.B = O.Width + K;
    It.Allowed[0] = OrientationAllowed(O, 0);
    It.Allowed[1] = OrientationAllowed(O, 1);
    It.Area = static_cast<double>(O.Length) * static_cast<double>(O.Width);
    bool Fits = false;
    for (const TSheetKind& S : P.Kinds)
      Fits = Fits || (It.Allowed[0] && It.A <= S.L && It.B <= S.W) || (It.Allowed[1] && It.B <= S.L && It.A <= S.W);
    if (!Fits) continue;
    P.Items.push_back(It);
    P.Counts.push_back(O.Pending);
  }
  P.LeastSheets = AreaBound(P);
  return P;
}

TPlanCost PlanCost(const TPlan& Task) {
  TPlanCost Cost;
  for (std::int32_t i = 1; i <= Task.ObjCount; ++i) Cost.PendingPieces += Task.ObjPlans[i].Pending;
  for (std::int32_t j = 1; j <= Task.JobCount; ++j) {
    const TJob& Job = Task.Jobs[j];
    const TSrcRect& Sheet = Task.SrcRects[Job.SheetNo];
    Cost.SheetArea += static_cast<double>(Job.Count) * static_cast<double>(Sheet.Length) *
                      static_cast<double>(Sheet.Width);
    Cost.Sheets += Job.Count;
  }
  Cost.Jobs = Task.JobCount;
  return Cost;
}

bool Better(const TPlanCost& a, const TPlanCost& b) {
  if (a.PendingPieces != b.PendingPieces) return a.PendingPieces < b.PendingPieces;
  if (a.SheetArea != b.SheetArea) return a.SheetArea < b.SheetArea;
  if (a.Sheets != b.Sheets) return a.Sheets < b.Sheets;
  return a.Jobs < b.Jobs;
}

void OptimisePlan(TPlan& Task, const TOptimiseParams& Params, IProgressLink& Link, TOptimiseOutput& Output) {
  Output = {};
  ClearJobs(Task);
  Link.ShowProgress();
  TProgressCloser Closer{Link};

  // The exact plan first, on a copy: it orders the tables, and every later
  // plan refers to sheets and pieces in that order.
  TWorkRecords Records;
  CopyTask(Records.Exact(), Task);
  TExactLink ExactLink(Link);
  MakePlan(Records.Exact(), Output.Message, ExactLink, nullptr, Params.Threads);
  Output.Exact = PlanCost(Records.Exact());
  Output.Stopped = ExactLink.Stopped();
  TPlanCost Told = Output.Exact;  // what the watcher was last told of
  if (!Output.Stopped && Params.BestPlanFound) Params.BestPlanFound(Records.Exact());

  if (!Output.Stopped && Params.Effort > 0) {
    // Jobs start over from the quantities, on the exact plan's tables.
    TPlan& Fresh = Records.Fresh();
    CopyTask(Fresh, Records.Exact());
    ClearJobs(Fresh);
    const TProblem Problem = MakeProblem(Fresh);
    if (!Problem.Items.empty() && !Problem.Kinds.empty()) {
      TChainRunner Runner(Problem, Params, Link, Fresh, Output.Exact, Records.Told());
      Runner.Run();
      Output.Stopped = Runner.Stopped();
      Told = Runner.ToldCost();
      Output.WorkDone = Runner.WorkDone() / UnitSteps(Params);
      // Candidates best first (the earlier chain on a tie); the first that
      // passes every check wins, if it beats the exact plan.
      std::vector<std::int32_t> Order;
      for (std::int32_t c = 0; c < ChainCount; ++c)
        if (Runner.Results()[static_cast<std::size_t>(c)].Complete) Order.push_back(c);
      std::vector<const TSolution*> Candidates;
      for (std::int32_t c : Order) Candidates.push_back(&Runner.Results()[static_cast<std::size_t>(c)]);
      std::stable_sort(Candidates.begin(), Candidates.end(),
                       [](const TSolution* a, const TSolution* b) { return Better(a->Cost, b->Cost); });
      // The chains' patterns recombined, on the calling thread after the
      // chains, so that the result does not depend on the threads.
      TSolution Recombined;
      if (!Output.Stopped && !Candidates.empty()) {
        TPatternPool Pool = Runner.MergedPool();
        TRecombineParams RP;
        RP.Budget = RecombineBudget(Params);
        RP.Nodes = Params.Effort > std::numeric_limits<std::int32_t>::max() / NodesPerUnit
                       ? std::numeric_limits<std::int32_t>::max()
                       : Params.Effort * NodesPerUnit;
        RP.Gen = ChainSetting(0, Params).Gen;
        auto LastPoll = std::chrono::steady_clock::now();
        bool Stop = false;
        const std::function<bool(std::int64_t)> Tick = [&](std::int64_t Work) {
          const auto Now = std::chrono::steady_clock::now();
          if (Now - LastPoll >= std::chrono::milliseconds(20)) {
            LastPoll = Now;
            Link.ProcessMessages();
            Stop = Stop || Link.StopRequested();
            Link.SetProgressPosition(Runner.Position(Work));
            Link.RepaintProgress();
          }
          return !Stop;
        };
        TRecombineStats Stats;
        Recombine(Problem, Pool, *Candidates.front(), RP, Tick, Recombined, &Stats);
        Output.Stopped = Stop;
        Output.WorkDone += Stats.Work / UnitSteps(Params);
        if (Recombined.Complete) Candidates.insert(Candidates.begin(), &Recombined);
      }
      for (const TSolution* Sol : Candidates) {
        TPlan& Candidate = Records.Candidate();
        CopyTask(Candidate, Fresh);
        WritePlan(Problem, *Sol, Candidate);
        if (Params.CandidateHook) Params.CandidateHook(Candidate);
        if (!CheckPlan(Candidate).empty()) continue;
        if (Better(PlanCost(Candidate), Output.Exact)) Records.KeepCandidate();
        break;
      }
    }
  }

  CopyTask(Task, Records.Exact());
  Output.Optimised = PlanCost(Task);
  // The last plan told is the one handed back: the recombination's plan is
  // told only here, and a told candidate may have failed its checks.
  if (Params.BestPlanFound && (Better(Told, Output.Optimised) || Better(Output.Optimised, Told)))
    Params.BestPlanFound(Task);
  Link.ShowTask();
}

}  // namespace Optimise
