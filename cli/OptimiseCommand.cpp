#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <memory>
#include <string>

#include "Optimise.h"
#include "PlanRun.h"

namespace {

// The help, with the default effort where "%EFFORT%" stands.
const char* const OptimiseUsage =
    "Usage: tavikplan optimise IN.tsk -o OUT.tsk [--rigid 0|1] [--effort N] [--threads N]\n"
    "\n"
    "Computes a job plan that needs as little sheet material as it can find:\n"
    "the plan of compute first, then better ones within a work budget. It\n"
    "starts over from the pieces' quantities: jobs the task holds are\n"
    "replaced. The summary of compute is printed, with the sheets and the\n"
    "sheet area of the exact plan and of the optimised one.\n"
    "\n"
    "  -o OUT.tsk     save the optimised task there\n"
    "  --rigid 0|1    rigid material: layouts must be cut by through cuts (default 1)\n"
    "  --effort N     work budget, a whole number from 0 (the plan of compute) up\n"
    "                 (default %EFFORT%); the same task and effort give the same plan\n"
    "  --threads N    threads that share the work, 1 to 64 (default: the\n"
    "                 machine's cores, at most 8); the plan is the same for any N\n"
    "  -h, --help     show this help\n"
    "\n"
    "On a terminal a progress line on stderr shows the best plan so far;\n"
    "Ctrl+C ends the work, and the best complete plan found so far is still\n"
    "saved.\n"
    "\n"
    "Exit status: 0 every piece placed, 3 pieces still pending (pieces that fit\n"
    "no sheet, or stopped before the first complete plan), 1 errors, 2 usage\n"
    "errors.\n";

// The progress line of optimise: the exact plan's progress until the first
// complete plan is known, then the sheets and utilisation of the best plan
// so far against the work budget. The search paths stay unseen.
class TOptimiseProgress final : public TTerminalLink {
 public:
  explicit TOptimiseProgress(bool Draw) : TTerminalLink(Draw) {}

  void BestPlanFound(const TPlan& Best) {
    Sheets_ = Optimise::PlanCost(Best).Sheets;
    // As the summary will tell it; CalcTotalRate writes into the task, so
    // it works on a copy (kept, as there may be many better plans).
    if (!Copy_) Copy_ = std::make_unique<TPlan>();
    *Copy_ = Best;
    Rate_ = CalcTotalRate(*Copy_);
    Draw(true);
  }

 private:
  std::string Text(double SecondsLeft) const override {
    if (Sheets_ < 0) return OptimiseProgressLine(Position_, Max_, -1, 0, SecondsLeft);
    return OptimiseProgressLine(Position_ - Min_, Max_ - Min_, Sheets_, Rate_, SecondsLeft);
  }

  std::int64_t Sheets_ = -1;  // none known yet
  float Rate_ = 0;
  std::unique_ptr<TPlan> Copy_;
};

void PrintCost(const char* What, const Optimise::TPlanCost& Cost) {
  std::printf("%-15s %lld %s, sheet area %.0f\n", What, static_cast<long long>(Cost.Sheets),
              Cost.Sheets == 1 ? "sheet" : "sheets", Cost.SheetArea);
}

}  // namespace

int RunOptimise(const TArgs& Args) {
  std::string Usage = OptimiseUsage;
  Usage.replace(Usage.find("%EFFORT%"), 8, std::to_string(Optimise::DefaultEffort));
  TRunOptions Options;
  Optimise::TOptimiseParams Params;
  const int Parsed = ParseRunOptions("optimise", Usage.c_str(), Args, Options,
                                     [&](const TArgs& A, std::size_t& k, std::string& Error) {
                                       if (A[k] != "--effort") return false;
                                       std::int64_t Effort = -1;
                                       const std::string Value = ++k < A.size() ? A[k] : "";
                                       const char* End = Value.data() + Value.size();
                                       const auto [Ptr, Fault] = std::from_chars(Value.data(), End, Effort);
                                       if (Fault != std::errc() || Ptr != End || Effort < 0)
                                         Error = "--effort takes a whole number, 0 or more";
                                       Params.Effort = Effort;
                                       return true;
                                     });
  if (Parsed >= 0) return Parsed;
  if (Options.Out.empty()) return UsageError("optimise", "-o OUT.tsk is needed: the optimised task is saved there");
  Params.Threads = Options.Threads;

  auto Task = std::make_unique<TPlan>();
  if (!LoadRunTask(*Task, Options)) return ExitError;

  TOptimiseProgress Progress(::isatty(STDERR_FILENO) != 0);
  Params.BestPlanFound = [&Progress](const TPlan& Best) { Progress.BestPlanFound(Best); };
  Optimise::TOptimiseOutput Output;
  {
    TInterruptScope Interrupt;
    try {
      Optimise::OptimisePlan(*Task, Params, Progress, Output);
    } catch (const EPlanError& E) {
      std::fprintf(stderr, "tavikplan: %s: %s\n", Options.In.c_str(), E.what());
      return ExitError;
    }
  }
  if (!Output.Message.empty()) {
    // The exact calculation broke its own rule; nothing of it is kept.
    std::fprintf(stderr, "tavikplan: %s\n", Output.Message.c_str());
    return ExitError;
  }

  const char* Kept = PendingThatFits(*Task) ? "the partly computed exact plan" : "the best complete plan found so far";
  if (!SaveRunResult(*Task, Options, Output.Stopped, "optimisation", Kept)) return ExitError;
  PrintSummary(*Task, Output.Stopped);
  PrintCost("Exact plan:", Output.Exact);
  PrintCost("Optimised plan:", Output.Optimised);
  return RunStatus(*Task);
}
