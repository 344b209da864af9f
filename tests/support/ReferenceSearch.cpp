#include "support/ReferenceSearch.h"

#include <array>
#include <memory>
#include <vector>

namespace testdata {

namespace {

using TPendingCounts = std::array<std::int32_t, MaxObjPlans + 1>;

// Layout buffers of one level, kept from call to call.
struct TLevelBuffers {
  std::unique_ptr<TJob> Best = std::make_unique<TJob>();
  std::unique_ptr<TJob> Trial = std::make_unique<TJob>();
  std::unique_ptr<TJob> Saved = std::make_unique<TJob>();
};

TLevelBuffers& BuffersOf(std::int32_t Level) {
  static std::vector<std::unique_ptr<TLevelBuffers>> Levels;
  while (Levels.size() <= static_cast<std::size_t>(Level)) Levels.push_back(std::make_unique<TLevelBuffers>());
  return *Levels[static_cast<std::size_t>(Level)];
}

TPendingCounts PendingOf(const TPlan& Task) {
  TPendingCounts Counts{};
  for (std::int32_t i = 1; i <= Task.ObjCount; ++i) Counts[static_cast<std::size_t>(i)] = Task.ObjPlans[i].Pending;
  return Counts;
}

void SetPending(TPlan& Task, const TPendingCounts& Counts) {
  for (std::int32_t i = 1; i <= Task.ObjCount; ++i) Task.ObjPlans[i].Pending = Counts[static_cast<std::size_t>(i)];
}

// Greedy completion of Best, working on Work's pending counts.
void Greedy(TPlan& Work, TJob& Best, TJob& Saved) {
  for (std::int32_t i = 1; i <= Work.ObjCount; ++i) {
    std::int32_t& Pending = Work.ObjPlans[i].Pending;
    if (Pending <= 0) continue;
    bool NextPiece = false;
    for (std::int32_t o = 0; o <= 1 && !NextPiece; ++o) {
      if (!OrientationAllowed(Work.ObjPlans[i], o)) break;
      // The count is read afresh: points that placements append are visited.
      for (std::int32_t j = 1; j <= Best.PointCount; ++j) {
        if (Best.Points[j].Kind == pkDead) continue;
        if (Pending == 0) {
          NextPiece = true;
          break;
        }
        if (!PieceFits(Work, Best, j, o, i)) continue;
        CopyLayout(Saved, Best);
        PlacePiece(Work, Best, j, o, i);
        if (Work.RigidFlag && !IsGuillotine(Work, Best)) {
          // A rejected placement leaves no trace and uses up no piece.
          CopyLayout(Best, Saved);
          ++Pending;
        }
        if (Pending == 0) {
          NextPiece = true;
          break;
        }
      }
      if (o == 0 && Work.ObjPlans[i].Length == Work.ObjPlans[i].Width) break;
    }
  }
}

}  // namespace

void ReferenceSearchLayout(TPlan& Work, TJob& Layout, std::int32_t Level, std::uint64_t& Nodes) {
  ++Nodes;
  const TPendingCounts Entry = PendingOf(Work);
  TLevelBuffers& B = BuffersOf(Level);
  TJob& Best = *B.Best;
  CopyLayout(Best, Layout);
  if (Work.SearchDepth < Level) {
    Greedy(Work, Best, *B.Saved);
  } else {
    TJob& Trial = *B.Trial;
    const std::int32_t Points = Layout.PointCount;
    for (std::int32_t i = 1; i <= Work.ObjCount; ++i) {
      if (Entry[static_cast<std::size_t>(i)] <= 0) continue;
      for (std::int32_t o = 0; o <= 1; ++o)
        for (std::int32_t j = 1; j <= Points && OrientationAllowed(Work.ObjPlans[i], o); ++j) {
          if (Layout.Points[j].Kind == pkDead) continue;
          CopyLayout(Trial, Layout);
          if (!PieceFits(Work, Trial, j, o, i)) continue;
          PlacePiece(Work, Trial, j, o, i);
          if (Work.RigidFlag && !IsGuillotine(Work, Trial)) {
            SetPending(Work, Entry);
            continue;
          }
          ReferenceSearchLayout(Work, Trial, Level + 1, Nodes);
          SetPending(Work, Entry);
          if (Trial.Rate > Best.Rate) {
            CopyLayout(Best, Trial);
            if (Best.Rate >= Work.ExpectedRate) goto Finish;
          }
        }
    }
  }
Finish:
  // CalcJobRate reads only the sizes of the sheet and the pieces.
  CalcJobRate(Work, Best);
  CopyLayout(Layout, Best);
  SetPending(Work, Entry);
}

}  // namespace testdata
