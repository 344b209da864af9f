#include "Search.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <limits>
#include <memory>
#include <vector>

#include "Geometry.h"

void CopyLayout(TJob& Dst, const TJob& Src) {
  Dst.SheetNo = Src.SheetNo;
  Dst.Rate = Src.Rate;
  Dst.Count = Src.Count;
  Dst.PointCount = Src.PointCount;
  Dst.RectCount = Src.RectCount;
  std::copy_n(Src.Points.At(1), Src.PointCount, Dst.Points.At(1));
  std::copy_n(Src.Rects.At(1), Src.RectCount, Dst.Rects.At(1));
}

namespace {

// The search works on its own layout record: the same points and placed
// pieces as a TJob, plus each piece's footprint, so that the fit and cover
// tests read one compact array instead of looking up the piece table.
//
// C is the type the geometry is computed in. When every size, coordinate and
// the knife width lie within +-2^60, sums of three of them fit in 64 bits and
// the search runs on std::int64_t; otherwise on 128 bits. Both give the same
// answers; only the speed differs.
template <class C>
struct TBox {
  C X1, Y1, X2, Y2;
};

// A corner point as the search keeps it, with what the fit test needs
// worked out once: which corner of a piece sits on it (HighX, HighY) and the
// room (RX, RY) that the sheet leaves a piece anchored there, so that the
// sheet test is EX <= RX and EY <= RY. A point that anchors nothing has room
// below any extent. Hint is the placed piece that last blocked a fit here:
// the next test tries it first; it only saves work, never changes an answer.
template <class C>
struct TPoint {
  TLength X, Y;
  C RX, RY;
  TPointKind Kind;
  bool HighX, HighY;
  std::int16_t Hint;
};

template <class C>
struct TLayout {
  std::int32_t SheetNo = 0;
  float Rate = 0;
  std::int32_t PointCount = 0;
  std::int32_t RectCount = 0;
  std::array<TPoint<C>, MaxPoints> Points;  // numbered from 0 here
  std::array<TPlacedRect, MaxRects> Rects;
  std::array<TBox<C>, MaxRects> Boxes;  // footprint of Rects[k]
  // The live points, in order: the scans visit only these.
  std::int32_t LiveCount = 0;
  std::array<std::int16_t, MaxPoints> Live;
};

template <class C>
void RebuildLive(TLayout<C>& Layout) {
  Layout.LiveCount = 0;
  for (std::int32_t k = 0; k < Layout.PointCount; ++k)
    if (Layout.Points[static_cast<std::size_t>(k)].Kind != pkDead)
      Layout.Live[static_cast<std::size_t>(Layout.LiveCount++)] = static_cast<std::int16_t>(k);
}

template <class C>
void CopyUsed(TLayout<C>& Dst, const TLayout<C>& Src) {
  Dst.SheetNo = Src.SheetNo;
  Dst.Rate = Src.Rate;
  Dst.PointCount = Src.PointCount;
  Dst.RectCount = Src.RectCount;
  std::copy_n(Src.Points.begin(), Src.PointCount, Dst.Points.begin());
  std::copy_n(Src.Rects.begin(), Src.RectCount, Dst.Rects.begin());
  std::copy_n(Src.Boxes.begin(), Src.RectCount, Dst.Boxes.begin());
  Dst.LiveCount = Src.LiveCount;
  std::copy_n(Src.Live.begin(), Src.LiveCount, Dst.Live.begin());
}

using TPending = std::array<std::int32_t, MaxObjPlans + 1>;  // indexed 1..ObjCount

// Point kinds overwritten by a placement, to undo a rejected one exactly.
struct TUndoLog {
  std::int32_t Count = 0;
  std::array<std::int32_t, MaxPoints> Index;
  std::array<TPointKind, MaxPoints> Kind;
};

// Scratch of the guillotine check: each level splits its segment in place
// (high side first, list order kept on both sides), so one buffer serves.
template <class C>
struct TCutScratch {
  std::array<TBox<C>, MaxRects> Items;
  std::array<TBox<C>, MaxRects> Temp;
};

// What one level of the search owns: the pending counts of its current
// trial, the trial layout and the best layout so far. Each trial starts
// from a fresh copy of the node's state, but only the pending counts and the
// used entries of the layout are copied.
template <class C>
struct TLevel {
  TPending Pending{};
  TLayout<C> Trial;
  TLayout<C> Best;
};

template <class C>
class TSearch {
 public:
  TSearch(const TPlan& Task, const TSrcRect& Sheet, IProgressLink& Link, TSearchStats* Stats, const std::string& Path)
      : Task_(Task),
        Link_(Link),
        Stats_(Stats),
        Path_(Path),
        SheetLength_(Sheet.Length),
        SheetWidth_(Sheet.Width),
        K_(Task.KnifeWidth) {
    Hereditary_ = Task.KnifeWidth >= 0;
    for (std::int32_t i = 1; i <= Task.ObjCount; ++i) {
      const TObjPlan& O = Task.ObjPlans[i];
      const auto k = static_cast<std::size_t>(i);
      Extent_[0][k] = {O.Length, O.Width};
      Extent_[1][k] = {O.Width, O.Length};
      Square_[k] = O.Length == O.Width;
      Negative_ = Negative_ || O.Length < 0 || O.Width < 0;
      Hereditary_ = Hereditary_ && O.Length > 0 && O.Width > 0;
    }
    Path_.reserve(Path.size() + 32 * static_cast<std::size_t>(std::clamp(Task.SearchDepth, 0, 16) + 1));
  }

