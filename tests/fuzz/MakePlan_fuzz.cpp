// The calculation on small arbitrary tasks: whatever the sizes, settings and
// stop requests, it must not crash, and every plan it leaves must pass the
// layout checker and keep the pending counts.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "CalcPlan.h"
#include "FuzzTask.h"

namespace {

[[noreturn]] void Fail(const std::string& What, const TPlan& Task) {
  fuzz::Fail("MakePlan_fuzz", What, "after the calculation", Task);
}

TLength Key(TLength Length, TLength Width) { return Length > Width ? Length : Width; }

void Compute(TPlan& Task, IProgressLink& Link) {
  std::string Message;
  try {
    MakePlan(Task, Message, Link);
  } catch (const EPlanError& E) {
    Fail(std::string("MakePlan failed: ") + E.what(), Task);
  }
  if (!Message.empty()) Fail("MakePlan returned the message " + Message, Task);
}

void CheckResult(const TPlan& Task, const char* Stage) {
  const std::string Fault = CheckPlan(Task);
  if (!Fault.empty()) Fail(std::string(Stage) + ": " + Fault, Task);
  if (Task.JobCount < 0 || Task.JobCount > MaxJobs) Fail(std::string(Stage) + ": job count out of range", Task);
  for (std::int32_t i = 1; i <= Task.ObjCount; ++i) {
    const TObjPlan& O = Task.ObjPlans[i];
    if (O.Pending < 0 || O.Pending > O.Quantity) Fail(std::string(Stage) + ": a pending count left its range", Task);
  }
  for (std::int32_t s = 2; s <= Task.SrcCount; ++s)
    if (Key(Task.SrcRects[s].Length, Task.SrcRects[s].Width) <
        Key(Task.SrcRects[s - 1].Length, Task.SrcRects[s - 1].Width))
      Fail(std::string(Stage) + ": sheets out of order", Task);
  for (std::int32_t i = 2; i <= Task.ObjCount; ++i)
    if (Key(Task.ObjPlans[i].Length, Task.ObjPlans[i].Width) >
        Key(Task.ObjPlans[i - 1].Length, Task.ObjPlans[i - 1].Width))
      Fail(std::string(Stage) + ": pieces out of order", Task);
}

// With ordinary sizes a piece that fits a sheet on its own, in a direction
// it may lie in, makes a layout of positive utilisation, so a finished
// calculation that leaves it pending while sheets of that size are left
// gave up too early.
void CheckNothingLeftThatFits(const TPlan& Task) {
  if (AllPlaced(Task) || Task.JobCount >= MaxJobs || Task.KnifeWidth < 0) return;
  for (std::int32_t i = 1; i <= Task.ObjCount; ++i)
    if (Task.ObjPlans[i].Length <= 0 || Task.ObjPlans[i].Width <= 0) return;
  for (std::int32_t i = 1; i <= Task.ObjCount; ++i) {
    const TObjPlan& O = Task.ObjPlans[i];
    if (O.Pending <= 0) continue;
    for (std::int32_t s = 1; s <= Task.SrcCount; ++s) {
      const TSrcRect& S = Task.SrcRects[s];
      if (SheetsLeft(Task, s) == 0) continue;
      const bool Fits = (O.Length <= S.Length && O.Width <= S.Width) ||
                        (O.MayTurn && O.Width <= S.Length && O.Length <= S.Width);
      if (Fits) Fail("piece " + std::to_string(i) + " fits sheet " + std::to_string(s) + " but stayed pending", Task);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  // One record for all runs, of which each run resets only what it uses: a
  // fresh or cleared 2 MB record per run would mostly measure the memory.
  static const auto Task = std::make_unique<TPlan>();
  fuzz::DecodeTask(Data, Size, *Task);
  const std::uint8_t Settings = Size > 0 ? Data[0] : 0;

  if (Settings & 0x20) {
    // Stopped part-way, then continued as the compute command continues.
    static constexpr long Rounds[] = {1, 7, 50, 400};
    fuzz::TStopLink Stop(Rounds[Settings >> 6]);
    Compute(*Task, Stop);
    CheckResult(*Task, "after the stop");
  }
  TNullProgressLink Link;
  Compute(*Task, Link);
  CheckResult(*Task, "at the end");
  CheckNothingLeftThatFits(*Task);
  return 0;
}
