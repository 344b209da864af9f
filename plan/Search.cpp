#include "Search.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>
#include <memory>
#include <vector>

#include "Geometry.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
// pieces as a TJob, plus what the tests it runs millions of times want at
// hand: each piece's footprint, and the list of live points with the room
// the sheet leaves a piece anchored on each.
//
// C is the type the geometry is computed in. When every size, coordinate and
// the knife width lie within +-2^60, sums of three of them fit in 64 bits and
// the search runs on std::int64_t; otherwise on 128 bits. Both give the same
// answers; only the speed differs.
template <class C>
struct TBox {
  C X1, Y1, X2, Y2;
};

// A corner point, and which corner of a piece anchored on it sits on it.
struct TPoint {
  TLength X, Y;
  TPointKind Kind;
  bool HighX, HighY;
};

// The live points of a layout, in order, each with a summary of what can
// fit there, in 32 bits so that a scan tests four points at a time: the room
// (RX, RY) that the sheet leaves a piece anchored there (it stays on the
// sheet only if EX <= RX and EY <= RY) and the quadrant (AX, AY) of extents
// that the placed piece which last blocked a fit there blocks too (every
// piece with EX > AX and EY > AY; see TSearch::Monotone_). Values beyond 32
// bits are saturated, which can only let more points through to the exact
// test, never fewer.
struct TLiveList {
  std::int32_t Count = 0;
  std::array<std::int32_t, MaxPoints> Index, RX, RY, AX, AY;

  void Move(std::int32_t To, std::int32_t From) {
    const auto t = static_cast<std::size_t>(To), f = static_cast<std::size_t>(From);
    Index[t] = Index[f];
    RX[t] = RX[f];
    RY[t] = RY[f];
    AX[t] = AX[f];
    AY[t] = AY[f];
  }
  void CopyFrom(const TLiveList& Src) {
    Count = Src.Count;
    const auto n = static_cast<std::size_t>(Count);
    std::copy_n(Src.Index.begin(), n, Index.begin());
    std::copy_n(Src.RX.begin(), n, RX.begin());
    std::copy_n(Src.RY.begin(), n, RY.begin());
    std::copy_n(Src.AX.begin(), n, AX.begin());
    std::copy_n(Src.AY.begin(), n, AY.begin());
  }
};

template <class C>
std::int32_t Saturated(C V) {
  return static_cast<std::int32_t>(std::clamp<C>(V, INT32_MIN, INT32_MAX));
}

// The first position from Q on whose summary does not rule out a piece of
// extents (EX, EY); Live.Count when there is none.
std::int32_t NextCandidate(const TLiveList& Live, std::int32_t Q, std::int32_t EX, std::int32_t EY) {
#if defined(__SSE2__)
  const __m128i X = _mm_set1_epi32(EX), Y = _mm_set1_epi32(EY);
  for (; Q + 4 <= Live.Count; Q += 4) {
    const auto At = [Q](const std::array<std::int32_t, MaxPoints>& A) {
      return _mm_loadu_si128(reinterpret_cast<const __m128i*>(A.data() + Q));
    };
    const __m128i Out = _mm_or_si128(_mm_or_si128(_mm_cmpgt_epi32(X, At(Live.RX)), _mm_cmpgt_epi32(Y, At(Live.RY))),
                                     _mm_and_si128(_mm_cmpgt_epi32(X, At(Live.AX)), _mm_cmpgt_epi32(Y, At(Live.AY))));
    const int Rejected = _mm_movemask_ps(_mm_castsi128_ps(Out));
    if (Rejected != 0xF) return Q + __builtin_ctz(static_cast<unsigned>(~Rejected & 0xF));
  }
#endif
  for (; Q < Live.Count; ++Q) {
    const auto q = static_cast<std::size_t>(Q);
    if (!(EX > Live.RX[q] || EY > Live.RY[q] || (EX > Live.AX[q] && EY > Live.AY[q]))) return Q;
  }
  return Live.Count;
}

template <class C>
struct TLayout {
  std::int32_t SheetNo = 0;
  float Rate = 0;
  std::int32_t PointCount = 0;
  std::int32_t RectCount = 0;
  std::array<TPoint, MaxPoints> Points;  // numbered from 0 here
  std::array<TPlacedRect, MaxRects> Rects;
  std::array<TBox<C>, MaxRects> Boxes;  // footprint of Rects[k]
  TLiveList Live;
};