  void Run(std::int32_t Level, TJob& Job) {
    TLayout<C>& Layout = Root_->Layout;
    Layout.SheetNo = Job.SheetNo;
    Layout.Rate = Job.Rate;
    Layout.PointCount = Job.PointCount;
    Layout.RectCount = Job.RectCount;
    for (std::int32_t k = 0; k < Job.PointCount; ++k) {
      const TCornerPoint& P = Job.Points[k + 1];
      Layout.Points[Idx(k)] = MakePoint(P.X, P.Y, P.Kind);
    }
    std::copy_n(Job.Rects.At(1), Job.RectCount, Layout.Rects.begin());
    for (std::int32_t r = 0; r < Job.RectCount; ++r) Layout.Boxes[Idx(r)] = BoxOf(Layout.Rects[Idx(r)]);
    RebuildLive(Layout);
    for (std::int32_t i = 1; i <= Task_.ObjCount; ++i) Root_->Pending[Idx(i)] = Task_.ObjPlans[i].Pending;
    // A caller's partial layout need not be cuttable, nor spaced as the
    // search spaces its pieces; test it the plain way first.
    if (Hereditary_ && Task_.RigidFlag && Layout.RectCount > 0) {
      Hereditary_ = false;
      std::copy_n(Layout.Boxes.begin(), Layout.RectCount, Cut_->Items.begin());
      Hereditary_ = Separable(0, Layout.RectCount) && SpacedApart(Layout);
    }

    if (!Node(Level, Root_->Pending, Layout)) return;  // stopped: the job stays as it was

    Job.Rate = Layout.Rate;
    Job.PointCount = Layout.PointCount;
    Job.RectCount = Layout.RectCount;
    for (std::int32_t k = 0; k < Layout.PointCount; ++k) {
      const TPoint<C>& P = Layout.Points[Idx(k)];
      Job.Points[k + 1] = TCornerPoint{P.X, P.Y, P.Kind};
    }
    std::copy_n(Layout.Rects.begin(), Layout.RectCount, Job.Rects.At(1));
  }

 private:
  struct TExtent {
    C X, Y;
  };

  static std::size_t Idx(std::int32_t k) { return static_cast<std::size_t>(k); }

  TBox<C> BoxOf(const TPlacedRect& R) const {
    const TExtent& E = Extent_[R.Rotated ? 1 : 0][Idx(R.ObjNo)];
    return {C(R.X), C(R.Y), C(R.X) + E.X, C(R.Y) + E.Y};
  }

  // ------------------------------------------------------------ the search

  // One node; false when a stop request made it return at once. Pending is
  // the node's own copy, which a greedy completion may change; a branching
  // node only reads it.
  bool Node(std::int32_t Level, TPending& Pending, TLayout<C>& Layout) {
    if (Stats_) ++Stats_->Nodes;
    Link_.ProcessMessages();
    if (Link_.StopRequested()) return false;
    if (Task_.SearchDepth < Level) {
      // The caller's layout serves as the greedy completion's best layout.
      Greedy(Pending, Layout);
    } else {
      Branch(Level, Pending, Layout);
    }
    Layout.Rate = Rate(Layout);
    return true;
  }

