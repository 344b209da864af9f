#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "CalcPlan.h"
#include "Commands.h"

namespace {

const char* const ComputeUsage =
    "Usage: tavikplan compute IN.tsk [-o OUT.tsk] [--rigid 0|1] [--restart] [--threads N]\n"
    "\n"
    "Computes the job plan of a task: sheets and pieces are ordered, jobs are\n"
    "added until every piece is placed, and a summary is printed. A task that\n"
    "already holds jobs is continued.\n"
    "\n"
    "  -o OUT.tsk     save the computed task there (without it nothing is written)\n"
    "  --rigid 0|1    rigid material: layouts must be cut by through cuts (default 1)\n"
    "  --restart      clear the jobs the task holds and start over\n"
    "  --threads N    threads that share the calculation, 1 to 64 (default: the\n"
    "                 machine's cores, at most 8); the plan is the same for any N\n"
    "  -h, --help     show this help\n"
    "\n"
    "On a terminal a progress line is drawn on stderr; Ctrl+C stops the\n"
    "calculation as the stop button does, and the partly computed task is\n"
    "still saved.\n"
    "\n"
    "Exit status: 0 every piece placed, 3 pieces still pending (stopped, or\n"
    "pieces that fit no sheet), 1 errors, 2 usage errors.\n";

volatile sig_atomic_t Interrupted = 0;

void OnInterrupt(int) {
  Interrupted = 1;
  // A second Ctrl+C ends the program at once.
  ::signal(SIGINT, SIG_DFL);
}

// The progress link of a terminal: a progress line on stderr, redrawn a few
// times a second at most, and Ctrl+C as the stop button.
class TTerminalProgress final : public IProgressLink {
 public:
  TTerminalProgress(const TPlan& Task, bool Draw) : Task_(Task), Draw_(Draw) {}

  void SetProgressRange(std::int32_t Min, std::int32_t Max) override {
    Min_ = Min;
    Max_ = Max;
  }
  void SetProgressPosition(std::int32_t Position) override { Position_ = Position; }
  void ShowProgress() override {
    Interrupted = 0;
    Stopped_ = false;
    CountTask();
    Start_ = Clock::now();
    StartPosition_ = Position_;
    LastDraw_ = Clock::time_point{};
  }
  void RepaintProgress() override { MaybeDraw(); }
  void CloseProgress() override {
    // Closing is the stop button's effect as well: whether the person
    // pressed Ctrl+C must be known before it is set.
    Stopped_ = Interrupted != 0;
    Interrupted = 1;
    if (Draw_ && Drawn_) std::fputs("\r\033[K", stderr);
  }
  // The search path is the search's business; a person watches the pieces.
  void SetNodeText(std::string_view) override {}
  void ProcessMessages() override { MaybeDraw(); }
  bool StopRequested() const override { return Interrupted != 0; }
  void ShowTask() override {
    CountTask();
    MaybeDraw(true);
  }

  // True when Ctrl+C ended the last calculation before it was done.
  bool Stopped() const { return Stopped_; }

 private:
  using Clock = std::chrono::steady_clock;

  // What the line tells, read from the task when the driver shows it (the
  // progress position starts at 1, before any piece is placed).
  void CountTask() {
    Placed_ = PlacedQuantity(Task_);
    Total_ = TotalQuantity(Task_);
    Jobs_ = Task_.JobCount;
  }

  void MaybeDraw(bool Force = false) {
    if (!Draw_) return;
    const auto Now = Clock::now();
    if (!Force && Now - LastDraw_ < std::chrono::milliseconds(200)) return;
    LastDraw_ = Now;
    Drawn_ = true;
    const std::string Line = ProgressLine(Placed_, Total_, Jobs_, Estimate(Now));
    std::fprintf(stderr, "\r\033[K%s", Line.c_str());
    std::fflush(stderr);
  }

