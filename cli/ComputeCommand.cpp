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
  explicit TTerminalProgress(bool Draw) : Draw_(Draw) {}

  void SetProgressRange(std::int32_t Min, std::int32_t Max) override {
    Min_ = Min;
    Max_ = Max;
  }
  void SetProgressPosition(std::int32_t Position) override { Position_ = Position; }
  void ShowProgress() override {
    Interrupted = 0;
    Start_ = Clock::now();
    StartPosition_ = Position_;
    LastDraw_ = Clock::time_point{};
  }
  void RepaintProgress() override { MaybeDraw(); }
  void CloseProgress() override {
    Interrupted = 1;
    if (Draw_ && Drawn_) std::fputs("\r\033[K", stderr);
  }
  void SetNodeText(std::string_view Path) override { Node_.assign(Path); }
  void ProcessMessages() override { MaybeDraw(); }
  bool StopRequested() const override { return Interrupted != 0; }
  void ShowTask() override { MaybeDraw(true); }

 private:
  using Clock = std::chrono::steady_clock;

  void MaybeDraw(bool Force = false) {
    if (!Draw_) return;
    const auto Now = Clock::now();
    if (!Force && Now - LastDraw_ < std::chrono::milliseconds(200)) return;
    LastDraw_ = Now;
    Drawn_ = true;
    const double Span = Max_ > Min_ ? Max_ - Min_ : 1;
    const double Done = std::clamp((Position_ - Min_) / Span, 0.0, 1.0);
    char Bar[21];
    const int Filled = static_cast<int>(Done * 20);
    for (int k = 0; k < 20; ++k) Bar[k] = k < Filled ? '#' : '.';
    Bar[20] = 0;
    std::string Eta = "--:--:--";
    if (Position_ > StartPosition_) {
      const double Seconds = std::chrono::duration<double>(Now - Start_).count() /
                             (Position_ - StartPosition_) * (Max_ - Position_);
      const long Total = static_cast<long>(Seconds);
      char Buf[32];
      std::snprintf(Buf, sizeof Buf, "%ld:%02ld:%02ld", Total / 3600, Total / 60 % 60, Total % 60);
      Eta = Buf;
    }
    std::fprintf(stderr, "\r\033[K[%s] %d/%d pieces  left %s  %s", Bar, Position_, Max_, Eta.c_str(), Node_.c_str());
    std::fflush(stderr);
  }

  bool Draw_;
  bool Drawn_ = false;
  std::int32_t Min_ = 0, Max_ = 0, Position_ = 0, StartPosition_ = 0;
  Clock::time_point Start_{}, LastDraw_{};
  std::string Node_;
};

void PrintSummary(TPlan& Task) {
  for (std::int32_t j = 1; j <= Task.JobCount; ++j) {
    TJob& Job = Task.Jobs[j];
    const TSrcRect& S = Task.SrcRects[Job.SheetNo];
    std::printf("Job %3d  %s%lld x %lld  x%-5d %8s\n", j, PadRight(TerminalText(S.Name), 20).c_str(),
                static_cast<long long>(S.Length), static_cast<long long>(S.Width), Job.Count,
                FormatPercent(CalcJobRate(Task, Job)).c_str());
  }
  std::printf("Total utilisation: %s\n", FormatPercent(CalcTotalRate(Task)).c_str());
  if (!AllPlaced(Task)) {
    std::printf("Pieces still pending:\n");
    for (std::int32_t i = 1; i <= Task.ObjCount; ++i)
      if (Task.ObjPlans[i].Pending > 0)
        std::printf("  %s%d of %d\n", PadRight(TerminalText(Task.ObjPlans[i].Name), 16).c_str(), Task.ObjPlans[i].Pending,
                    Task.ObjPlans[i].Quantity);
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

int UsageError(const std::string& Text) {
  std::fprintf(stderr, "tavikplan compute: %s\n\n%s", Text.c_str(), ComputeUsage);
  return ExitUsage;
}

}  // namespace

int RunCompute(const TArgs& Args) {
  std::string In, Out;
  bool Rigid = true, Restart = false;
  std::int32_t Threads = DefaultThreadCount();
  for (std::size_t k = 0; k < Args.size(); ++k) {
    const std::string& A = Args[k];
    if (A == "--help" || A == "-h") {
      std::fputs(ComputeUsage, stdout);
      return ExitOk;
    } else if (A == "-o" || A == "--output") {
      if (++k == Args.size()) return UsageError("-o needs a file name");
      Out = Args[k];
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

  TTerminalProgress Progress(::isatty(STDERR_FILENO) != 0);
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
  PrintSummary(*Task);
  return AllPlaced(*Task) ? ExitOk : ExitPartial;
}