  void Branch(std::int32_t Level, const TPending& Pending, TLayout<C>& Layout) {
    Link_.SetNodeText(Path_);
    Link_.RepaintProgress();
    TLevel<C>& Own = LevelAt(Level);
    TLayout<C>* Trial = &Own.Trial;
    TLayout<C>* Spare = &Own.Best;
    TLayout<C>* Best = nullptr;  // null while the best layout is the input
    const std::size_t PathLength = Path_.size();

    for (std::int32_t i = 1; i <= Task_.ObjCount; ++i) {
      if (Pending[Idx(i)] <= 0) continue;
      for (std::int32_t o = 0; o <= 1; ++o) {
        // The node's layout does not change in these loops.
        for (std::int32_t q = 0; q < Layout.LiveCount; ++q) {
          const std::int32_t j = Layout.Live[Idx(q)];
          // The node's layout is unchanged, so testing the fit on it is
          // testing it on a fresh copy; only trials that fit are copied.
          if (!Fits(Layout, j, o, i, Pending[Idx(i)])) continue;
          CopyUsed(*Trial, Layout);
          Own.Pending = Pending;
          --Own.Pending[Idx(i)];
          Place(*Trial, j, o, i, nullptr, -1);
          if (Task_.RigidFlag && !Guillotine(*Trial)) continue;

          AppendStep(i, o, j + 1);
          const bool Searched = Node(Level + 1, Own.Pending, *Trial);
          Path_.resize(PathLength);
          // A child that saw the stop at once hands back nothing.
          if (!Searched) goto Finish;

          if (Trial->Rate > (Best ? Best->Rate : Layout.Rate)) {
            Best = Trial;
            std::swap(Trial, Spare);
            if (Best->Rate >= Task_.ExpectedRate) goto Finish;
          }
          // No later trial can replace the best layout once a stop was asked for.
          if (Link_.StopRequested()) goto Finish;
        }
      }
    }
  Finish:
    if (Best) CopyUsed(Layout, *Best);
  }

  void Greedy(TPending& Pending, TLayout<C>& Layout) {
    for (std::int32_t i = 1; i <= Task_.ObjCount; ++i) {
      std::int32_t& Left = Pending[Idx(i)];
      if (Left <= 0) continue;
      for (std::int32_t o = 0; o <= 1; ++o) {
        // Points appended by placements are visited later in the same scan.
        const TExtent& E = Extent_[Idx(o)][Idx(i)];
        for (std::int32_t q = 0; q < Layout.LiveCount;) {
          const std::int32_t j = Layout.Live[Idx(q)];
          // Most points fail on the sheet's room alone; test that here.
          const TPoint<C>& P = Layout.Points[Idx(j)];
          if (E.X > P.RX || E.Y > P.RY || !Fits(Layout, j, o, i, Left)) {
            ++q;
            continue;
          }
          if (Task_.RigidFlag) {
            const std::int32_t OldPoints = Layout.PointCount, OldRects = Layout.RectCount;
            Undo_.Count = 0;
            const std::int32_t Next = Place(Layout, j, o, i, &Undo_, q);
            if (!Guillotine(Layout)) {
              // A rejected placement leaves no trace and uses up no piece.
              for (std::int32_t u = Undo_.Count - 1; u >= 0; --u)
                Layout.Points[Idx(Undo_.Index[Idx(u)])].Kind = Undo_.Kind[Idx(u)];
              Layout.PointCount = OldPoints;
              Layout.RectCount = OldRects;
              RebuildLive(Layout);
              ++q;
              continue;
            }
            q = Next;
          } else {
            q = Place(Layout, j, o, i, nullptr, q);
          }
          if (--Left == 0) goto NextPiece;
        }
        // A square turned covers the same ground.
        if (Square_[Idx(i)]) break;
      }
    NextPiece:;
    }
  }

  // --------------------------------------------------------- the geometry