  // Seconds still to go from the pace since the start; negative while
  // there is no pace yet.
  double Estimate(Clock::time_point Now) const {
    if (Position_ <= StartPosition_) return -1;
    return std::chrono::duration<double>(Now - Start_).count() / (Position_ - StartPosition_) * (Max_ - Position_);
  }

  const TPlan& Task_;
  bool Draw_;
  bool Drawn_ = false;
  bool Stopped_ = false;
  std::int32_t Min_ = 0, Max_ = 0, Position_ = 0, StartPosition_ = 0;
  std::int64_t Placed_ = 0, Total_ = 0;
  std::int32_t Jobs_ = 0;
  Clock::time_point Start_{}, LastDraw_{};
};

// Why piece i is still pending when the calculation ended.
const char* PendingReason(const TPlan& Task, std::int32_t i, bool Stopped) {
  const TObjPlan& Obj = Task.ObjPlans[i];
  bool Fits = false, FitsInStock = false;
  for (std::int32_t s = 1; s <= Task.SrcCount; ++s) {
    const TSrcRect& Sheet = Task.SrcRects[s];
    for (std::uint8_t o = 0; o < 2; ++o) {
      if (!OrientationAllowed(Obj, o)) continue;
      if (ExtentX(Obj, o) > Sheet.Length || ExtentY(Obj, o) > Sheet.Width) continue;
      Fits = true;
      if (SheetsLeft(Task, s) > 0) FitsInStock = true;
    }
  }
  if (!Fits) return "fits no sheet";
  if (!FitsInStock) return "the sheets it fits are used up";
  if (Stopped) return "the calculation was stopped";
  return "no layout with it was found";
}

void PrintSummary(TPlan& Task, bool Stopped) {
  int NameColumns = 0;
  for (std::int32_t j = 1; j <= Task.JobCount; ++j)
    NameColumns = std::max(NameColumns, DisplayWidth(TerminalText(Task.SrcRects[Task.Jobs[j].SheetNo].Name)));
  for (std::int32_t j = 1; j <= Task.JobCount; ++j) {
    TJob& Job = Task.Jobs[j];
    const TSrcRect& S = Task.SrcRects[Job.SheetNo];
    std::printf("Job %3d  %s  %lld x %lld  x%-5d %8s\n", j, PadRight(TerminalText(S.Name), NameColumns).c_str(),
                static_cast<long long>(S.Length), static_cast<long long>(S.Width), Job.Count,
                FormatPercent(CalcJobRate(Task, Job)).c_str());
  }
  std::printf("Total utilisation: %s\n", FormatPercent(CalcTotalRate(Task)).c_str());
  if (!AllPlaced(Task)) {
    std::printf("Pieces still pending:\n");
    NameColumns = 0;
    for (std::int32_t i = 1; i <= Task.ObjCount; ++i)
      if (Task.ObjPlans[i].Pending > 0)
        NameColumns = std::max(NameColumns, DisplayWidth(TerminalText(Task.ObjPlans[i].Name)));
    for (std::int32_t i = 1; i <= Task.ObjCount; ++i) {
      const TObjPlan& O = Task.ObjPlans[i];
      if (O.Pending > 0)
        std::printf("  %s  %d of %d  (%s)\n", PadRight(TerminalText(O.Name), NameColumns).c_str(), O.Pending,
                    O.Quantity, PendingReason(Task, i, Stopped));
    }
  }
}

bool ParseThreads(const std::string& Text, std::int32_t& Threads) {
  std::int32_t Value = 0;
  const char* End = Text.data() + Text.size();
  const auto [Ptr, Error] = std::from_chars(Text.data(), End, Value);
  if (Error != std::errc() || Ptr != End || Value < 1 || Value > TSearchTeam::MaxThreads) return false;
  Threads = Value;
  return true;
}

int UsageError(const std::string& Text) { return ::UsageError("compute", Text); }

}  // namespace