template <class C>
void CopyUsed(TLayout<C>& Dst, const TLayout<C>& Src) {
  Dst.SheetNo = Src.SheetNo;
  Dst.Rate = Src.Rate;
  Dst.PointCount = Src.PointCount;
  Dst.RectCount = Src.RectCount;
  std::copy_n(Src.Points.begin(), Src.PointCount, Dst.Points.begin());
  std::copy_n(Src.Rects.begin(), Src.RectCount, Dst.Rects.begin());
  std::copy_n(Src.Boxes.begin(), Src.RectCount, Dst.Boxes.begin());
  Dst.Live.CopyFrom(Src.Live);
}

using TPending = std::array<std::int32_t, MaxObjPlans + 1>;  // indexed 1..ObjCount

// What a placement changed among the points that existed before it, to
// undo a rejected one exactly: the points it marked dead (in order) and how
// many live points it appended.
struct TUndoLog {
  std::int32_t Count = 0;
  std::int32_t AddedLive = 0;
  std::array<std::int32_t, MaxPoints> Index;
  std::array<TPointKind, MaxPoints> Kind;
};

// Scratch of the guillotine test; each level of its recursion works on a
// segment of Items.
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
    Monotone_ = Task.KnifeWidth >= 0;
    for (std::int32_t i = 1; i <= Task.ObjCount; ++i) {
      const TObjPlan& O = Task.ObjPlans[i];
      const auto k = static_cast<std::size_t>(i);
      Extent_[0][k] = {O.Length, O.Width, Saturated<C>(O.Length), Saturated<C>(O.Width)};
      Extent_[1][k] = {O.Width, O.Length, Saturated<C>(O.Width), Saturated<C>(O.Length)};
      Square_[k] = O.Length == O.Width;
      Orientations_[k] = OrientationAllowed(O, 1) ? 2 : 1;
      Negative_ = Negative_ || O.Length < 0 || O.Width < 0;
      Hereditary_ = Hereditary_ && O.Length > 0 && O.Width > 0;
      Monotone_ = Monotone_ && O.Length > 0 && O.Width > 0;
    }
    Path_.reserve(Path.size() + 32 * static_cast<std::size_t>(std::clamp(Task.SearchDepth, 0, 16) + 1));
  }

  void Run(std::int32_t Level, TJob& Job) {
    TLayout<C>& Layout = Root_->Layout;
    Layout.SheetNo = Job.SheetNo;
    Layout.Rate = Job.Rate;
    Layout.PointCount = Job.PointCount;
    Layout.RectCount = Job.RectCount;
    Layout.Live.Count = 0;
    for (std::int32_t k = 0; k < Job.PointCount; ++k) {
      const TCornerPoint& P = Job.Points[k + 1];
      Layout.Points[Idx(k)] = PointOf(P.X, P.Y, P.Kind);
      if (P.Kind != pkDead) AddLive(Layout, Layout.Live.Count++, k);
    }
    std::copy_n(Job.Rects.At(1), Job.RectCount, Layout.Rects.begin());
    for (std::int32_t r = 0; r < Job.RectCount; ++r) Layout.Boxes[Idx(r)] = BoxOf(Layout.Rects[Idx(r)]);
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
      const TPoint& P = Layout.Points[Idx(k)];
      Job.Points[k + 1] = TCornerPoint{P.X, P.Y, P.Kind};
    }
    std::copy_n(Layout.Rects.begin(), Layout.RectCount, Job.Rects.At(1));
  }

 private:
  struct TExtent {
    C X, Y;
    std::int32_t X32, Y32;  // saturated, for the live list's summaries
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
    // A full placed list takes no more pieces.
    if (Layout.RectCount >= MaxRects) return;
    TLevel<C>& Own = LevelAt(Level);
    TLayout<C>* Trial = &Own.Trial;
    TLayout<C>* Spare = &Own.Best;
    TLayout<C>* Best = nullptr;  // null while the best layout is the input
    const std::size_t PathLength = Path_.size();

    for (std::int32_t i = 1; i <= Task_.ObjCount; ++i) {
      if (Pending[Idx(i)] <= 0) continue;
      for (std::int32_t o = 0; o < Orientations_[Idx(i)]; ++o) {
        const TExtent& E = Extent_[Idx(o)][Idx(i)];
        // The node's layout does not change in these loops, so testing the
        // fit on it is testing it on a fresh copy; only trials that fit are
        // copied.
        for (std::int32_t q = 0;; ++q) {
          q = NextCandidate(Layout.Live, q, E.X32, E.Y32);
          if (q >= Layout.Live.Count) break;
          if (!Fits(Layout, q, E)) continue;
          const std::int32_t j = Layout.Live.Index[Idx(q)];
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
    if (Layout.RectCount >= MaxRects) return;
    for (std::int32_t i = 1; i <= Task_.ObjCount; ++i) {
      std::int32_t& Left = Pending[Idx(i)];
      if (Left <= 0) continue;
      for (std::int32_t o = 0; o < Orientations_[Idx(i)]; ++o) {
        const TExtent& E = Extent_[Idx(o)][Idx(i)];
        // Points appended by placements are visited later in the same scan.
        for (std::int32_t q = 0;;) {
          q = NextCandidate(Layout.Live, q, E.X32, E.Y32);
          if (q >= Layout.Live.Count) break;
          if (!Fits(Layout, q, E)) {
            ++q;
            continue;
          }
          const std::int32_t j = Layout.Live.Index[Idx(q)];
          if (Task_.RigidFlag) {
            const std::int32_t OldPoints = Layout.PointCount, OldRects = Layout.RectCount;
            Undo_.Count = 0;
            const std::int32_t Next = Place(Layout, j, o, i, &Undo_, q);
            if (!Guillotine(Layout)) {
              // A rejected placement leaves no trace and uses up no piece.
              Layout.PointCount = OldPoints;
              Layout.RectCount = OldRects;
              Undo(Layout);
              ++q;
              continue;
            }
            q = Next;
          } else {
            q = Place(Layout, j, o, i, nullptr, q);
          }
          // A full placed list takes no more pieces: nothing more can change.
          if (Layout.RectCount >= MaxRects) return;
          if (--Left == 0) goto NextPiece;
        }
        // A square turned covers the same ground.
        if (Square_[Idx(i)]) break;
      }
    NextPiece:;
    }
  }

  // Takes back the changes of the last placement recorded in Undo_: the
  // points it marked dead live again, in their old places in the live list,
  // and the live points it appended go.
  void Undo(TLayout<C>& Layout) const {
    TLiveList& Live = Layout.Live;
    std::int32_t Kept = Live.Count - Undo_.AddedLive - 1;  // last survivor
    std::int32_t Write = Kept + Undo_.Count;
    Live.Count = Write + 1;
    for (std::int32_t u = Undo_.Count - 1; u >= 0; --u) {
      const std::int32_t k = Undo_.Index[Idx(u)];
      while (Kept >= 0 && Live.Index[Idx(Kept)] > k) Live.Move(Write--, Kept--);
      Layout.Points[Idx(k)].Kind = Undo_.Kind[Idx(u)];
      AddLive(Layout, Write--, k);
    }
  }

  // --------------------------------------------------------- the geometry

  TPoint PointOf(TLength x, TLength y, TPointKind Kind) const {
    return TPoint{x, y, Kind, Kind == pkMaxMin || Kind == pkMaxMax, Kind == pkMinMax || Kind == pkMaxMax};
  }

  // Whether point P anchors a piece of extents E on the sheet: a piece
  // anchored by its low X corner starts at x and may reach Length, by its
  // high X corner it ends at x and may reach back to 0; the same along Y. A
  // point off the sheet, or of a kind that anchors nothing, anchors nothing.
  bool Anchors(const TPoint& P) const {
    return P.Kind <= pkMaxMax && P.X >= 0 && C(P.X) <= SheetLength_ && P.Y >= 0 && C(P.Y) <= SheetWidth_;
  }
  C RoomX(const TPoint& P) const { return P.HighX ? C(P.X) : SheetLength_ - P.X; }
  C RoomY(const TPoint& P) const { return P.HighY ? C(P.Y) : SheetWidth_ - P.Y; }

  // Writes point k of Layout, which is live, to position q of its live list.
  void AddLive(TLayout<C>& Layout, std::int32_t q, std::int32_t k) const {
    const TPoint& P = Layout.Points[Idx(k)];
    TLiveList& Live = Layout.Live;
    const bool Usable = Anchors(P);
    Live.Index[Idx(q)] = k;
    Live.RX[Idx(q)] = Usable ? Saturated<C>(RoomX(P)) : INT32_MIN;
    Live.RY[Idx(q)] = Usable ? Saturated<C>(RoomY(P)) : INT32_MIN;
    Live.AX[Idx(q)] = INT32_MAX;
    Live.AY[Idx(q)] = INT32_MAX;
  }

  // Whether a piece of extents E anchored on the point at position q of the
  // live list stays on the sheet and keeps K from every placed piece.
  [[gnu::always_inline]] bool Fits(TLayout<C>& Layout, std::int32_t q, const TExtent& E) const {
    const TPoint& Point = Layout.Points[Idx(Layout.Live.Index[Idx(q)])];
    if (!Anchors(Point) || E.X > RoomX(Point) || E.Y > RoomY(Point)) return false;
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
    // Any order finds an overlap if there is one; the latest pieces lie
    // nearest to the newest points, so they go first.
    for (std::int32_t r = Layout.RectCount - 1; r >= 0; --r) {
      const TBox<C>& B = Layout.Boxes[Idx(r)];
      if (!Blocks(B)) continue;
      if (Monotone_) {
        // The piece spans x..x+EX (or x-EX..x) and B stays where it is:
        // B blocks every piece that reaches further than this, both ways.
        const C x = Point.X, y = Point.Y;
        Layout.Live.AX[Idx(q)] = Saturated<C>(Point.HighX ? x - K_ - B.X2 : B.X1 - x - K_);
        Layout.Live.AY[Idx(q)] = Saturated<C>(Point.HighY ? y - K_ - B.Y2 : B.Y1 - y - K_);
      }
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
  // when a corner step after it falls on it. ScanPos is the position of
  // point j in the live list; the result is where a scan that placed the
  // piece there goes on.
  std::int32_t Place(TLayout<C>& Layout, std::int32_t j, std::int32_t o, std::int32_t i, TUndoLog* Undo,
                     std::int32_t ScanPos) const {
    const TExtent& E = Extent_[Idx(o)][Idx(i)];
    const TPoint& Point = Layout.Points[Idx(j)];
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
    // were refused above), so only the old ones can be covered or sit on its
    // corners. The live list is compacted on the way. With K >= 0 and no
    // negative sizes the corners lie on the grown footprint, so a point
    // outside it stays.
    const C GX1 = B.X1 - K_, GY1 = B.Y1 - K_, GX2 = B.X2 + K_, GY2 = B.Y2 + K_;
    const bool Near = K_ >= 0 && !Negative_;
    auto Dies = [&](const TPoint& P) {
      const C x = P.X, y = P.Y;
      if (Near && (x < GX1 || x > GX2 || y < GY1 || y > GY2)) return false;
      const bool AtCorner = (x == B.X1 || x == B.X2) && (y == B.Y1 || y == B.Y2);
      return AtCorner || (GX1 < x && x < GX2 && GY1 < y && y < GY2);
    };
    TLiveList& Live = Layout.Live;
    std::int32_t Kept = 0, Next = 0;
    for (std::int32_t q = 0; q < Live.Count; ++q) {
      const std::int32_t k = Live.Index[Idx(q)];
      TPoint& P = Layout.Points[Idx(k)];
      if (Dies(P)) {
        if (Undo) {
          Undo->Index[Idx(Undo->Count)] = k;
          Undo->Kind[Idx(Undo->Count)] = P.Kind;
          ++Undo->Count;
        }
        P.Kind = pkDead;
      } else {
        // Entries move only once a point before them has died.
        if (Kept != q) Live.Move(Kept, q);
        ++Kept;
      }
      if (q == ScanPos) Next = Kept;
    }
    Live.Count = Kept;

    // Corners in step order: (X1, Y1), (X2, Y1), (X1, Y2), (X2, Y2).
    const C CX[4] = {B.X1, B.X2, B.X1, B.X2};
    const C CY[4] = {B.Y1, B.Y1, B.Y2, B.Y2};
    for (const TNew& N : New) {
      if (!N.Keep || Layout.PointCount >= MaxPoints) continue;
      const std::int32_t k = Layout.PointCount++;
      TPoint& Added = Layout.Points[Idx(k)];
      Added = PointOf(static_cast<TLength>(N.X), static_cast<TLength>(N.Y), N.Kind);
      for (int c = N.Group + 1; c < 4; ++c)
        if (N.X == CX[c] && N.Y == CY[c]) Added.Kind = pkDead;
      if (Added.Kind != pkDead) AddLive(Layout, Live.Count++, k);
    }
    if (Undo) Undo->AddedLive = Live.Count - Kept;
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
  // 2 when the piece may be turned, 1 when it keeps its direction.
  std::array<std::int32_t, MaxObjPlans + 1> Orientations_{};
  bool Negative_ = false;  // some piece has a negative size
  // Every size positive and K >= 0: then a piece anchored on a point covers
  // all that a smaller one there covers, and the overlap test is the plain
  // one, so a placed piece that blocks one piece blocks every larger one.
  bool Monotone_ = false;
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