  // The search's record of point (x, y) of Kind, with its room on the sheet.
  TPoint<C> MakePoint(TLength x, TLength y, TPointKind Kind) const {
    constexpr C None = std::numeric_limits<C>::min();
    TPoint<C> P{x, y, None, None, Kind, false, false, -1};
    if (Kind > pkMaxMax) return P;
    P.HighX = Kind == pkMaxMin || Kind == pkMaxMax;
    P.HighY = Kind == pkMinMax || Kind == pkMaxMax;
    // A piece anchored by its low X corner starts at x and may reach
    // Length; by its high X corner it ends at x and may reach back to 0.
    // The same along Y. A point off the sheet anchors nothing.
    const bool UsableX = x >= 0 && C(x) <= SheetLength_;
    const bool UsableY = y >= 0 && C(y) <= SheetWidth_;
    if (UsableX && UsableY) {
      P.RX = P.HighX ? C(x) : SheetLength_ - x;
      P.RY = P.HighY ? C(y) : SheetWidth_ - y;
    }
    return P;
  }

  [[gnu::always_inline]] bool Fits(TLayout<C>& Layout, std::int32_t j, std::int32_t o, std::int32_t i,
                                   std::int32_t Left) const {
    if (Left < 1 || Layout.RectCount >= MaxRects) return false;
    const TExtent& E = Extent_[Idx(o)][Idx(i)];
    TPoint<C>& Point = Layout.Points[Idx(j)];
    if (E.X > Point.RX || E.Y > Point.RY) return false;
    const C PX = Point.HighX ? C(Point.X) - E.X : C(Point.X);
    const C PY = Point.HighY ? C(Point.Y) - E.Y : C(Point.Y);
    // A negative extent may carry the far end off the sheet.
    if (Negative_ && (PX > SheetLength_ || PX + E.X < 0 || PY > SheetWidth_ || PY + E.Y < 0)) return false;
    const C NX1 = PX - K_, NY1 = PY - K_, NX2 = PX + E.X + K_, NY2 = PY + E.Y + K_;
    auto Blocks = [&](const TBox<C>& B) {
      const bool AlongX = NX1 > B.X1 ? NX1 < B.X2 : NX2 > B.X1;
      const bool AlongY = NY1 > B.Y1 ? NY1 < B.Y2 : NY2 > B.Y1;
      return AlongX && AlongY;
    };
    // Any order finds an overlap if there is one: first the piece that
    // blocked this point last time, then the latest pieces, which lie nearest
    // to the newest points.
    if (Point.Hint >= 0 && Point.Hint < Layout.RectCount && Blocks(Layout.Boxes[Idx(Point.Hint)])) return false;
    for (std::int32_t r = Layout.RectCount - 1; r >= 0; --r)
      if (Blocks(Layout.Boxes[Idx(r)])) {
        Point.Hint = static_cast<std::int16_t>(r);
        return false;
      }
    return true;
  }

  bool InsideGrown(const TBox<C>& B, C x, C y) const {
    return B.X1 - K_ < x && x < B.X2 + K_ && B.Y1 - K_ < y && y < B.Y2 + K_;
  }

