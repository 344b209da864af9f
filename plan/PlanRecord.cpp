#include "PlanRecord.h"

#include <algorithm>
#include <limits>

#include "PlanError.h"

void NewPlan(TPlan& Task, std::int32_t SearchDepth, TLength KnifeWidth, float ExpectedRate) {
  Task.OwnerName.clear();
  Task.OwnerCode.clear();
  Task.PlanName.clear();
  Task.PlanDate = 0;
  Task.SrcCount = 0;
  Task.ObjCount = 0;
  Task.JobCount = 0;
  Task.TotalRate = 0;
  std::fill(Task.SrcRects.Items.begin(), Task.SrcRects.Items.end(), TSrcRect{});
  std::fill(Task.ObjPlans.Items.begin(), Task.ObjPlans.Items.end(), TObjPlan{});
  // Filling from one static empty job keeps the 18 KB entry off the stack.
  static const TJob EmptyJob{};
  std::fill(Task.Jobs.Items.begin(), Task.Jobs.Items.end(), EmptyJob);
  Task.KnifeWidth = KnifeWidth;
  Task.ExpectedRate = ExpectedRate;
  Task.SearchDepth = SearchDepth;
  Task.RigidFlag = true;
}

void AddSrcRect(TPlan& Task, const TSrcRect& Rect) {
  if (Task.SrcCount >= MaxSrcRects) RaiseRangeError();
  ++Task.SrcCount;
  Task.SrcRects[Task.SrcCount] = Rect;
}

void AddObjPlan(TPlan& Task, const TObjPlan& Obj) {
  if (Task.ObjCount >= MaxObjPlans) RaiseRangeError();
  ++Task.ObjCount;
  Task.ObjPlans[Task.ObjCount] = Obj;
}

void CopyTask(TPlan& Dst, const TPlan& Src) {
  Dst.OwnerName = Src.OwnerName;
  Dst.OwnerCode = Src.OwnerCode;
  Dst.PlanName = Src.PlanName;
  Dst.PlanDate = Src.PlanDate;
  Dst.SrcCount = Src.SrcCount;
  Dst.ObjCount = Src.ObjCount;
  Dst.JobCount = Src.JobCount;
  Dst.KnifeWidth = Src.KnifeWidth;
  Dst.ExpectedRate = Src.ExpectedRate;
  Dst.TotalRate = Src.TotalRate;
  Dst.SearchDepth = Src.SearchDepth;
  Dst.RigidFlag = Src.RigidFlag;
  auto Used = [](std::int32_t Count, std::int32_t Capacity) { return std::clamp(Count, 0, Capacity); };
  for (std::int32_t s = 1; s <= Used(Src.SrcCount, MaxSrcRects); ++s) Dst.SrcRects[s] = Src.SrcRects[s];
  for (std::int32_t i = 1; i <= Used(Src.ObjCount, MaxObjPlans); ++i) Dst.ObjPlans[i] = Src.ObjPlans[i];
  for (std::int32_t j = 1; j <= Used(Src.JobCount, MaxJobs); ++j) CopyLayout(Dst.Jobs[j], Src.Jobs[j]);
}

void CopyLayout(TJob& Dst, const TJob& Src) {
  Dst.SheetNo = Src.SheetNo;
  Dst.Rate = Src.Rate;
  Dst.Count = Src.Count;
  Dst.PointCount = Src.PointCount;
  Dst.RectCount = Src.RectCount;
  std::copy_n(Src.Points.At(1), std::clamp(Src.PointCount, 0, MaxPoints), Dst.Points.At(1));
  std::copy_n(Src.Rects.At(1), std::clamp(Src.RectCount, 0, MaxRects), Dst.Rects.At(1));
}

void ClearJobs(TPlan& Task) {
  Task.JobCount = 0;
  for (std::int32_t i = 1; i <= Task.ObjCount; ++i) Task.ObjPlans[i].Pending = Task.ObjPlans[i].Quantity;
}

bool AllPlaced(const TPlan& Task) {
  for (std::int32_t i = 1; i <= Task.ObjCount; ++i)
    if (Task.ObjPlans[i].Pending > 0) return false;
  return true;
}

std::int64_t TotalQuantity(const TPlan& Task) {
  std::int64_t Sum = 0;
  for (std::int32_t i = 1; i <= Task.ObjCount; ++i) Sum += Task.ObjPlans[i].Quantity;
  return Sum;
}

std::int64_t PlacedQuantity(const TPlan& Task) {
  std::int64_t Sum = 0;
  for (std::int32_t i = 1; i <= Task.ObjCount; ++i)
    Sum += std::int64_t{Task.ObjPlans[i].Quantity} - Task.ObjPlans[i].Pending;
  return Sum;
}

std::int64_t SheetsUsed(const TPlan& Task, std::int32_t s) {
  std::int64_t Used = 0;
  for (std::int32_t j = 1; j <= Task.JobCount; ++j)
    if (Task.Jobs[j].SheetNo == s) Used += Task.Jobs[j].Count;
  return Used;
}

std::int64_t SheetsLeft(const TPlan& Task, std::int32_t s) {
  const std::int32_t Stock = Task.SrcRects[s].Stock;
  if (Stock <= 0) return std::numeric_limits<std::int64_t>::max();
  return std::max<std::int64_t>(0, Stock - SheetsUsed(Task, s));
}