int RunCompute(const TArgs& Args) {
  std::string In, Out;
  bool Rigid = true, Restart = false, HasOut = false;
  std::int32_t Threads = DefaultThreadCount();
  for (std::size_t k = 0; k < Args.size(); ++k) {
    const std::string& A = Args[k];
    if (A == "--help" || A == "-h") {
      std::fputs(ComputeUsage, stdout);
      return ExitOk;
    } else if (A == "-o" || A == "--output") {
      if (++k == Args.size()) return UsageError("-o needs a file name");
      Out = Args[k];
      HasOut = true;
    } else if (A == "--rigid") {
      if (++k == Args.size() || (Args[k] != "0" && Args[k] != "1")) return UsageError("--rigid takes 0 or 1");
      Rigid = Args[k] == "1";
    } else if (A == "--threads") {
      if (++k == Args.size() || !ParseThreads(Args[k], Threads))
        return UsageError("--threads takes a number from 1 to " + std::to_string(TSearchTeam::MaxThreads));
    } else if (A == "--restart") {
      Restart = true;
    } else if (!A.empty() && A[0] == '-') {
      return UsageError("unknown option '" + A + "'");
    } else if (In.empty()) {
      In = A;
    } else {
      return UsageError("one input file only");
    }
  }
  if (In.empty()) return UsageError("no input file");
  if (HasOut && Out.empty()) return UsageError("the output file name is empty");

  auto Task = std::make_unique<TPlan>();
  NewPlan(*Task, 1, 0, 1.0f);
  Task->RigidFlag = Rigid;
  try {
    LoadPlan(*Task, In);
  } catch (const EPlanError& E) {
    std::fprintf(stderr, "tavikplan: %s: %s\n", In.c_str(), E.what());
    return ExitError;
  }
  if (Restart) ClearJobs(*Task);
  // The window program takes depths up to 16; a file may hold more, kept as
  // it is, and the search then takes time that grows steeply with it.
  if (Task->SearchDepth > MaxSearchDepth)
    std::fprintf(stderr,
                 "tavikplan: warning: %s: search depth %d is above %d, the deepest the program lets you enter; "
                 "the calculation may take hours or more (Ctrl+C stops it)\n",
                 In.c_str(), Task->SearchDepth, MaxSearchDepth);

  TTerminalProgress Progress(*Task, ::isatty(STDERR_FILENO) != 0);
  struct sigaction Action {};
  Action.sa_handler = OnInterrupt;
  ::sigemptyset(&Action.sa_mask);
  ::sigaction(SIGINT, &Action, nullptr);

  std::string Message;
  try {
    MakePlan(*Task, Message, Progress, nullptr, Threads);
  } catch (const EPlanError& E) {
    std::fprintf(stderr, "tavikplan: %s: %s\n", In.c_str(), E.what());
    return ExitError;
  }
  ::signal(SIGINT, SIG_DFL);
  if (!Message.empty()) {
    // The calculation broke its own rule; nothing of it is kept.
    std::fprintf(stderr, "tavikplan: %s\n", Message.c_str());
    return ExitError;
  }

  if (!Out.empty()) {
    try {
      SavePlan(*Task, Out);
    } catch (const EPlanError& E) {
      std::fprintf(stderr, "tavikplan: %s: %s\n", Out.c_str(), E.what());
      return ExitError;
    }
  }
  // A stop that came after the last piece changed nothing.
  const bool Stopped = Progress.Stopped() && !AllPlaced(*Task);
  if (Stopped) {
    if (Out.empty())
      std::fputs("tavikplan: calculation stopped; nothing was saved (no -o given)\n", stderr);
    else
      std::fprintf(stderr, "tavikplan: calculation stopped; the partly computed task was saved to %s\n", Out.c_str());
  }
  PrintSummary(*Task, Stopped);
  return AllPlaced(*Task) ? ExitOk : ExitPartial;
}