  // PlacePiece's twelve steps, with the same result. The eight new points
  // are tested against the placed pieces in one pass (the pieces do not
  // change while they are appended), the dead-markings at the four corners
  // (steps 1, 4, 7, 10) and the final cover test are folded into one pass
  // over the points that existed before, and a new point is marked dead
  // when a corner step after it falls on it.
  // ScanPos is the position of point j among the live points; the result is
  // the position where a scan that placed the piece there goes on.
  std::int32_t Place(TLayout<C>& Layout, std::int32_t j, std::int32_t o, std::int32_t i, TUndoLog* Undo,
                     std::int32_t ScanPos) const {
    const TExtent& E = Extent_[Idx(o)][Idx(i)];
    const TPoint<C>& Point = Layout.Points[Idx(j)];
    const C PX = Point.HighX ? C(Point.X) - E.X : C(Point.X);
    const C PY = Point.HighY ? C(Point.Y) - E.Y : C(Point.Y);
    const auto r = Idx(Layout.RectCount++);
    Layout.Rects[r] = TPlacedRect{i, static_cast<TLength>(PX), static_cast<TLength>(PY), static_cast<std::uint8_t>(o)};
    const TBox<C> B{PX, PY, PX + E.X, PY + E.Y};
    Layout.Boxes[r] = B;

    // The new points in step order (2, 3, 5, 6, 8, 9, 11, 12), each with the
    // group of corner markings it follows.
    struct TNew {
      TPointKind Kind;
      C X, Y;
      int Group;
      bool Keep;
    };
    TNew New[8] = {{pkMaxMin, B.X1 - K_, B.Y1, 0, true}, {pkMinMax, B.X1, B.Y1 - K_, 0, true},
                   {pkMinMin, B.X2 + K_, B.Y1, 1, true}, {pkMaxMax, B.X2, B.Y1 - K_, 1, true},
                   {pkMaxMax, B.X1 - K_, B.Y2, 2, true}, {pkMinMin, B.X1, B.Y2 + K_, 2, true},
                   {pkMinMax, B.X2 + K_, B.Y2, 3, true}, {pkMaxMin, B.X2, B.Y2 + K_, 3, true}};
    C MinX = std::numeric_limits<C>::max(), MinY = MinX, MaxX = std::numeric_limits<C>::min(), MaxY = MaxX;
    for (TNew& N : New) {
      N.Keep = N.X >= 0 && N.X <= SheetLength_ && N.Y >= 0 && N.Y <= SheetWidth_;
      MinX = std::min(MinX, N.X);
      MaxX = std::max(MaxX, N.X);
      MinY = std::min(MinY, N.Y);
      MaxY = std::max(MaxY, N.Y);
    }
    // A placed piece whose grown footprint misses the box around all eight
    // points covers none of them.
    for (std::int32_t k = 0; k < Layout.RectCount; ++k) {
      const TBox<C>& R = Layout.Boxes[Idx(k)];
      if (R.X2 + K_ <= MinX || R.X1 - K_ >= MaxX || R.Y2 + K_ <= MinY || R.Y1 - K_ >= MaxY) continue;
      for (TNew& N : New)
        if (N.Keep && InsideGrown(R, N.X, N.Y)) N.Keep = false;
    }

    // New points never lie strictly inside the new piece grown by K (they
    // are refused below), so only the old ones can be covered. The live
    // list is compacted on the way.
    std::int32_t Kept = 0, Next = 0;
    for (std::int32_t q = 0; q < Layout.LiveCount; ++q) {
      const std::int16_t k = Layout.Live[Idx(q)];
      TPoint<C>& P = Layout.Points[Idx(k)];
      const C x = P.X, y = P.Y;
      const bool AtCorner = (x == B.X1 || x == B.X2) && (y == B.Y1 || y == B.Y2);
      if (AtCorner || InsideGrown(B, x, y)) {
        if (Undo) {
          Undo->Index[Idx(Undo->Count)] = k;
          Undo->Kind[Idx(Undo->Count)] = P.Kind;
          ++Undo->Count;
        }
        P.Kind = pkDead;
      } else {
        Layout.Live[Idx(Kept++)] = k;
      }
      if (q == ScanPos) Next = Kept;
    }
    Layout.LiveCount = Kept;

    // Corners in step order: (X1, Y1), (X2, Y1), (X1, Y2), (X2, Y2).
    const C CX[4] = {B.X1, B.X2, B.X1, B.X2};
    const C CY[4] = {B.Y1, B.Y1, B.Y2, B.Y2};
    for (const TNew& N : New) {
      if (!N.Keep || Layout.PointCount >= MaxPoints) continue;
      const std::int32_t k = Layout.PointCount++;
      TPoint<C>& Added = Layout.Points[Idx(k)];
      Added = MakePoint(static_cast<TLength>(N.X), static_cast<TLength>(N.Y), N.Kind);
      for (int c = N.Group + 1; c < 4; ++c)
        if (N.X == CX[c] && N.Y == CY[c]) Added.Kind = pkDead;
      if (Added.Kind != pkDead) Layout.Live[Idx(Layout.LiveCount++)] = static_cast<std::int16_t>(k);
    }
    return Next;
  }

  float Rate(TLayout<C>& Layout) const {
    // CalcJobRate reads only the sheet and the placed pieces.
    Job_->SheetNo = Layout.SheetNo;
    Job_->RectCount = Layout.RectCount;
    std::copy_n(Layout.Rects.begin(), Layout.RectCount, Job_->Rects.At(1));
    return CalcJobRate(Task_, *Job_);
  }

  // ----------------------------------------------------- the guillotine test
  //
  // IsGuillotine on the footprints: the first cut in candidate order (across
  // X at the pieces' X values in list order, then across Y), then both sides.

  enum class TSide { Low, High, Across };

