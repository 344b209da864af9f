#include "Optimise.h"

#include <memory>

#include "Driver.h"
#include "LayoutCheck.h"

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

}  // namespace

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
  auto Exact = std::make_unique<TPlan>(Task);
  TExactLink ExactLink(Link);
  MakePlan(*Exact, Output.Message, ExactLink, nullptr, Params.Threads);
  Output.Exact = PlanCost(*Exact);
  Output.Stopped = ExactLink.Stopped();

  Task = *Exact;
  Output.Optimised = PlanCost(Task);
  Link.ShowTask();
}

}  // namespace Optimise
