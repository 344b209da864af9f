#include "support/ReferenceSearch.h"

#include <memory>
#include <vector>

namespace testdata {

namespace {

// Whole-record buffers of one level, kept between calls: allocating a
// record of two megabytes per node would only measure the allocator.
struct TBuffers {
  std::unique_ptr<TPlan> Working = std::make_unique<TPlan>();
  std::unique_ptr<TPlan> SavedTask = std::make_unique<TPlan>();
  std::unique_ptr<TJob> Best = std::make_unique<TJob>();
  std::unique_ptr<TJob> Trial = std::make_unique<TJob>();
  std::unique_ptr<TJob> SavedLayout = std::make_unique<TJob>();
};

TBuffers& BuffersOf(std::int32_t Level) {
  static std::vector<std::unique_ptr<TBuffers>> Levels;
  while (Levels.size() <= static_cast<std::size_t>(Level)) Levels.push_back(std::make_unique<TBuffers>());
  return *Levels[static_cast<std::size_t>(Level)];
}

}  // namespace

void ReferenceSearchLayout(const TPlan& Task, TJob& Layout, std::int32_t Level, std::uint64_t& Nodes) {
  ++Nodes;
  TBuffers& B = BuffersOf(Level);
  TPlan* Working = B.Working.get();
  TJob* Best = B.Best.get();
  TJob* Trial = B.Trial.get();
  *Working = Task;
  *Best = Layout;
  if (Task.SearchDepth < Level) {
    for (std::int32_t i = 1; i <= Working->ObjCount; ++i) {
      if (Working->ObjPlans[i].Pending <= 0) continue;
      for (std::int32_t o = 0; o <= 1; ++o) {
        bool NextPiece = false;
        for (std::int32_t j = 1; j <= Best->PointCount; ++j) {
          if (Best->Points[j].Kind == pkDead) continue;
          if (Working->ObjPlans[i].Pending == 0) {
            NextPiece = true;
            break;
          }
          if (PieceFits(*Working, *Best, j, o, i)) {
            *B.SavedTask = *Working;
            *B.SavedLayout = *Best;
            PlacePiece(*Working, *Best, j, o, i);
            if (Working->RigidFlag && !IsGuillotine(*Working, *Best)) {
              *Working = *B.SavedTask;
              *Best = *B.SavedLayout;
            }
            if (Working->ObjPlans[i].Pending == 0) {
              NextPiece = true;
              break;
            }
          }
        }
        if (NextPiece) break;
        if (o == 0 && Working->ObjPlans[i].Length == Working->ObjPlans[i].Width) break;
      }
    }
  } else {
    const std::int32_t Points = Layout.PointCount;
    for (std::int32_t i = 1; i <= Task.ObjCount; ++i) {
      if (Task.ObjPlans[i].Pending <= 0) continue;
      for (std::int32_t o = 0; o <= 1; ++o)
        for (std::int32_t j = 1; j <= Points; ++j) {
          if (Layout.Points[j].Kind == pkDead) continue;
          *Working = Task;
          *Trial = Layout;
          if (!PieceFits(*Working, *Trial, j, o, i)) continue;
          PlacePiece(*Working, *Trial, j, o, i);
          if (Working->RigidFlag && !IsGuillotine(*Working, *Trial)) continue;
          ReferenceSearchLayout(*Working, *Trial, Level + 1, Nodes);
          if (Trial->Rate > Best->Rate) {
            *Best = *Trial;
            if (Best->Rate >= Task.ExpectedRate) goto Finish;
          }
        }
    }
  }
Finish:
  CalcJobRate(Task, *Best);
  Layout = *Best;
}

}  // namespace testdata