  TSide SideOf(const TBox<C>& B, bool AlongY, C Q) const {
    const C Lo = AlongY ? B.Y1 : B.X1, Hi = AlongY ? B.Y2 : B.X2;
    if (Hi + K_ <= Q) return TSide::Low;
    if (Lo >= Q) return TSide::High;
    return TSide::Across;
  }

  bool FindCut(const TBox<C>* Items, std::int32_t N, bool& AlongY, C& Q) const {
    for (int Axis = 0; Axis < 2; ++Axis) {
      AlongY = Axis == 1;
      // A cut below every piece's far end plus K has no low side; a cut at
      // the position just tried gives the same answer again. Skipping those
      // leaves the first working cut in candidate order as it was.
      C LowestEnd = std::numeric_limits<C>::max();
      for (std::int32_t k = 0; k < N; ++k) LowestEnd = std::min(LowestEnd, (AlongY ? Items[k].Y2 : Items[k].X2) + K_);
      bool Tried = false;
      C LastQ = 0;
      for (std::int32_t c = 0; c < N; ++c) {
        Q = AlongY ? Items[c].Y1 : Items[c].X1;
        if (Q < LowestEnd || (Tried && Q == LastQ)) continue;
        Tried = true;
        LastQ = Q;
        std::int32_t Lows = 0, Highs = 0;
        bool Clean = true;
        for (std::int32_t k = 0; k < N && Clean; ++k) {
          switch (SideOf(Items[k], AlongY, Q)) {
            case TSide::Low: ++Lows; break;
            case TSide::High: ++Highs; break;
            case TSide::Across: Clean = false; break;
          }
        }
        if (Clean && Lows > 0 && Highs > 0) return true;
      }
    }
    return false;
  }

  bool Separable(std::int32_t Begin, std::int32_t N) {
    if (N <= 3) return true;
    TBox<C>* Items = Cut_->Items.data() + Begin;
    bool AlongY = false;
    C Q = 0;
    if (!FindCut(Items, N, AlongY, Q)) return false;
    std::int32_t Highs = 0, Lows = 0;
    for (std::int32_t k = 0; k < N; ++k)
      if (SideOf(Items[k], AlongY, Q) == TSide::High) Items[Highs++] = Items[k];
      else Cut_->Temp[Idx(Lows++)] = Items[k];
    std::copy_n(Cut_->Temp.begin(), Lows, Items + Highs);
    return Separable(Begin, Highs) && Separable(Begin + Highs, Lows);
  }

  // With positive sizes and K >= 0 any two pieces of a search layout lie at
  // least K apart along X or along Y, so any three of them can be cut apart
  // (the X overlaps of three pieces form a chain or a triangle, whose pairs
  // are then stacked along Y). Cuttability is then hereditary: the pieces on
  // either side of any through cut of a cuttable layout are cuttable again.
  // So the first cut in candidate order gives the same answer as any other,
  // which lets the test below cut at every position at once, and a new piece
  // that a single cut separates from a cuttable layout keeps it cuttable.
  // Other sizes take the candidate order step by step.

  static C Lo(const TBox<C>& B, int Axis) { return Axis ? B.Y1 : B.X1; }
  static C Hi(const TBox<C>& B, int Axis) { return Axis ? B.Y2 : B.X2; }

  static void SortByLo(TBox<C>* Items, std::int32_t N, int Axis) {
    if (Axis)
      std::sort(Items, Items + N, [](const TBox<C>& A, const TBox<C>& B) { return A.Y1 < B.Y1; });
    else
      std::sort(Items, Items + N, [](const TBox<C>& A, const TBox<C>& B) { return A.X1 < B.X1; });
  }

  // Sorts Items[0, N) along Axis and finds its groups: a group starts where
  // the pieces before it end, knife path included, at or before its first
  // piece starts. Writes the first piece of each group to Starts (and N after
  // the last) and the end of the pieces before group g to Reach[g]. Returns
  // the number of groups (1: no cut along Axis).
  std::int32_t Groups(TBox<C>* Items, std::int32_t N, int Axis, std::int32_t* Starts, C* Reach) const {
    SortByLo(Items, N, Axis);
    std::int32_t Count = 1;
    Starts[0] = 0;
    C End = Hi(Items[0], Axis) + K_;
    for (std::int32_t t = 1; t < N; ++t) {
      if (End <= Lo(Items[t], Axis)) {
        Reach[Count] = End;
        Starts[Count++] = t;
      }
      End = std::max(End, Hi(Items[t], Axis) + K_);
    }
    Starts[Count] = N;
    return Count;
  }

