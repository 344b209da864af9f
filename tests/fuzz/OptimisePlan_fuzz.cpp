// The plan optimiser on small arbitrary tasks, with a small effort: whatever
// the sizes, settings and stop requests, it must not crash, every plan it
// hands back must pass the layout checker, and without a stop it is never
// worse than the exact plan of the same task.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "CalcPlan.h"
#include "FuzzTask.h"
#include "Optimise.h"

namespace {

[[noreturn]] void Fail(const std::string& What, const TPlan& Task) {
  fuzz::Fail("OptimisePlan_fuzz", What, "after the optimiser", Task);
}

std::string CostText(const Optimise::TPlanCost& Cost) {
  return std::to_string(Cost.PendingPieces) + " pending, area " + std::to_string(Cost.SheetArea) + ", " +
         std::to_string(Cost.Sheets) + " sheets, " + std::to_string(Cost.Jobs) + " jobs";
}

bool SameCost(const Optimise::TPlanCost& a, const Optimise::TPlanCost& b) {
  return !Optimise::Better(a, b) && !Optimise::Better(b, a);
}

void CheckResult(const TPlan& Task, const Optimise::TOptimiseOutput& Output) {
  const std::string Fault = CheckPlan(Task);
  if (!Fault.empty()) Fail("the plan fails the layout checker: " + Fault, Task);
  if (Task.JobCount < 0 || Task.JobCount > MaxJobs) Fail("job count out of range", Task);
  for (std::int32_t i = 1; i <= Task.ObjCount; ++i) {
    const TObjPlan& O = Task.ObjPlans[i];
    if (O.Pending < 0 || O.Pending > O.Quantity) Fail("a pending count left its range", Task);
  }
  if (!SameCost(Output.Optimised, Optimise::PlanCost(Task)))
    Fail("the output tells " + CostText(Output.Optimised) + ", the plan costs " + CostText(Optimise::PlanCost(Task)),
         Task);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  // Records for all runs, of which each run resets only what it uses: a
  // fresh or cleared 2 MB record per run would mostly measure the memory.
  static const auto Task = std::make_unique<TPlan>();
  static const auto Exact = std::make_unique<TPlan>();
  fuzz::DecodeTask(Data, Size, *Task);
  const std::uint8_t Settings = Size > 0 ? Data[0] : 0;

  // A small budget keeps the rate useful: units of a few thousand generator
  // steps, enough for whole rounds of the chains and a recombination on
  // tasks this small. A few inputs get none at all, and some more.
  static constexpr std::int64_t Efforts[] = {1, 0, 4, 16};
  Optimise::TOptimiseParams Params;
  Params.Effort = Efforts[(Settings >> 3) & 3];
  Params.UnitSteps = 5000;
  Params.Seed = Size;

  // The exact plan of the same task, for the comparison.
  fuzz::CopyTables(*Exact, *Task);
  Exact->JobCount = 0;
  std::string Message;
  TNullProgressLink Quiet;
  bool ExactFailed = false;
  try {
    MakePlan(*Exact, Message, Quiet);
  } catch (const EPlanError&) {
    ExactFailed = true;
  }
  if (!Message.empty()) Fail("MakePlan returned the message " + Message, *Exact);

  Optimise::TOptimiseOutput Output;
  const bool Stop = (Settings & 0x20) != 0;
  static constexpr long Rounds[] = {1, 7, 50, 400};
  fuzz::TStopLink StopLink(Stop ? Rounds[Settings >> 6] : 1L << 60);
  try {
    Optimise::OptimisePlan(*Task, Params, StopLink, Output);
  } catch (const EPlanError& E) {
    // It throws what the exact calculation throws, and nothing else.
    if (!ExactFailed) Fail(std::string("the optimiser threw ") + E.what() + "; the exact plan did not", *Task);
    return 0;
  }
  if (ExactFailed && !Output.Stopped) Fail("the exact plan threw, the optimiser did not", *Task);
  if (!Output.Message.empty()) Fail("the optimiser returned the message " + Output.Message, *Task);
  CheckResult(*Task, Output);

  if (!Output.Stopped) {
    const Optimise::TPlanCost ExactCost = Optimise::PlanCost(*Exact);
    if (!SameCost(Output.Exact, ExactCost))
      Fail("the output's exact plan costs " + CostText(Output.Exact) + ", MakePlan's " + CostText(ExactCost), *Task);
    if (Optimise::Better(ExactCost, Output.Optimised))
      Fail("worse than the exact plan: " + CostText(Output.Optimised) + " against " + CostText(ExactCost), *Task);
  }
  // Stopped or not, the plan handed back is no worse than the exact plan
  // the optimiser had (its part, when the stop came during it).
  if (Optimise::Better(Output.Exact, Output.Optimised))
    Fail("worse than its own exact plan: " + CostText(Output.Optimised) + " against " + CostText(Output.Exact), *Task);
  return 0;
}
