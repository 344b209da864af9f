#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>

#include "PlanRun.h"

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

// The progress line of compute: the pieces placed, read from the task when
// the driver shows it (the progress position starts at 1, before any piece
// is placed), the jobs so far and the time left.
class TComputeProgress final : public TTerminalLink {
 public:
  TComputeProgress(const TPlan& Task, bool Draw) : TTerminalLink(Draw), Task_(Task) {}

 private:
  void Refresh() override {
    Placed_ = PlacedQuantity(Task_);
    Total_ = TotalQuantity(Task_);
    Jobs_ = Task_.JobCount;
  }
  std::string Text(double SecondsLeft) const override { return ProgressLine(Placed_, Total_, Jobs_, SecondsLeft); }

  const TPlan& Task_;
  std::int64_t Placed_ = 0, Total_ = 0;
  std::int32_t Jobs_ = 0;
};

}  // namespace

int RunCompute(const TArgs& Args) {
  TRunOptions Options;
  bool Restart = false;
  const int Parsed = ParseRunOptions("compute", ComputeUsage, Args, Options,
                                     [&](const TArgs& A, std::size_t& k, std::string&) {
                                       if (A[k] != "--restart") return false;
                                       Restart = true;
                                       return true;
                                     });
  if (Parsed >= 0) return Parsed;

  auto Task = std::make_unique<TPlan>();
  if (!LoadRunTask(*Task, Options)) return ExitError;
  if (Restart) ClearJobs(*Task);

  TComputeProgress Progress(*Task, ::isatty(STDERR_FILENO) != 0);
  std::string Message;
  {
    TInterruptScope Interrupt;
    try {
      MakePlan(*Task, Message, Progress, nullptr, Options.Threads);
    } catch (const EPlanError& E) {
      std::fprintf(stderr, "tavikplan: %s: %s\n", Options.In.c_str(), E.what());
      return ExitError;
    }
  }
  if (!Message.empty()) {
    // The calculation broke its own rule; nothing of it is kept.
    std::fprintf(stderr, "tavikplan: %s\n", Message.c_str());
    return ExitError;
  }

  // A stop that came after the last piece changed nothing.
  const bool Stopped = Progress.Stopped() && !AllPlaced(*Task);
  if (!SaveRunResult(*Task, Options, Stopped, "calculation", "the partly computed task")) return ExitError;
  PrintSummary(*Task, Stopped);
  return RunStatus(*Task);
}