  // Whether Items[Begin, Begin + N) can be cut apart: cut at every free
  // position along one axis and test each group.
  bool Splittable(std::int32_t Begin, std::int32_t N, int SkipAxis) {
    if (N <= 3) return true;
    TBox<C>* Items = Cut_->Items.data() + Begin;
    std::int32_t Starts[MaxRects + 1];
    C Reach[MaxRects + 1];
    for (int Axis = 0; Axis < 2; ++Axis) {
      if (Axis == SkipAxis) continue;
      const std::int32_t Count = Groups(Items, N, Axis, Starts, Reach);
      if (Count == 1) continue;
      for (std::int32_t g = 0; g < Count; ++g)
        if (!Splittable(Begin + Starts[g], Starts[g + 1] - Starts[g], Axis)) return false;
      return true;
    }
    return false;
  }

  // Whether the pieces Items[Begin, Begin + N), which can be cut apart, can
  // still be cut apart with piece P added. The free bands between the groups
  // along an axis stay free unless P lies across one, so only the groups that
  // P lies in or joins need a look.
  bool SplittableWith(std::int32_t Begin, std::int32_t N, const TBox<C>& P, int SkipAxis) {
    if (N + 1 <= 3 || AloneBeside(Cut_->Items.data() + Begin, N, P)) return true;
    TBox<C>* Items = Cut_->Items.data() + Begin;
    std::int32_t Starts[MaxRects + 1];
    C Reach[MaxRects + 1];
    for (int Axis = 0; Axis < 2; ++Axis) {
      if (Axis == SkipAxis) continue;
      const std::int32_t Count = Groups(Items, N, Axis, Starts, Reach);
      if (Count == 1) continue;
      // The band before group g runs from Reach[g] to the start of group g.
      const C From = Lo(P, Axis), To = Hi(P, Axis) + K_;
      std::int32_t First = 0, Last = Count - 1;
      for (std::int32_t g = 1; g < Count; ++g) {
        const bool After = From >= Reach[g];                       // P fits above a cut in the band
        const bool Before = To <= Lo(Items[Starts[g]], Axis);     // P fits below one
        if (After && Before) return true;                          // P alone in the band
        if (After) {
          First = g;
        } else if (Before) {
          Last = g - 1;
          break;
        }
      }
      const std::int32_t A = Starts[First], B = Starts[Last + 1];
      if (First == Last) return SplittableWith(Begin + A, B - A, P, Axis);
      // P lies across the bands between these groups: no cut along this axis
      // is left among them. The groups after them are not needed any more;
      // P takes the first place.
      Items[B] = P;
      return Splittable(Begin + A, B - A + 1, Axis);
    }
    // Cuttable pieces without a cut along either axis are at most one.
    return true;
  }

  // Every two pieces at least K apart along X or along Y.
  bool SpacedApart(const TLayout<C>& Layout) const {
    for (std::int32_t a = 0; a < Layout.RectCount; ++a)
      for (std::int32_t b = 0; b < a; ++b) {
        const TBox<C>& A = Layout.Boxes[Idx(a)];
        const TBox<C>& B = Layout.Boxes[Idx(b)];
        if (A.X1 < B.X2 + K_ && B.X1 < A.X2 + K_ && A.Y1 < B.Y2 + K_ && B.Y1 < A.Y2 + K_) return false;
      }
    return true;
  }

  // Whether one through cut separates P from all of Items[0, N).
  bool AloneBeside(const TBox<C>* Items, std::int32_t N, const TBox<C>& P) const {
    C MinX = std::numeric_limits<C>::max(), MinY = MinX, MaxX = std::numeric_limits<C>::min(), MaxY = MaxX;
    for (std::int32_t k = 0; k < N; ++k) {
      MinX = std::min(MinX, Items[k].X1);
      MaxX = std::max(MaxX, Items[k].X2);
      MinY = std::min(MinY, Items[k].Y1);
      MaxY = std::max(MaxY, Items[k].Y2);
    }
    return P.X1 >= MaxX + K_ || P.X2 + K_ <= MinX || P.Y1 >= MaxY + K_ || P.Y2 + K_ <= MinY;
  }

