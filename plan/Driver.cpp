#include "Driver.h"

#include <algorithm>
#include <array>
#include <climits>
#include <memory>
#include <numeric>

#include "PlanError.h"
#include "SearchTeam.h"

namespace {

TLength Key(TLength Length, TLength Width) { return std::max(Length, Width); }

// Jobs refer to sheets and pieces by number. A task computed here is kept in
// order, so continuing it moves nothing; a task whose tables are out of order
// while it holds jobs (written by hand, say) gets its job references moved
// along with the entries instead of pointing at the wrong ones.
template <class TEntry, std::int32_t N, class TBefore>
void ExchangeSort(TTable<TEntry, N>& Table, std::int32_t Count, std::array<std::int32_t, N + 1>& NewNo,
                  TBefore Before) {
  std::array<std::int32_t, N + 1> OldNo;
  std::iota(OldNo.begin(), OldNo.end(), 0);
  for (std::int32_t i = 1; i < Count; ++i)
    for (std::int32_t j = i + 1; j <= Count; ++j)
      if (Before(Table[j], Table[i])) {
        std::swap(Table[i], Table[j]);
        std::swap(OldNo[static_cast<std::size_t>(i)], OldNo[static_cast<std::size_t>(j)]);
      }
  for (std::int32_t i = 0; i <= N; ++i) NewNo[static_cast<std::size_t>(OldNo[static_cast<std::size_t>(i)])] = i;
}

void OrderTables(TPlan& Task) {
  std::array<std::int32_t, MaxSrcRects + 1> SheetNo;
  std::array<std::int32_t, MaxObjPlans + 1> ObjNo;
  ExchangeSort(Task.SrcRects, Task.SrcCount, SheetNo,
               [](const TSrcRect& A, const TSrcRect& B) { return Key(A.Length, A.Width) < Key(B.Length, B.Width); });
  ExchangeSort(Task.ObjPlans, Task.ObjCount, ObjNo,
               [](const TObjPlan& A, const TObjPlan& B) { return Key(A.Length, A.Width) > Key(B.Length, B.Width); });
  for (std::int32_t j = 1; j <= Task.JobCount; ++j) {
    TJob& Job = Task.Jobs[j];
    if (Job.SheetNo >= 1 && Job.SheetNo <= MaxSrcRects) Job.SheetNo = SheetNo[static_cast<std::size_t>(Job.SheetNo)];
    for (std::int32_t k = 1; k <= Job.RectCount; ++k) {
      std::int32_t& No = Job.Rects[k].ObjNo;
      if (No >= 1 && No <= MaxObjPlans) No = ObjNo[static_cast<std::size_t>(No)];
    }
  }
}

// The progress bar takes signed 32-bit values.
std::int32_t ProgressValue(std::int64_t Value) {
  if (Value < INT32_MIN || Value > INT32_MAX) RaiseRangeError();
  return static_cast<std::int32_t>(Value);
}

// Closes the progress display on every way out of MakePlan.
struct TProgressCloser {
  IProgressLink& Link;
  ~TProgressCloser() { Link.CloseProgress(); }
};

}  // namespace

std::string JobPath(std::int32_t JobNo, std::int32_t SheetNo) {
  return "作业:" + std::to_string(JobNo) + " 毛坯:" + std::to_string(SheetNo) + " 计划:";
}

void ChooseJob(const TPlan& Task, TJob& Job, IProgressLink& Link, TSearchStats* Stats, TSearchTeam* Team) {
  Job.SheetNo = 0;
  Job.Count = 0;
  Job.PointCount = 0;
  Job.RectCount = 0;
  Job.Rate = 0;
  auto Trial = std::make_unique<TJob>();
  for (std::int32_t s = 1; s <= Task.SrcCount; ++s) {
    // A size whose stock the jobs so far use up gives no more layouts.
    if (SheetsLeft(Task, s) == 0) continue;
    Trial->SheetNo = s;
    Trial->Count = 0;
    Trial->PointCount = 1;
    Trial->Points[1] = TCornerPoint{0, 0, pkMinMin};
    Trial->RectCount = 0;
    Trial->Rate = 0;
    SearchLayout(Task, *Trial, 1, JobPath(Task.JobCount + 1, s), Link, Stats, Team);
    if (Trial->Rate > Job.Rate) {
      CopyLayout(Job, *Trial);
      if (Trial->Rate >= Task.ExpectedRate) return;
    }
  }
}

void RecordJob(TPlan& Task, TJob& Job, std::string& Message) {
  if (Task.JobCount >= MaxJobs) RaiseRangeError();
  std::array<std::int32_t, MaxObjPlans + 1> Copies{};
  for (std::int32_t k = 1; k <= Job.RectCount; ++k) ++Copies[static_cast<std::size_t>(Job.Rects[k].ObjNo)];
  std::int32_t Repeat = INT32_MAX;
  for (std::int32_t i = 1; i <= Task.ObjCount; ++i)
    if (Copies[static_cast<std::size_t>(i)] > 0)
      Repeat = std::min(Repeat, Task.ObjPlans[i].Pending / Copies[static_cast<std::size_t>(i)]);
  if (Job.SheetNo >= 1 && Job.SheetNo <= Task.SrcCount)
    Repeat = static_cast<std::int32_t>(std::min<std::int64_t>(Repeat, SheetsLeft(Task, Job.SheetNo)));
  if (Repeat <= 0) {
    Message = JobCountMessage;
    return;
  }
  Job.Count = Repeat;
  for (std::int32_t i = 1; i <= Task.ObjCount; ++i)
    Task.ObjPlans[i].Pending -= Repeat * Copies[static_cast<std::size_t>(i)];
  ++Task.JobCount;
  CopyLayout(Task.Jobs[Task.JobCount], Job);
  Message.clear();
}

namespace {

void MakePlanWith(TPlan& Task, std::string& Message, IProgressLink& Link, TSearchStats* Stats, TSearchTeam* Team) {
  Message.clear();
  OrderTables(Task);
  const std::int32_t Total = ProgressValue(TotalQuantity(Task));
  Link.SetProgressRange(0, Total);
  Link.SetProgressPosition(1);
  Link.ShowProgress();
  TProgressCloser Closer{Link};
  Link.RepaintProgress();

  auto Job = std::make_unique<TJob>();
  while (!AllPlaced(Task)) {
    // Job MaxJobs + 1 has no entry: end with the task as it stands.
    if (Task.JobCount >= MaxJobs) break;
    ChooseJob(Task, *Job, Link, Stats, Team);
    if (Job->SheetNo == 0) break;
    RecordJob(Task, *Job, Message);
    if (!Message.empty()) break;
    Link.SetProgressPosition(ProgressValue(PlacedQuantity(Task)));
    Link.RepaintProgress();
    Link.ShowTask();
  }
}

}  // namespace

void MakePlan(TPlan& Task, std::string& Message, IProgressLink& Link, TSearchStats* Stats, std::int32_t Threads) {
  // The helper threads live for the whole calculation: a search is often
  // shorter than starting them.
  std::unique_ptr<TSearchTeam> Team;
  if (Threads > 1) Team = std::make_unique<TSearchTeam>(Threads);
  MakePlanWith(Task, Message, Link, Stats, Team.get());
}

void MakePlan(TPlan& Task, std::string& Message, IProgressLink& Link, TSearchStats* Stats, TSearchTeam& Team) {
  MakePlanWith(Task, Message, Link, Stats, Team.Threads() > 1 ? &Team : nullptr);
}