  // IsGuillotine of Layout, whose pieces but the last were already tested.
  bool Guillotine(const TLayout<C>& Layout) {
    if (Layout.RectCount <= 3) return true;
    if (!Hereditary_) {
      std::copy_n(Layout.Boxes.begin(), Layout.RectCount, Cut_->Items.begin());
      return Separable(0, Layout.RectCount);
    }
    const std::int32_t N = Layout.RectCount - 1;
    std::copy_n(Layout.Boxes.begin(), N, Cut_->Items.begin());
    return SplittableWith(0, N, Layout.Boxes[Idx(N)], -1);
  }

  // ------------------------------------------------------------- plumbing

  void AppendStep(std::int32_t i, std::int32_t o, std::int32_t j) {
    Path_ += '/';
    AppendNumber(i);
    Path_ += '.';
    AppendNumber(o);
    Path_ += '.';
    AppendNumber(j);
  }

  void AppendNumber(std::int32_t Value) {
    char Buf[16];
    auto Res = std::to_chars(Buf, Buf + sizeof Buf, Value);
    Path_.append(Buf, static_cast<std::size_t>(Res.ptr - Buf));
  }

  TLevel<C>& LevelAt(std::int32_t Level) {
    while (Levels_.size() <= Idx(Level)) Levels_.push_back(std::make_unique<TLevel<C>>());
    return *Levels_[Idx(Level)];
  }

  struct TRoot {
    TPending Pending{};
    TLayout<C> Layout;
  };

  const TPlan& Task_;
  IProgressLink& Link_;
  TSearchStats* Stats_;
  std::string Path_;
  const C SheetLength_, SheetWidth_, K_;
  std::array<std::array<TExtent, MaxObjPlans + 1>, 2> Extent_{};
  std::array<bool, MaxObjPlans + 1> Square_{};
  bool Negative_ = false;  // some piece has a negative size
  // The guillotine shortcuts above hold: sizes positive, K >= 0, and the
  // layout the search starts from cuttable (or the material not rigid).
  bool Hereditary_ = false;
  std::unique_ptr<TRoot> Root_ = std::make_unique<TRoot>();
  std::vector<std::unique_ptr<TLevel<C>>> Levels_;
  TUndoLog Undo_;
  std::unique_ptr<TCutScratch<C>> Cut_ = std::make_unique<TCutScratch<C>>();
  std::unique_ptr<TJob> Job_ = std::make_unique<TJob>();
};

// True when sums of up to three of these values cannot leave 64 bits.
bool FitsNarrow(const TPlan& Task, const TJob& Job) {
  constexpr TLength Limit = TLength{1} << 60;
  auto Small = [](TLength V) { return V >= -Limit && V <= Limit; };
  const TSrcRect& Sheet = Task.SrcRects[Job.SheetNo];
  if (!Small(Sheet.Length) || !Small(Sheet.Width) || !Small(Task.KnifeWidth)) return false;
  for (std::int32_t i = 1; i <= Task.ObjCount; ++i)
    if (!Small(Task.ObjPlans[i].Length) || !Small(Task.ObjPlans[i].Width)) return false;
  for (std::int32_t k = 1; k <= Job.PointCount; ++k)
    if (!Small(Job.Points[k].X) || !Small(Job.Points[k].Y)) return false;
  for (std::int32_t k = 1; k <= Job.RectCount; ++k)
    if (!Small(Job.Rects[k].X) || !Small(Job.Rects[k].Y)) return false;
  return true;
}

template <class C>
void RunSearch(const TPlan& Task, TJob& Layout, std::int32_t Level, const std::string& Path, IProgressLink& Link,
               TSearchStats* Stats) {
  auto Search = std::make_unique<TSearch<C>>(Task, Task.SrcRects[Layout.SheetNo], Link, Stats, Path);
  Search->Run(Level, Layout);
}

}  // namespace

void SearchLayout(const TPlan& Task, TJob& Layout, std::int32_t Level, const std::string& Path,
                  IProgressLink& Link, TSearchStats* Stats) {
  if (FitsNarrow(Task, Layout))
    RunSearch<std::int64_t>(Task, Layout, Level, Path, Link, Stats);
  else
    RunSearch<TWide>(Task, Layout, Level, Path, Link, Stats);
}
