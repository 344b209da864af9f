#include "Search.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>
#include <memory>
#include <atomic>
#include <mutex>
#include <type_traits>
#include <vector>

#include "Geometry.h"
#include "SearchTeam.h"

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
// pieces as a TJob, laid out for the tests it runs millions of times.
//
// C is the type the geometry is computed in. Ordinary tasks (every size
// positive, a knife width of 0 or more, all values within +-2^26) run on
// 32 bits, four values to an SSE2 register; other tasks whose values lie
// within +-2^60 on 64 bits, the rest on 128 bits. All give the same answers;
// only the speed differs.
constexpr std::int32_t Lanes = 4;
constexpr std::int32_t Never = std::numeric_limits<std::int32_t>::min();  // a room that takes no piece
constexpr std::int32_t Open = std::numeric_limits<std::int32_t>::max();   // a bound that rules out nothing

template <class C>
std::int32_t Saturated(C V) {
  return static_cast<std::int32_t>(std::clamp<C>(V, Never, Open));
}

template <class C>
struct TPoint {
  C X, Y;
  TPointKind Kind;
};

// A placed piece's footprint with the knife's path folded in: it runs from
// (X1, Y1) to (X2 + K, Y2 + K). Every test of the search takes the far ends
// with the knife width added.
template <class C>
struct TBox {
  C X1, Y1, GX2, GY2;
};

// The live points of a layout, in the order of their numbers, with what can
// fit at each in 32 bits, so that a scan tests four points at a time. A
// piece of extents (EX, EY) can only fit at an entry if EX <= RX, EY <= RY
// and not both EX > AX and EY > AY:
// - RX, RY: the room that the sheet leaves a piece anchored there, narrowed
//   to where a placed piece stands across the thin strip along the edge of
//   the piece (a piece that reaches that far cannot fit, whatever its other
//   extent);
// - AX, AY: the quadrant of extents that the placed piece which last blocked
//   a fit there blocks too.
// Values beyond 32 bits are saturated, which can only let more entries
// through to the exact test, never fewer.
//
// A point that dies keeps its entry, with kind pkDead and rooms Never, until
// the list is compacted; so the position of an entry stays put while a scan
// runs over the list. Entries from Count up to Count + Lanes are dead padding
// for the scans that read four at a time.
template <class C>
struct TLiveList {
  std::int32_t Count = 0;  // entries, dead ones included
  std::int32_t Alive = 0;  // entries of live points
  alignas(16) std::array<std::int32_t, MaxPoints + Lanes> Index, Kind, RX, RY, AX, AY;
  alignas(16) std::array<C, MaxPoints + Lanes> X, Y;
};

template <class C>
struct TLayout {
  std::int32_t SheetNo = 0;
  float Rate = 0;
  std::int32_t PointCount = 0;
  std::int32_t RectCount = 0;
  // Upper bounds, over the live entries, of the largest RX and RY and of the
  // larger of the two extents' minimum that the entries let through: a
  // piece beyond one of them fits nowhere.
  std::int32_t MaxW = Never, MaxH = Never, MaxMin = Never;
  // The entries narrowed since the bounds were computed: they still hold,
  // but may be tightened.
  bool Loose = false;
  std::array<TPoint<C>, MaxPoints> Points;  // numbered from 0 here
  std::array<std::int32_t, MaxRects> ObjNo;
  std::array<std::uint8_t, MaxRects> Rotated;
  // Footprints; piece k at k + Lanes. The entries before never block
  // anything, so that a scan backwards can read four at a time.
  alignas(16) std::array<C, MaxRects + Lanes> X1, Y1, GX2, GY2;
  TLiveList<C> Live;
};

// Entries that never block nor cover anything, before the first piece.
template <class C>
void SetGuards(TLayout<C>& L) {
  const C Far = std::numeric_limits<C>::max() / 4;
  for (std::int32_t k = 0; k < Lanes; ++k) {
    L.X1[static_cast<std::size_t>(k)] = Far;
    L.Y1[static_cast<std::size_t>(k)] = Far;
    L.GX2[static_cast<std::size_t>(k)] = -Far;
    L.GY2[static_cast<std::size_t>(k)] = -Far;
  }
}

template <class C>
void SetPadding(TLiveList<C>& Live, std::int32_t From) {
  for (std::int32_t q = From; q < Live.Count + Lanes; ++q) {
    const auto k = static_cast<std::size_t>(q);
    Live.Index[k] = 0;
    Live.Kind[k] = pkDead;
    Live.RX[k] = Live.RY[k] = Never;
    Live.AX[k] = Live.AY[k] = Open;
    Live.X[k] = Live.Y[k] = 0;
  }
}

template <class C>
void MoveEntry(TLiveList<C>& Live, std::int32_t To, std::int32_t From) {
  const auto t = static_cast<std::size_t>(To), f = static_cast<std::size_t>(From);
  Live.Index[t] = Live.Index[f];
  Live.Kind[t] = Live.Kind[f];
  Live.RX[t] = Live.RX[f];
  Live.RY[t] = Live.RY[f];
  Live.AX[t] = Live.AX[f];
  Live.AY[t] = Live.AY[f];
  Live.X[t] = Live.X[f];
  Live.Y[t] = Live.Y[f];
}

// Drops the dead entries; returns the new position of the entry at Q (or of
// the first live one after it).
template <class C>
std::int32_t Compact(TLiveList<C>& Live, std::int32_t Q) {
  std::int32_t Kept = 0, NewQ = 0;
  for (std::int32_t q = 0; q < Live.Count; ++q) {
    if (q == Q) NewQ = Kept;
    if (Live.Kind[static_cast<std::size_t>(q)] == pkDead) continue;
    if (Kept != q) MoveEntry(Live, Kept, q);
    ++Kept;
  }
  if (Q >= Live.Count) NewQ = Kept;
  Live.Count = Kept;
  SetPadding(Live, Kept);
  return NewQ;
}

// Copies the used part of Src; the live list without its dead entries.
template <class C>
void CopyUsed(TLayout<C>& Dst, const TLayout<C>& Src) {
  Dst.SheetNo = Src.SheetNo;
  Dst.Rate = Src.Rate;
  Dst.PointCount = Src.PointCount;
  Dst.RectCount = Src.RectCount;
  Dst.MaxW = Src.MaxW;
  Dst.MaxH = Src.MaxH;
  Dst.MaxMin = Src.MaxMin;
  Dst.Loose = Src.Loose;
  const auto Points = static_cast<std::size_t>(Src.PointCount), Rects = static_cast<std::size_t>(Src.RectCount);
  std::copy_n(Src.Points.begin(), Points, Dst.Points.begin());
  std::copy_n(Src.ObjNo.begin(), Rects, Dst.ObjNo.begin());
  std::copy_n(Src.Rotated.begin(), Rects, Dst.Rotated.begin());
  std::copy_n(Src.X1.begin() + Lanes, Rects, Dst.X1.begin() + Lanes);
  std::copy_n(Src.Y1.begin() + Lanes, Rects, Dst.Y1.begin() + Lanes);
  std::copy_n(Src.GX2.begin() + Lanes, Rects, Dst.GX2.begin() + Lanes);
  std::copy_n(Src.GY2.begin() + Lanes, Rects, Dst.GY2.begin() + Lanes);
  const TLiveList<C>& S = Src.Live;
  TLiveList<C>& D = Dst.Live;
  if (S.Alive == S.Count) {
    const auto n = static_cast<std::size_t>(S.Count + Lanes);
    std::copy_n(S.Index.begin(), n, D.Index.begin());
    std::copy_n(S.Kind.begin(), n, D.Kind.begin());
    std::copy_n(S.RX.begin(), n, D.RX.begin());
    std::copy_n(S.RY.begin(), n, D.RY.begin());
    std::copy_n(S.AX.begin(), n, D.AX.begin());
    std::copy_n(S.AY.begin(), n, D.AY.begin());
    std::copy_n(S.X.begin(), n, D.X.begin());
    std::copy_n(S.Y.begin(), n, D.Y.begin());
    D.Count = S.Count;
    D.Alive = S.Alive;
    return;
  }
  std::int32_t Kept = 0;
  for (std::int32_t q = 0; q < S.Count; ++q) {
    const auto f = static_cast<std::size_t>(q);
    if (S.Kind[f] == pkDead) continue;
    const auto t = static_cast<std::size_t>(Kept++);
    D.Index[t] = S.Index[f];
    D.Kind[t] = S.Kind[f];
    D.RX[t] = S.RX[f];
    D.RY[t] = S.RY[f];
    D.AX[t] = S.AX[f];
    D.AY[t] = S.AY[f];
    D.X[t] = S.X[f];
    D.Y[t] = S.Y[f];
  }
  D.Count = Kept;
  D.Alive = Kept;
  SetPadding(D, Kept);
}

// The first position from Q on whose summary does not rule out a piece of
// extents (EX, EY); Live.Count when there is none.
template <class C>
std::int32_t NextCandidate(const TLiveList<C>& Live, std::int32_t Q, std::int32_t EX, std::int32_t EY) {
#if defined(__SSE2__)
  const __m128i X = _mm_set1_epi32(EX), Y = _mm_set1_epi32(EY);
  // The padding after Count rules out everything, so the last group of four
  // may run past it.
  for (; Q < Live.Count; Q += 4) {
    const auto At = [Q](const std::array<std::int32_t, MaxPoints + Lanes>& A) {
      return _mm_loadu_si128(reinterpret_cast<const __m128i*>(A.data() + Q));
    };
    const __m128i Out = _mm_or_si128(_mm_or_si128(_mm_cmpgt_epi32(X, At(Live.RX)), _mm_cmpgt_epi32(Y, At(Live.RY))),
                                     _mm_and_si128(_mm_cmpgt_epi32(X, At(Live.AX)), _mm_cmpgt_epi32(Y, At(Live.AY))));
    const int Rejected = _mm_movemask_ps(_mm_castsi128_ps(Out));
    if (Rejected != 0xF) return std::min(Live.Count, Q + __builtin_ctz(static_cast<unsigned>(~Rejected & 0xF)));
  }
  return Live.Count;
#else
  for (; Q < Live.Count; ++Q) {
    const auto q = static_cast<std::size_t>(Q);
    if (!(EX > Live.RX[q] || EY > Live.RY[q] || (EX > Live.AX[q] && EY > Live.AY[q]))) return Q;
  }
  return Live.Count;
#endif
}

#if defined(__SSE2__)
inline __m128i Select(__m128i Mask, __m128i A, __m128i B) {
  return _mm_or_si128(_mm_and_si128(Mask, A), _mm_andnot_si128(Mask, B));
}
inline __m128i Min32(__m128i A, __m128i B) { return Select(_mm_cmpgt_epi32(A, B), B, A); }
inline __m128i Max32(__m128i A, __m128i B) { return Select(_mm_cmpgt_epi32(A, B), A, B); }
inline std::int32_t MaxLane(__m128i V) {
  V = Max32(V, _mm_shuffle_epi32(V, _MM_SHUFFLE(1, 0, 3, 2)));
  V = Max32(V, _mm_shuffle_epi32(V, _MM_SHUFFLE(2, 3, 0, 1)));
  return _mm_cvtsi128_si32(V);
}
inline std::int32_t MinLane(__m128i V) {
  V = Min32(V, _mm_shuffle_epi32(V, _MM_SHUFFLE(1, 0, 3, 2)));
  V = Min32(V, _mm_shuffle_epi32(V, _MM_SHUFFLE(2, 3, 0, 1)));
  return _mm_cvtsi128_si32(V);
}
inline __m128i LoadV(const std::int32_t* P) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(P)); }
inline void StoreV(std::int32_t* P, __m128i V) { _mm_storeu_si128(reinterpret_cast<__m128i*>(P), V); }
#endif

using TPending = std::array<std::int32_t, MaxObjPlans + 1>;  // indexed 1..ObjCount

// Scratch of the guillotine test; each level of its recursion works on a
// segment of Items.
template <class C>
struct TCutScratch {
  std::array<TBox<C>, MaxRects + 1> Items;
  std::array<TBox<C>, MaxRects + 1> Temp;
};

// What one level of the search owns: the pending counts of its current
// trial, the trial layout and the best layout so far. Each trial starts
// from a fresh copy of the node's state, but only the pending counts and the
// used entries of the layout are copied.
template <class C>
struct TLevel {
  TPending Pending;
  TLayout<C> Trial;
  TLayout<C> Best;
  TLevel() {
    SetGuards(Trial);
    SetGuards(Best);
  }
};

// The buffers of a search, kept by each thread from one search to the next:
// a calculation runs thousands of searches, and setting up a megabyte of
// buffers for each would cost more than many of them.
template <class C>
struct TWorkspace {
  TPending RootPending;
  TLayout<C> Root;
  std::vector<std::unique_ptr<TLevel<C>>> Levels;
  TCutScratch<C> Cut;
  TJob Job;  // for CalcJobRate
  TWorkspace() { SetGuards(Root); }

  TLevel<C>& LevelAt(std::int32_t Level) {
    while (Levels.size() <= static_cast<std::size_t>(Level)) Levels.push_back(std::make_unique<TLevel<C>>());
    return *Levels[static_cast<std::size_t>(Level)];
  }
};

template <class C>
TWorkspace<C>& ThreadWorkspace() {
  static thread_local std::unique_ptr<TWorkspace<C>> Space;
  if (!Space) Space = std::make_unique<TWorkspace<C>>();
  return *Space;
}

// How a search node learns of a stop request and shows where it is.
class TGate {
 public:
  virtual ~TGate() = default;
  // At the start of every node; true when the search must stop.
  virtual bool Enter() = 0;
  // After a trial; true once a stop was asked for.
  virtual bool Stopped() = 0;
  // At every branching node, with its path.
  virtual void Branching(const std::string& Path) = 0;
};

// The gate of a search on the calculation's own thread: the progress link.
class TLinkGate final : public TGate {
 public:
  explicit TLinkGate(IProgressLink& Link) : Link_(Link) {}
  bool Enter() override {
    Link_.ProcessMessages();
    return Link_.StopRequested();
  }
  bool Stopped() override { return Link_.StopRequested(); }
  void Branching(const std::string& Path) override {
    Link_.SetNodeText(Path);
    Link_.RepaintProgress();
  }

 private:
  IProgressLink& Link_;
};

// What the threads of a team share while they work through the trials of
// the top level.
struct TTeamState {
  std::atomic<std::int32_t> Next{0};    // the next trial to take
  std::atomic<std::int32_t> Cutoff{0};  // no trial after this one can be taken
  std::atomic<bool> Stop{false};        // the user asked to stop
};

// The node text a helper thread shows, for the calculation's thread to hand on.
struct TPathSlot {
  std::mutex Mutex;
  std::string Path;
  std::int32_t Trial = -1;  // the trial it belongs to; -1 when none
};

// The gate of a thread of a team, working on trial Trial. Trials after the
// cutoff are given up at once: their results are thrown away. Only the
// calculation's own thread has the link.
class TTeamGate final : public TGate {
 public:
  TTeamGate(TTeamState& State, IProgressLink* Link, TPathSlot& Slot) : State_(State), Link_(Link), Slot_(Slot) {}
  std::int32_t Trial = 0;

  bool Enter() override {
    if (Link_) Link_->ProcessMessages();
    return Stopped();
  }
  bool Stopped() override {
    if (Link_ && Link_->StopRequested()) State_.Stop.store(true, std::memory_order_relaxed);
    return State_.Stop.load(std::memory_order_relaxed) || Trial > State_.Cutoff.load(std::memory_order_relaxed);
  }
  void Branching(const std::string& Path) override {
    if (Link_) {
      Link_->SetNodeText(Path);
      Link_->RepaintProgress();
      return;
    }
    std::lock_guard<std::mutex> Lock(Slot_.Mutex);
    Slot_.Path = Path;
    Slot_.Trial = Trial;
  }

 private:
  TTeamState& State_;
  IProgressLink* Link_;
  TPathSlot& Slot_;
};

// The outcome of one trial of the top level.
struct TTrialResult {
  bool Ran = false;       // taken by a thread
  bool Searched = false;  // its node did not see the stop at once
  bool StopSeen = false;  // the stop was asked for when it ended
  float Rate = 0;
  std::uint64_t Nodes = 0;
  std::vector<TCornerPoint> Points;
  std::vector<TPlacedRect> Rects;
};

template <class C>
class TSearch {
 public:
  TSearch(const TPlan& Task, const TSrcRect& Sheet, TGate& Gate, std::uint64_t* Nodes, const std::string& Path,
          TWorkspace<C>& Space)
      : TSearch(Task, static_cast<C>(Sheet.Length), static_cast<C>(Sheet.Width), Gate, Path, Space) {
    Nodes_ = Nodes;
  }

 private:
  TSearch(const TPlan& Task, C SheetLength, C SheetWidth, TGate& Gate, const std::string& Path,
          TWorkspace<C>& Space)
      : Task_(Task),
        Gate_(&Gate),
        Nodes_(nullptr),
        Path_(Path),
        Space_(Space),
        SheetLength_(SheetLength),
        SheetWidth_(SheetWidth),
        K_(static_cast<C>(Task.KnifeWidth)) {
    Monotone_ = Task.KnifeWidth >= 0;
    for (std::int32_t i = 1; i <= Task.ObjCount; ++i) {
      const TObjPlan& O = Task.ObjPlans[i];
      const auto k = static_cast<std::size_t>(i);
      // The 32-bit path runs only on sizes that fit it.
      const C Length = static_cast<C>(O.Length), Width = static_cast<C>(O.Width);
      Extent_[0][k] = {Length, Width, Saturated<C>(O.Length), Saturated<C>(O.Width), 0};
      Extent_[1][k] = {Width, Length, Saturated<C>(O.Width), Saturated<C>(O.Length), 0};
      for (TExtent* E : {&Extent_[0][k], &Extent_[1][k]}) E->Min32 = std::min(E->X32, E->Y32);
      Square_[k] = O.Length == O.Width;
      Orientations_[k] = OrientationAllowed(O, 1) ? 2 : 1;
      Negative_ = Negative_ || O.Length < 0 || O.Width < 0;
      Monotone_ = Monotone_ && O.Length > 0 && O.Width > 0;
    }
    Hereditary_ = Monotone_;
    Path_.reserve(Path.size() + 32 * static_cast<std::size_t>(std::clamp(Task.SearchDepth, 0, 16) + 1));
  }

 public:

  // Loads Job into the workspace's root layout; false when the search must
  // not start (a full placed list still searches: it places nothing).
  void Load(const TJob& Job) {
    TLayout<C>& L = Space_.Root;
    L.SheetNo = Job.SheetNo;
    L.Rate = Job.Rate;
    L.PointCount = Job.PointCount;
    L.RectCount = Job.RectCount;
    for (std::int32_t r = 0; r < Job.RectCount; ++r) {
      const TPlacedRect& R = Job.Rects[r + 1];
      const TExtent& E = Extent_[R.Rotated ? 1 : 0][Idx(R.ObjNo)];
      L.ObjNo[Idx(r)] = R.ObjNo;
      L.Rotated[Idx(r)] = R.Rotated;
      const auto b = Idx(r + Lanes);
      L.X1[b] = C(R.X);
      L.Y1[b] = C(R.Y);
      L.GX2[b] = C(R.X) + E.X + K_;
      L.GY2[b] = C(R.Y) + E.Y + K_;
    }
    TLiveList<C>& Live = L.Live;
    Live.Count = Live.Alive = 0;
    L.MaxW = L.MaxH = L.MaxMin = Never;
    for (std::int32_t k = 0; k < Job.PointCount; ++k) {
      const TCornerPoint& P = Job.Points[k + 1];
      L.Points[Idx(k)] = TPoint<C>{static_cast<C>(P.X), static_cast<C>(P.Y), P.Kind};
      if (P.Kind != pkDead) AddLive(L, k);
    }
    SetPadding(Live, Live.Count);
    for (std::int32_t i = 1; i <= Task_.ObjCount; ++i) Space_.RootPending[Idx(i)] = Task_.ObjPlans[i].Pending;
    // A caller's partial layout need not be cuttable, nor spaced as the
    // search spaces its pieces; test it the plain way first.
    if (Hereditary_ && Task_.RigidFlag && L.RectCount > 0) {
      Hereditary_ = false;
      Gather(L, Space_.Cut.Items.data());
      Hereditary_ = Separable(0, L.RectCount) && SpacedApart(L);
    }
  }

  // Spreads the trials of the node at Level over Team; Link is the one of
  // the calling thread.
  void SetTeam(TSearchTeam* Team, std::int32_t Level, IProgressLink* Link) {
    Team_ = Team;
    TeamLevel_ = Level;
    TeamLink_ = Link;
  }

  // The search from the root layout; false when it stopped at once.
  bool Run(std::int32_t Level) { return Node(Level, Space_.RootPending, Space_.Root); }

  // Writes the root layout back into Job.
  void Store(TJob& Job) const {
    const TLayout<C>& L = Space_.Root;
    Job.Rate = L.Rate;
    Job.PointCount = L.PointCount;
    Job.RectCount = L.RectCount;
    for (std::int32_t k = 0; k < L.PointCount; ++k) {
      const TPoint<C>& P = L.Points[Idx(k)];
      Job.Points[k + 1] = TCornerPoint{static_cast<TLength>(P.X), static_cast<TLength>(P.Y), P.Kind};
    }
    for (std::int32_t r = 0; r < L.RectCount; ++r)
      Job.Rects[r + 1] = TPlacedRect{L.ObjNo[Idx(r)], static_cast<TLength>(L.X1[Idx(r + Lanes)]),
                                     static_cast<TLength>(L.Y1[Idx(r + Lanes)]), L.Rotated[Idx(r)]};
  }

 private:
  struct TExtent {
    C X, Y;
    std::int32_t X32, Y32, Min32;  // saturated, for the live list's summaries
  };

  static constexpr bool Narrow = std::is_same_v<C, std::int32_t>;

  static std::size_t Idx(std::int32_t k) { return static_cast<std::size_t>(k); }
  static bool HighX(std::int32_t Kind) { return Kind == pkMaxMin || Kind == pkMaxMax; }
  static bool HighY(std::int32_t Kind) { return Kind == pkMinMax || Kind == pkMaxMax; }

  // ------------------------------------------------------------ the search

  // One node; false when a stop request made it return at once. Pending is
  // the node's own copy, which a greedy completion may change; a branching
  // node only reads it.
  bool Node(std::int32_t Level, TPending& Pending, TLayout<C>& Layout) {
    if (Nodes_) ++*Nodes_;
    if (Gate_->Enter()) return false;
    if (Task_.SearchDepth < Level) {
      // The caller's layout serves as the greedy completion's best layout.
      Greedy(Pending, Layout);
    } else if (Team_ && Level == TeamLevel_) {
      BranchTeam(Level, Pending, Layout);
    } else {
      Branch(Level, Pending, Layout);
    }
    Layout.Rate = Rate(Layout);
    return true;
  }

  // Whether the bounds of Layout rule out a piece of extents E everywhere.
  static bool FitsNowhere(TLayout<C>& Layout, const TExtent& E) {
    if (Layout.Loose && !(E.X32 > Layout.MaxW || E.Y32 > Layout.MaxH || E.Min32 > Layout.MaxMin))
      Bound(Layout);
    return E.X32 > Layout.MaxW || E.Y32 > Layout.MaxH || E.Min32 > Layout.MaxMin;
  }

  // Computes the layout's bounds from its entries.
  static void Bound(TLayout<C>& L) {
    const TLiveList<C>& Live = L.Live;
    L.Loose = false;
#if defined(__SSE2__)
    __m128i MW = _mm_set1_epi32(Never), MH = MW, MM = MW;
    for (std::int32_t q = 0; q < Live.Count; q += Lanes) {
      const std::size_t a = Idx(q);
      const __m128i RX = LoadV(&Live.RX[a]), RY = LoadV(&Live.RY[a]), AX = LoadV(&Live.AX[a]),
                    AY = LoadV(&Live.AY[a]);
      MW = Max32(MW, RX);
      MH = Max32(MH, RY);
      MM = Max32(MM, Max32(Min32(Min32(RX, AX), RY), Min32(RX, Min32(RY, AY))));
    }
    L.MaxW = MaxLane(MW);
    L.MaxH = MaxLane(MH);
    L.MaxMin = MaxLane(MM);
#else
    std::int32_t MW = Never, MH = Never, MM = Never;
    for (std::int32_t q = 0; q < Live.Count; ++q) {
      const std::size_t a = Idx(q);
      const std::int32_t RX = Live.RX[a], RY = Live.RY[a];
      MW = std::max(MW, RX);
      MH = std::max(MH, RY);
      MM = std::max({MM, std::min(std::min(RX, Live.AX[a]), RY), std::min(RX, std::min(RY, Live.AY[a]))});
    }
    L.MaxW = MW;
    L.MaxH = MH;
    L.MaxMin = MM;
#endif
  }

  void Branch(std::int32_t Level, const TPending& Pending, TLayout<C>& Layout) {
    Gate_->Branching(Path_);
    // A full placed list takes no more pieces.
    if (Layout.RectCount >= MaxRects) return;
    TLevel<C>& Own = Space_.LevelAt(Level);
    TLayout<C>* Trial = &Own.Trial;
    TLayout<C>* Spare = &Own.Best;
    TLayout<C>* Best = nullptr;  // null while the best layout is the input
    const std::size_t PathLength = Path_.size();

    for (std::int32_t i = 1; i <= Task_.ObjCount; ++i) {
      if (Pending[Idx(i)] <= 0) continue;
      for (std::int32_t o = 0; o < Orientations_[Idx(i)]; ++o) {
        const TExtent& E = Extent_[Idx(o)][Idx(i)];
        if (FitsNowhere(Layout, E)) continue;
        // The node's layout does not change in these loops, so testing the
        // fit on it is testing it on a fresh copy; only trials that fit, and
        // can be cut when they must, are copied.
        for (std::int32_t q = 0;; ++q) {
          q = NextCandidate(Layout.Live, q, E.X32, E.Y32);
          if (q >= Layout.Live.Count) break;
          if (!Fits(Layout, q, E)) continue;
          if (Task_.RigidFlag && !CuttableWith(Layout, BoxAt(Layout, q, E))) continue;
          const std::int32_t j = Layout.Live.Index[Idx(q)];
          CopyUsed(*Trial, Layout);
          Own.Pending = Pending;
          --Own.Pending[Idx(i)];
          Place(*Trial, PositionOf(Trial->Live, j), o, i);

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
          if (Gate_->Stopped()) goto Finish;
        }
      }
    }
  Finish:
    if (Best) CopyUsed(Layout, *Best);
  }

  // Branch for the node at the team's level: its trials are listed here, run
  // on the team's threads, and their outcomes taken in trial order exactly
  // as Branch takes them. Trials that Branch would never have reached (after
  // the one that reaches ExpectedRate, or after the stop) may have run; they
  // count for nothing.
  void BranchTeam(std::int32_t Level, const TPending& Pending, TLayout<C>& Layout) {
    Gate_->Branching(Path_);
    if (Layout.RectCount >= MaxRects) return;
    struct TTrial {
      std::int32_t i, o, j;
    };
    std::vector<TTrial> Trials;
    for (std::int32_t i = 1; i <= Task_.ObjCount; ++i) {
      if (Pending[Idx(i)] <= 0) continue;
      for (std::int32_t o = 0; o < Orientations_[Idx(i)]; ++o) {
        const TExtent& E = Extent_[Idx(o)][Idx(i)];
        if (FitsNowhere(Layout, E)) continue;
        for (std::int32_t q = 0;; ++q) {
          q = NextCandidate(Layout.Live, q, E.X32, E.Y32);
          if (q >= Layout.Live.Count) break;
          if (!Fits(Layout, q, E)) continue;
          if (Task_.RigidFlag && !CuttableWith(Layout, BoxAt(Layout, q, E))) continue;
          Trials.push_back({i, o, Layout.Live.Index[Idx(q)]});
        }
      }
    }
    const auto Count = static_cast<std::int32_t>(Trials.size());
    if (Count == 0) return;

    // From here on every thread only reads the node's layout and counts.
    std::vector<TTrialResult> Results(Trials.size());
    std::vector<TPathSlot> Slots(static_cast<std::size_t>(Team_->Threads()));
    TTeamState State;
    State.Cutoff.store(Count - 1);
    const float InputRate = Layout.Rate;
    auto Work = [&](std::int32_t Worker) {
      TWorkspace<C>& Space = Worker == 0 ? Space_ : ThreadWorkspace<C>();
      TTeamGate Gate(State, Worker == 0 ? TeamLink_ : nullptr, Slots[Idx(Worker)]);
      TSearch Search(Task_, *this, Gate, Space);
      TLevel<C>& Own = Space.LevelAt(Level);
      for (;;) {
        const std::int32_t k = State.Next.fetch_add(1);
        if (k >= Count || k > State.Cutoff.load() || State.Stop.load()) break;
        const TTrial& T = Trials[Idx(k)];
        TTrialResult& R = Results[Idx(k)];
        Gate.Trial = k;
        Search.Nodes_ = &R.Nodes;
        R.Ran = true;
        CopyUsed(Own.Trial, Layout);
        Own.Pending = Pending;
        --Own.Pending[Idx(T.i)];
        Search.Place(Own.Trial, PositionOf(Own.Trial.Live, T.j), T.o, T.i);
        Search.AppendStep(T.i, T.o, T.j + 1);
        R.Searched = Search.Node(Level + 1, Own.Pending, Own.Trial);
        Search.Path_.resize(Path_.size());
        R.StopSeen = State.Stop.load();
        if (!R.Searched) continue;
        R.Rate = Own.Trial.Rate;
        Search.Keep(Own.Trial, R);
        // A trial that reaches the expected rate ends the trials after it.
        if (R.Rate >= Task_.ExpectedRate && R.Rate > InputRate) {
          std::int32_t Cut = State.Cutoff.load();
          while (k < Cut && !State.Cutoff.compare_exchange_weak(Cut, k)) {
          }
        }
      }
    };
    if (Count > 1) Team_->Start(Work);
    try {
      Work(0);
    } catch (...) {
      State.Stop.store(true);
      if (Count > 1)
        while (!Team_->WaitFor(std::chrono::milliseconds(10))) {
        }
      throw;
    }
    // While the helpers finish, this thread keeps the link served.
    std::string Shown;
    while (Count > 1 && !Team_->WaitFor(std::chrono::milliseconds(5))) {
      TeamLink_->ProcessMessages();
      if (TeamLink_->StopRequested()) State.Stop.store(true);
      std::int32_t First = Count;
      std::string Path;
      for (TPathSlot& Slot : Slots) {
        std::lock_guard<std::mutex> Lock(Slot.Mutex);
        if (Slot.Trial >= 0 && Slot.Trial < First && !Results[Idx(Slot.Trial)].Searched) {
          First = Slot.Trial;
          Path = Slot.Path;
        }
      }
      if (First < Count && Path != Shown) {
        Shown = Path;
        TeamLink_->SetNodeText(Shown);
        TeamLink_->RepaintProgress();
      }
    }

    const TTrialResult* Best = nullptr;
    float BestRate = InputRate;
    for (const TTrialResult& R : Results) {
      // A trial never taken is one whose node would have seen the stop at once.
      if (!R.Ran) break;
      if (Nodes_) *Nodes_ += R.Nodes;
      if (!R.Searched) break;
      if (R.Rate > BestRate) {
        Best = &R;
        BestRate = R.Rate;
        if (BestRate >= Task_.ExpectedRate) break;
      }
      if (R.StopSeen) break;
    }
    if (Best) Restore(Layout, *Best);
  }

  // A helper's search with the settings of Model.
  TSearch(const TPlan& Task, const TSearch& Model, TGate& Gate, TWorkspace<C>& Space)
      : TSearch(Task, Model.SheetLength_, Model.SheetWidth_, Gate, Model.Path_, Space) {
    Hereditary_ = Model.Hereditary_;
  }

  // Keeps the points and pieces of L in R.
  void Keep(const TLayout<C>& L, TTrialResult& R) const {
    R.Points.resize(Idx(L.PointCount));
    for (std::int32_t k = 0; k < L.PointCount; ++k) {
      const TPoint<C>& P = L.Points[Idx(k)];
      R.Points[Idx(k)] = TCornerPoint{static_cast<TLength>(P.X), static_cast<TLength>(P.Y), P.Kind};
    }
    R.Rects.resize(Idx(L.RectCount));
    for (std::int32_t r = 0; r < L.RectCount; ++r)
      R.Rects[Idx(r)] = TPlacedRect{L.ObjNo[Idx(r)], static_cast<TLength>(L.X1[Idx(r + Lanes)]),
                                    static_cast<TLength>(L.Y1[Idx(r + Lanes)]), L.Rotated[Idx(r)]};
  }

  // The points and pieces of R back into L, as far as the node's end and
  // Store read them.
  void Restore(TLayout<C>& L, const TTrialResult& R) const {
    L.PointCount = static_cast<std::int32_t>(R.Points.size());
    for (std::int32_t k = 0; k < L.PointCount; ++k) {
      const TCornerPoint& P = R.Points[Idx(k)];
      L.Points[Idx(k)] = TPoint<C>{static_cast<C>(P.X), static_cast<C>(P.Y), P.Kind};
    }
    L.RectCount = static_cast<std::int32_t>(R.Rects.size());
    for (std::int32_t r = 0; r < L.RectCount; ++r) {
      const TPlacedRect& P = R.Rects[Idx(r)];
      const TExtent& E = Extent_[P.Rotated ? 1 : 0][Idx(P.ObjNo)];
      L.ObjNo[Idx(r)] = P.ObjNo;
      L.Rotated[Idx(r)] = P.Rotated;
      L.X1[Idx(r + Lanes)] = static_cast<C>(P.X);
      L.Y1[Idx(r + Lanes)] = static_cast<C>(P.Y);
      L.GX2[Idx(r + Lanes)] = static_cast<C>(P.X) + E.X + K_;
      L.GY2[Idx(r + Lanes)] = static_cast<C>(P.Y) + E.Y + K_;
    }
  }

  void Greedy(TPending& Pending, TLayout<C>& Layout) {
    if (Layout.RectCount >= MaxRects) return;
    TLiveList<C>& Live = Layout.Live;
    for (std::int32_t i = 1; i <= Task_.ObjCount; ++i) {
      std::int32_t& Left = Pending[Idx(i)];
      if (Left <= 0) continue;
      for (std::int32_t o = 0; o < Orientations_[Idx(i)]; ++o) {
        const TExtent& E = Extent_[Idx(o)][Idx(i)];
        // Points appended by placements are visited later in the same scan.
        if (!FitsNowhere(Layout, E)) {
          for (std::int32_t q = 0;; ++q) {
            q = NextCandidate(Live, q, E.X32, E.Y32);
            if (q >= Live.Count) break;
            if (!Fits(Layout, q, E)) continue;
            // A placement that would leave the layout uncuttable is not made
            // at all, so it leaves no trace and uses up no piece.
            if (Task_.RigidFlag && !CuttableWith(Layout, BoxAt(Layout, q, E))) continue;
            Place(Layout, q, o, i);
            // A full placed list takes no more pieces: nothing more can change.
            if (Layout.RectCount >= MaxRects) return;
            if (--Left == 0) goto NextPiece;
            // Dead entries are dropped once they are the larger part.
            if (Live.Count - Live.Alive > std::max(Live.Alive, 16)) q = Compact(Live, q + 1) - 1;
          }
        }
        // A square turned covers the same ground.
        if (Square_[Idx(i)]) break;
      }
    NextPiece:;
    }
  }

  static std::int32_t PositionOf(const TLiveList<C>& Live, std::int32_t j) {
    return static_cast<std::int32_t>(std::lower_bound(Live.Index.begin(), Live.Index.begin() + Live.Count, j) -
                                     Live.Index.begin());
  }

  // --------------------------------------------------------- the geometry

  // Whether point P anchors a piece on the sheet: a point off the sheet, or
  // of a kind that anchors nothing, anchors nothing.
  bool Anchors(const TPoint<C>& P) const {
    return P.Kind <= pkMaxMax && P.X >= 0 && P.X <= SheetLength_ && P.Y >= 0 && P.Y <= SheetWidth_;
  }
  // A piece anchored by its low X corner starts at x and may reach Length, by
  // its high X corner it ends at x and may reach back to 0; the same along Y.
  C RoomX(const TPoint<C>& P) const { return HighX(P.Kind) ? P.X : SheetLength_ - P.X; }
  C RoomY(const TPoint<C>& P) const { return HighY(P.Kind) ? P.Y : SheetWidth_ - P.Y; }

  // Appends an entry for point k, which is live.
  void AddLive(TLayout<C>& L, std::int32_t k) const {
    const TPoint<C>& P = L.Points[Idx(k)];
    TLiveList<C>& Live = L.Live;
    const auto q = Idx(Live.Count++);
    ++Live.Alive;
    const bool Usable = Anchors(P);
    Live.Index[q] = k;
    Live.Kind[q] = P.Kind;
    Live.X[q] = P.X;
    Live.Y[q] = P.Y;
    const std::int32_t RX = Usable ? Saturated<C>(RoomX(P)) : Never;
    const std::int32_t RY = Usable ? Saturated<C>(RoomY(P)) : Never;
    Live.RX[q] = RX;
    Live.RY[q] = RY;
    Live.AX[q] = Open;
    Live.AY[q] = Open;
    SetPadding(Live, Live.Count + Lanes - 1);
    // A new point next to placed pieces starts with its rooms narrowed by
    // them, so that the layout's bounds are tight at once.
    if (Monotone_ && Usable) NarrowByAll(L, static_cast<std::int32_t>(q));
    L.MaxW = std::max(L.MaxW, Live.RX[q]);
    L.MaxH = std::max(L.MaxH, Live.RY[q]);
    L.MaxMin = std::max(L.MaxMin, std::min(Live.RX[q], Live.RY[q]));
  }

  // Narrows the rooms of entry q by every placed piece.
  void NarrowByAll(TLayout<C>& L, std::int32_t q) const {
    TLiveList<C>& Live = L.Live;
    if constexpr (Narrow) {
#if defined(__SSE2__)
      const std::int32_t Kind = Live.Kind[Idx(q)];
      const bool HX = HighX(Kind), HY = HighY(Kind);
      const C x = Live.X[Idx(q)], y = Live.Y[Idx(q)];
      const __m128i VX = _mm_set1_epi32(x), VY = _mm_set1_epi32(y), VK = _mm_set1_epi32(K_);
      // The strips beside the point, one unit wide: YS..YS+1 along X, XS..XS+1 along Y.
      const C YS = HY ? y - 1 : y, XS = HX ? x - 1 : x;
      const __m128i VYS = _mm_set1_epi32(YS), VYS1 = _mm_set1_epi32(YS + 1), VXS = _mm_set1_epi32(XS),
                    VXS1 = _mm_set1_epi32(XS + 1), Zero = _mm_setzero_si128(), Opened = _mm_set1_epi32(Open);
      __m128i RX = Opened, RY = Opened;
      for (std::int32_t r = L.RectCount - Lanes; r > -Lanes; r -= Lanes) {
        const std::size_t b = Idx(r + Lanes);
        const __m128i GX1 = _mm_sub_epi32(LoadV(&L.X1[b]), VK), GY1 = _mm_sub_epi32(LoadV(&L.Y1[b]), VK);
        const __m128i GX2 = LoadV(&L.GX2[b]), GY2 = LoadV(&L.GY2[b]);
        const __m128i InStripX = _mm_and_si128(_mm_cmpgt_epi32(VYS1, GY1), _mm_cmpgt_epi32(GY2, VYS));
        const __m128i AheadX = HX ? _mm_cmpgt_epi32(VX, GX1) : _mm_cmpgt_epi32(GX2, VX);
        __m128i DX = HX ? _mm_sub_epi32(VX, GX2) : _mm_sub_epi32(GX1, VX);
        DX = _mm_and_si128(DX, _mm_cmpgt_epi32(DX, Zero));
        RX = Min32(RX, Select(_mm_and_si128(InStripX, AheadX), DX, Opened));
        const __m128i InStripY = _mm_and_si128(_mm_cmpgt_epi32(VXS1, GX1), _mm_cmpgt_epi32(GX2, VXS));
        const __m128i AheadY = HY ? _mm_cmpgt_epi32(VY, GY1) : _mm_cmpgt_epi32(GY2, VY);
        __m128i DY = HY ? _mm_sub_epi32(VY, GY2) : _mm_sub_epi32(GY1, VY);
        DY = _mm_and_si128(DY, _mm_cmpgt_epi32(DY, Zero));
        RY = Min32(RY, Select(_mm_and_si128(InStripY, AheadY), DY, Opened));
      }
      Live.RX[Idx(q)] = std::min(Live.RX[Idx(q)], MinLane(RX));
      Live.RY[Idx(q)] = std::min(Live.RY[Idx(q)], MinLane(RY));
      return;
#endif
    }
    for (std::int32_t r = 0; r < L.RectCount; ++r) {
      const std::size_t b = Idx(r + Lanes);
      NarrowRooms(Live, q, L.X1[b] - K_, L.Y1[b] - K_, L.GX2[b], L.GY2[b]);
    }
  }

  void Kill(TLayout<C>& L, std::int32_t q) const {
    TLiveList<C>& Live = L.Live;
    L.Points[Idx(Live.Index[Idx(q)])].Kind = pkDead;
    Live.Kind[Idx(q)] = pkDead;
    Live.RX[Idx(q)] = Live.RY[Idx(q)] = Never;
    --Live.Alive;
  }

  // The low corner of a piece of extents E anchored on entry q.
  void Corner(const TLayout<C>& L, std::int32_t q, const TExtent& E, C& PX, C& PY) const {
    const std::int32_t Kind = L.Live.Kind[Idx(q)];
    PX = HighX(Kind) ? L.Live.X[Idx(q)] - E.X : L.Live.X[Idx(q)];
    PY = HighY(Kind) ? L.Live.Y[Idx(q)] - E.Y : L.Live.Y[Idx(q)];
  }

  TBox<C> BoxAt(const TLayout<C>& L, std::int32_t q, const TExtent& E) const {
    C PX, PY;
    Corner(L, q, E, PX, PY);
    return {PX, PY, PX + E.X + K_, PY + E.Y + K_};
  }

  // Whether a piece of extents E anchored on entry q of the live list stays
  // on the sheet and keeps K from every placed piece. The entry's summary
  // let the piece through.
  [[gnu::always_inline]] bool Fits(TLayout<C>& L, std::int32_t q, const TExtent& E) const {
    C PX, PY;
    if constexpr (Narrow) {
      // The rooms are exact here and narrowed only where a piece stands: a
      // summary that let the piece through kept it on the sheet.
      Corner(L, q, E, PX, PY);
      const C NX2 = PX + E.X + K_, NY2 = PY + E.Y + K_;
#if defined(__SSE2__)
      const __m128i VPX = _mm_set1_epi32(PX), VPY = _mm_set1_epi32(PY), VNX2 = _mm_set1_epi32(NX2),
                    VNY2 = _mm_set1_epi32(NY2);
      // The latest pieces lie nearest to the newest points, so they go first.
      for (std::int32_t r = L.RectCount - Lanes; r > -Lanes; r -= Lanes) {
        const std::size_t b = Idx(r + Lanes);
        const __m128i Hit = _mm_and_si128(
            _mm_and_si128(_mm_cmpgt_epi32(LoadV(&L.GX2[b]), VPX), _mm_cmpgt_epi32(VNX2, LoadV(&L.X1[b]))),
            _mm_and_si128(_mm_cmpgt_epi32(LoadV(&L.GY2[b]), VPY), _mm_cmpgt_epi32(VNY2, LoadV(&L.Y1[b]))));
        const int Bits = _mm_movemask_ps(_mm_castsi128_ps(Hit));
        if (Bits != 0) {
          Blocked(L, q, r + 31 - __builtin_clz(static_cast<unsigned>(Bits)));
          return false;
        }
      }
      return true;
#else
      for (std::int32_t r = L.RectCount - 1; r >= 0; --r) {
        const std::size_t b = Idx(r + Lanes);
        if (PX < L.GX2[b] && L.X1[b] < NX2 && PY < L.GY2[b] && L.Y1[b] < NY2) {
          Blocked(L, q, r);
          return false;
        }
      }
      return true;
#endif
    } else {
      const TPoint<C>& Point = L.Points[Idx(L.Live.Index[Idx(q)])];
      if (!Anchors(Point) || E.X > RoomX(Point) || E.Y > RoomY(Point)) return false;
      Corner(L, q, E, PX, PY);
      // A negative extent may carry the far end off the sheet.
      if (Negative_ && (PX > SheetLength_ || PX + E.X < 0 || PY > SheetWidth_ || PY + E.Y < 0)) return false;
      const C NX1 = PX - K_, NY1 = PY - K_, NX2 = PX + E.X + K_, NY2 = PY + E.Y + K_;
      for (std::int32_t r = L.RectCount - 1; r >= 0; --r) {
        const std::size_t b = Idx(r + Lanes);
        const C X1 = L.X1[b], Y1 = L.Y1[b], X2 = L.GX2[b] - K_, Y2 = L.GY2[b] - K_;
        const bool AlongX = NX1 > X1 ? NX1 < X2 : NX2 > X1;
        const bool AlongY = NY1 > Y1 ? NY1 < Y2 : NY2 > Y1;
        if (AlongX && AlongY) {
          if (Monotone_) Blocked(L, q, r);
          return false;
        }
      }
      return true;
    }
  }

  // Piece r blocked a fit at entry q (sizes positive, K >= 0): it blocks
  // every piece that reaches further than that one both ways, and a piece
  // that reaches past it along the strip it stands across.
  void Blocked(TLayout<C>& L, std::int32_t q, std::int32_t r) const {
    TLiveList<C>& Live = L.Live;
    const std::int32_t Kind = Live.Kind[Idx(q)];
    const C x = Live.X[Idx(q)], y = Live.Y[Idx(q)];
    const std::size_t b = Idx(r + Lanes);
    const C X1 = L.X1[b] - K_, Y1 = L.Y1[b] - K_, X2 = L.GX2[b], Y2 = L.GY2[b];  // grown by K
    const bool HX = HighX(Kind), HY = HighY(Kind);
    Live.AX[Idx(q)] = Saturated<C>(HX ? x - X2 : X1 - x);
    Live.AY[Idx(q)] = Saturated<C>(HY ? y - Y2 : Y1 - y);
    NarrowRooms(Live, q, X1, Y1, X2, Y2);
    L.Loose = true;
  }

  // Narrows the rooms of entry q for a piece whose footprint grown by K is
  // (GX1, GY1)-(GX2, GY2): a piece anchored there that reaches into it
  // along a strip one unit wide beside the point overlaps it, whatever its
  // other extent (which is at least 1).
  void NarrowRooms(TLiveList<C>& Live, std::int32_t q, C GX1, C GY1, C GX2, C GY2) const {
    const std::int32_t Kind = Live.Kind[Idx(q)];
    const C x = Live.X[Idx(q)], y = Live.Y[Idx(q)];
    const bool HX = HighX(Kind), HY = HighY(Kind);
    const C YS = HY ? y - 1 : y, XS = HX ? x - 1 : x;
    if (GY1 <= YS && YS < GY2 && (HX ? GX1 < x : x < GX2)) {
      const std::int32_t d = Saturated<C>(std::max<C>(0, HX ? x - GX2 : GX1 - x));
      Live.RX[Idx(q)] = std::min(Live.RX[Idx(q)], d);
    }
    if (GX1 <= XS && XS < GX2 && (HY ? GY1 < y : y < GY2)) {
      const std::int32_t d = Saturated<C>(std::max<C>(0, HY ? y - GY2 : GY1 - y));
      Live.RY[Idx(q)] = std::min(Live.RY[Idx(q)], d);
    }
  }

  // PlacePiece's twelve steps, with the same result, for the piece anchored
  // on entry q. The eight new points are tested against the placed pieces in
  // one pass (the pieces do not change while they are appended), the
  // dead-markings at the four corners (steps 1, 4, 7, 10) and the final cover
  // test are folded into one pass over the points that existed before, which
  // also narrows their rooms by the new piece, and a new point is marked dead
  // when a corner step after it falls on it.
  void Place(TLayout<C>& L, std::int32_t q, std::int32_t o, std::int32_t i) const {
    const TExtent& E = Extent_[Idx(o)][Idx(i)];
    C PX, PY;
    Corner(L, q, E, PX, PY);
    const auto r = Idx(L.RectCount++);
    L.ObjNo[r] = i;
    L.Rotated[r] = static_cast<std::uint8_t>(o);
    L.X1[r + Lanes] = PX;
    L.Y1[r + Lanes] = PY;
    L.GX2[r + Lanes] = PX + E.X + K_;
    L.GY2[r + Lanes] = PY + E.Y + K_;
    const C BX1 = PX, BY1 = PY, BX2 = PX + E.X, BY2 = PY + E.Y;

    // The new points in step order (2, 3, 5, 6, 8, 9, 11, 12), each with the
    // group of corner markings it follows.
    struct TNew {
      TPointKind Kind;
      C X, Y;
      int Group;
      bool Keep;
    };
    TNew New[8] = {{pkMaxMin, BX1 - K_, BY1, 0, true}, {pkMinMax, BX1, BY1 - K_, 0, true},
                   {pkMinMin, BX2 + K_, BY1, 1, true}, {pkMaxMax, BX2, BY1 - K_, 1, true},
                   {pkMaxMax, BX1 - K_, BY2, 2, true}, {pkMinMin, BX1, BY2 + K_, 2, true},
                   {pkMinMax, BX2 + K_, BY2, 3, true}, {pkMaxMin, BX2, BY2 + K_, 3, true}};
    for (TNew& N : New) N.Keep = N.X >= 0 && N.X <= SheetLength_ && N.Y >= 0 && N.Y <= SheetWidth_;
    KeepUncovered(L, New, BX1, BY1, BX2, BY2);

    // New points never lie strictly inside the new piece grown by K (they
    // were refused above), so only the old ones can be covered or sit on its
    // corners.
    UpdateOld(L, BX1, BY1, BX2, BY2);

    // Corners in step order: (X1, Y1), (X2, Y1), (X1, Y2), (X2, Y2).
    const C CX[4] = {BX1, BX2, BX1, BX2};
    const C CY[4] = {BY1, BY1, BY2, BY2};
    for (const TNew& N : New) {
      if (!N.Keep || L.PointCount >= MaxPoints) continue;
      const std::int32_t k = L.PointCount++;
      TPoint<C>& Added = L.Points[Idx(k)];
      Added = TPoint<C>{N.X, N.Y, N.Kind};
      for (int c = N.Group + 1; c < 4; ++c)
        if (N.X == CX[c] && N.Y == CY[c]) Added.Kind = pkDead;
      if (Added.Kind != pkDead) AddLive(L, k);
    }
  }

  // Clears Keep of the new points that lie strictly inside a placed piece
  // grown by K.
  template <class TNew>
  void KeepUncovered(const TLayout<C>& L, TNew (&New)[8], C BX1, C BY1, C BX2, C BY2) const {
    auto Covers = [&](std::size_t b) {
      for (TNew& N : New)
        if (N.Keep && L.X1[b] < N.X + K_ && N.X < L.GX2[b] && L.Y1[b] < N.Y + K_ && N.Y < L.GY2[b]) N.Keep = false;
    };
    if constexpr (Narrow) {
      // The new points lie on the new piece grown by K: only pieces whose
      // grown footprint reaches that box can cover one, and the new piece
      // itself covers none.
#if defined(__SSE2__)
      const __m128i MinX = _mm_set1_epi32(BX1 - K_), MaxX = _mm_set1_epi32(BX2 + 2 * K_),
                    MinY = _mm_set1_epi32(BY1 - K_), MaxY = _mm_set1_epi32(BY2 + 2 * K_);
      for (std::int32_t r = L.RectCount - 1 - Lanes; r > -Lanes; r -= Lanes) {
        const std::size_t b = Idx(r + Lanes);
        const __m128i Near = _mm_and_si128(
            _mm_and_si128(_mm_cmpgt_epi32(LoadV(&L.GX2[b]), MinX), _mm_cmpgt_epi32(MaxX, LoadV(&L.X1[b]))),
            _mm_and_si128(_mm_cmpgt_epi32(LoadV(&L.GY2[b]), MinY), _mm_cmpgt_epi32(MaxY, LoadV(&L.Y1[b]))));
        for (unsigned Bits = static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(Near))); Bits != 0;
             Bits &= Bits - 1)
          Covers(b + static_cast<std::size_t>(__builtin_ctz(Bits)));
      }
      return;
#endif
    }
    // A placed piece whose grown footprint misses the box around all eight
    // points covers none of them.
    C MinX = std::numeric_limits<C>::max(), MinY = MinX, MaxX = std::numeric_limits<C>::min(), MaxY = MaxX;
    for (const TNew& N : New) {
      MinX = std::min(MinX, N.X);
      MaxX = std::max(MaxX, N.X);
      MinY = std::min(MinY, N.Y);
      MaxY = std::max(MaxY, N.Y);
    }
    for (std::int32_t k = 0; k < L.RectCount; ++k) {
      const std::size_t b = Idx(k + Lanes);
      if (L.GX2[b] <= MinX || L.X1[b] - K_ >= MaxX || L.GY2[b] <= MinY || L.Y1[b] - K_ >= MaxY) continue;
      Covers(b);
    }
    (void)BX1, (void)BY1, (void)BX2, (void)BY2;
  }

  // The pass over the old entries for a new piece (BX1, BY1)-(BX2, BY2):
  // the points on its corners or strictly inside it grown by K die; the
  // rooms of the others are narrowed by it; the layout's bounds are
  // recomputed.
  void UpdateOld(TLayout<C>& L, C BX1, C BY1, C BX2, C BY2) const {
    TLiveList<C>& Live = L.Live;
    const C GX1 = BX1 - K_, GY1 = BY1 - K_, GX2 = BX2 + K_, GY2 = BY2 + K_;
    auto Dies = [&](C x, C y) {
      const bool AtCorner = (x == BX1 || x == BX2) && (y == BY1 || y == BY2);
      return AtCorner || (GX1 < x && x < GX2 && GY1 < y && y < GY2);
    };
    if constexpr (Narrow) {
#if defined(__SSE2__)
      // With K >= 0 and sizes positive the corners lie on the grown
      // footprint, so a point outside it stays.
      const __m128i Dead = _mm_set1_epi32(pkDead), One = _mm_set1_epi32(1), Two = _mm_set1_epi32(2),
                    Zero = _mm_setzero_si128();
      const __m128i VGX1 = _mm_set1_epi32(GX1), VGY1 = _mm_set1_epi32(GY1), VGX2 = _mm_set1_epi32(GX2),
                    VGY2 = _mm_set1_epi32(GY2);
      const __m128i VGX1m = _mm_set1_epi32(GX1 - 1), VGY1m = _mm_set1_epi32(GY1 - 1),
                    VGX2p = _mm_set1_epi32(GX2 + 1), VGY2p = _mm_set1_epi32(GY2 + 1);
      __m128i MW = _mm_set1_epi32(Never), MH = MW, MM = MW;
      for (std::int32_t q = 0; q < Live.Count; q += Lanes) {
        const std::size_t a = Idx(q);
        const __m128i X = LoadV(&Live.X[a]), Y = LoadV(&Live.Y[a]), Kind = LoadV(&Live.Kind[a]);
        __m128i RX = LoadV(&Live.RX[a]), RY = LoadV(&Live.RY[a]);
        const __m128i HX = _mm_cmpeq_epi32(_mm_and_si128(Kind, Two), Two);
        const __m128i HY = _mm_cmpeq_epi32(_mm_and_si128(Kind, One), One);
        // Along X, in the strip beside the point: y..y+1, or y-1..y.
        const __m128i YS = _mm_add_epi32(Y, HY);
        const __m128i StripX = _mm_and_si128(_mm_cmpgt_epi32(YS, VGY1m), _mm_cmpgt_epi32(VGY2, YS));
        const __m128i BlockX =
            _mm_and_si128(StripX, Select(HX, _mm_cmpgt_epi32(X, VGX1), _mm_cmpgt_epi32(VGX2, X)));
        __m128i DX = Select(HX, _mm_sub_epi32(X, VGX2), _mm_sub_epi32(VGX1, X));
        DX = _mm_and_si128(DX, _mm_cmpgt_epi32(DX, Zero));
        RX = Select(_mm_and_si128(BlockX, _mm_cmpgt_epi32(RX, DX)), DX, RX);
        const __m128i XS = _mm_add_epi32(X, HX);
        const __m128i StripY = _mm_and_si128(_mm_cmpgt_epi32(XS, VGX1m), _mm_cmpgt_epi32(VGX2, XS));
        const __m128i BlockY =
            _mm_and_si128(StripY, Select(HY, _mm_cmpgt_epi32(Y, VGY1), _mm_cmpgt_epi32(VGY2, Y)));
        __m128i DY = Select(HY, _mm_sub_epi32(Y, VGY2), _mm_sub_epi32(VGY1, Y));
        DY = _mm_and_si128(DY, _mm_cmpgt_epi32(DY, Zero));
        RY = Select(_mm_and_si128(BlockY, _mm_cmpgt_epi32(RY, DY)), DY, RY);
        StoreV(&Live.RX[a], RX);
        StoreV(&Live.RY[a], RY);

        const __m128i Near = _mm_andnot_si128(
            _mm_cmpeq_epi32(Kind, Dead),
            _mm_and_si128(_mm_and_si128(_mm_cmpgt_epi32(X, VGX1m), _mm_cmpgt_epi32(VGX2p, X)),
                          _mm_and_si128(_mm_cmpgt_epi32(Y, VGY1m), _mm_cmpgt_epi32(VGY2p, Y))));
        unsigned Bits = static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(Near)));
        if (Bits != 0) {
          for (; Bits != 0; Bits &= Bits - 1) {
            const std::int32_t e = q + __builtin_ctz(Bits);
            if (e < Live.Count && Dies(Live.X[Idx(e)], Live.Y[Idx(e)])) Kill(L, e);
          }
          RX = LoadV(&Live.RX[a]);
          RY = LoadV(&Live.RY[a]);
        }
        const __m128i AX = LoadV(&Live.AX[a]), AY = LoadV(&Live.AY[a]);
        MW = Max32(MW, RX);
        MH = Max32(MH, RY);
        MM = Max32(MM, Max32(Min32(Min32(RX, AX), RY), Min32(RX, Min32(RY, AY))));
      }
      L.MaxW = MaxLane(MW);
      L.MaxH = MaxLane(MH);
      L.MaxMin = MaxLane(MM);
      L.Loose = false;
      return;
#endif
    }
    const bool Near = K_ >= 0 && !Negative_;
    std::int32_t MW = Never, MH = Never, MM = Never;
    for (std::int32_t q = 0; q < Live.Count; ++q) {
      const std::size_t a = Idx(q);
      if (Live.Kind[a] == pkDead) continue;
      const C x = Live.X[a], y = Live.Y[a];
      if (!(Near && (x < GX1 || x > GX2 || y < GY1 || y > GY2)) && Dies(x, y)) {
        Kill(L, q);
        continue;
      }
      if (Monotone_) NarrowRooms(Live, q, GX1, GY1, GX2, GY2);
      const std::int32_t RX = Live.RX[a], RY = Live.RY[a];
      MW = std::max(MW, RX);
      MH = std::max(MH, RY);
      MM = std::max({MM, std::min(std::min(RX, Live.AX[a]), RY), std::min(RX, std::min(RY, Live.AY[a]))});
    }
    L.MaxW = MW;
    L.MaxH = MH;
    L.MaxMin = MM;
    L.Loose = false;
  }

  float Rate(const TLayout<C>& L) const {
    // CalcJobRate reads only the sheet and the pieces' numbers.
    TJob& Job = Space_.Job;
    Job.SheetNo = L.SheetNo;
    Job.RectCount = L.RectCount;
    for (std::int32_t r = 0; r < L.RectCount; ++r) Job.Rects[r + 1].ObjNo = L.ObjNo[Idx(r)];
    return CalcJobRate(Task_, Job);
  }

  // ----------------------------------------------------- the guillotine test
  //
  // IsGuillotine on the footprints: the first cut in candidate order (across
  // X at the pieces' X values in list order, then across Y), then both sides.
  // A cut at Q has a piece on its low side when the piece's far end with the
  // knife's path, X2 + K, lies at or before Q.

  enum class TSide { Low, High, Across };

  static C Lo(const TBox<C>& B, int Axis) { return Axis ? B.Y1 : B.X1; }
  static C Hi(const TBox<C>& B, int Axis) { return Axis ? B.GY2 : B.GX2; }

  static TSide SideOf(const TBox<C>& B, int Axis, C Q) {
    if (Hi(B, Axis) <= Q) return TSide::Low;
    if (Lo(B, Axis) >= Q) return TSide::High;
    return TSide::Across;
  }

  static void Gather(const TLayout<C>& L, TBox<C>* Items) {
    for (std::int32_t r = 0; r < L.RectCount; ++r) {
      const std::size_t b = Idx(r + Lanes);
      Items[r] = TBox<C>{L.X1[b], L.Y1[b], L.GX2[b], L.GY2[b]};
    }
  }

  bool FindCut(const TBox<C>* Items, std::int32_t N, int& Axis, C& Q) const {
    for (Axis = 0; Axis < 2; ++Axis) {
      // A cut below every piece's far end plus K has no low side; a cut at
      // the position just tried gives the same answer again. Skipping those
      // leaves the first working cut in candidate order as it was.
      C LowestEnd = std::numeric_limits<C>::max();
      for (std::int32_t k = 0; k < N; ++k) LowestEnd = std::min(LowestEnd, Hi(Items[k], Axis));
      bool Tried = false;
      C LastQ = 0;
      for (std::int32_t c = 0; c < N; ++c) {
        Q = Lo(Items[c], Axis);
        if (Q < LowestEnd || (Tried && Q == LastQ)) continue;
        Tried = true;
        LastQ = Q;
        std::int32_t Lows = 0, Highs = 0;
        bool Clean = true;
        for (std::int32_t k = 0; k < N && Clean; ++k) {
          switch (SideOf(Items[k], Axis, Q)) {
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
    TBox<C>* Items = Space_.Cut.Items.data() + Begin;
    int Axis = 0;
    C Q = 0;
    if (!FindCut(Items, N, Axis, Q)) return false;
    std::int32_t Highs = 0, Lows = 0;
    for (std::int32_t k = 0; k < N; ++k)
      if (SideOf(Items[k], Axis, Q) == TSide::High) Items[Highs++] = Items[k];
      else Space_.Cut.Temp[Idx(Lows++)] = Items[k];
    std::copy_n(Space_.Cut.Temp.begin(), Lows, Items + Highs);
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
    C End = Hi(Items[0], Axis);
    for (std::int32_t t = 1; t < N; ++t) {
      if (End <= Lo(Items[t], Axis)) {
        Reach[Count] = End;
        Starts[Count++] = t;
      }
      End = std::max(End, Hi(Items[t], Axis));
    }
    Starts[Count] = N;
    return Count;
  }

  // Whether Items[Begin, Begin + N) can be cut apart: cut at every free
  // position along one axis and test each group.
  bool Splittable(std::int32_t Begin, std::int32_t N, int SkipAxis) {
    if (N <= 3) return true;
    TBox<C>* Items = Space_.Cut.Items.data() + Begin;
    std::int32_t Starts[MaxRects + 2];
    C Reach[MaxRects + 2];
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
    if (N + 1 <= 3 || AloneBeside(Space_.Cut.Items.data() + Begin, N, P)) return true;
    TBox<C>* Items = Space_.Cut.Items.data() + Begin;
    std::int32_t Starts[MaxRects + 2];
    C Reach[MaxRects + 2];
    for (int Axis = 0; Axis < 2; ++Axis) {
      if (Axis == SkipAxis) continue;
      const std::int32_t Count = Groups(Items, N, Axis, Starts, Reach);
      if (Count == 1) continue;
      // The band before group g runs from Reach[g] to the start of group g.
      const C From = Lo(P, Axis), To = Hi(P, Axis);
      std::int32_t First = 0, Last = Count - 1;
      for (std::int32_t g = 1; g < Count; ++g) {
        const bool After = From >= Reach[g];                    // P fits above a cut in the band
        const bool Before = To <= Lo(Items[Starts[g]], Axis);  // P fits below one
        if (After && Before) return true;                       // P alone in the band
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
  bool SpacedApart(const TLayout<C>& L) const {
    for (std::int32_t a = 0; a < L.RectCount; ++a)
      for (std::int32_t b = 0; b < a; ++b) {
        const std::size_t u = Idx(a + Lanes), v = Idx(b + Lanes);
        if (L.X1[u] < L.GX2[v] && L.X1[v] < L.GX2[u] && L.Y1[u] < L.GY2[v] && L.Y1[v] < L.GY2[u]) return false;
      }
    return true;
  }

  // Whether one through cut separates P from all of Items[0, N).
  static bool AloneBeside(const TBox<C>* Items, std::int32_t N, const TBox<C>& P) {
    C MinX = std::numeric_limits<C>::max(), MinY = MinX, MaxX = std::numeric_limits<C>::min(), MaxY = MaxX;
    for (std::int32_t k = 0; k < N; ++k) {
      MinX = std::min(MinX, Items[k].X1);
      MaxX = std::max(MaxX, Items[k].GX2);
      MinY = std::min(MinY, Items[k].Y1);
      MaxY = std::max(MaxY, Items[k].GY2);
    }
    return P.X1 >= MaxX || P.GX2 <= MinX || P.Y1 >= MaxY || P.GY2 <= MinY;
  }

  // IsGuillotine of Layout with piece P added; the pieces of Layout passed
  // it before.
  bool CuttableWith(const TLayout<C>& L, const TBox<C>& P) {
    const std::int32_t N = L.RectCount;
    if (N + 1 <= 3) return true;
    TBox<C>* Items = Space_.Cut.Items.data();
    Gather(L, Items);
    if (!Hereditary_) {
      Items[N] = P;
      return Separable(0, N + 1);
    }
    return SplittableWith(0, N, P, -1);
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

  const TPlan& Task_;
  TGate* Gate_;
  std::uint64_t* Nodes_;
  TSearchTeam* Team_ = nullptr;
  std::int32_t TeamLevel_ = -1;
  IProgressLink* TeamLink_ = nullptr;
  std::string Path_;
  TWorkspace<C>& Space_;
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
};

// Which of the three geometry types the search of Layout runs on.
enum class TWidth { Narrow, Normal, Wide };

TWidth WidthFor(const TPlan& Task, const TJob& Job) {
  auto Within = [](TLength V, TLength Limit) { return V >= -Limit && V <= Limit; };
  const TSrcRect& Sheet = Task.SrcRects[Job.SheetNo];
  for (const TLength Limit : {TLength{1} << 26, TLength{1} << 60}) {
    const bool Narrow = Limit == TLength{1} << 26;
    bool Ok = Within(Sheet.Length, Limit) && Within(Sheet.Width, Limit) && Within(Task.KnifeWidth, Limit);
    // The 32-bit path leaves out the tests that only odd sizes need.
    if (Narrow) Ok = Ok && Task.KnifeWidth >= 0;
    for (std::int32_t i = 1; i <= Task.ObjCount && Ok; ++i) {
      const TObjPlan& O = Task.ObjPlans[i];
      Ok = Within(O.Length, Limit) && Within(O.Width, Limit) && (!Narrow || (O.Length > 0 && O.Width > 0));
    }
    for (std::int32_t k = 1; k <= Job.PointCount && Ok; ++k)
      Ok = Within(Job.Points[k].X, Limit) && Within(Job.Points[k].Y, Limit);
    for (std::int32_t k = 1; k <= Job.RectCount && Ok; ++k)
      Ok = Within(Job.Rects[k].X, Limit) && Within(Job.Rects[k].Y, Limit);
    if (Ok) return Narrow ? TWidth::Narrow : TWidth::Normal;
  }
  return TWidth::Wide;
}

template <class C>
void RunSearch(const TPlan& Task, TJob& Layout, std::int32_t Level, const std::string& Path, IProgressLink& Link,
               TSearchStats* Stats, TSearchTeam* Team) {
  TLinkGate Gate(Link);
  TSearch<C> Search(Task, Task.SrcRects[Layout.SheetNo], Gate, Stats ? &Stats->Nodes : nullptr, Path,
                    ThreadWorkspace<C>());
  if (Team && Team->Threads() > 1) Search.SetTeam(Team, Level, &Link);
  Search.Load(Layout);
  // A search stopped at once leaves the job as it was.
  if (Search.Run(Level)) Search.Store(Layout);
}

}  // namespace

void SearchLayout(const TPlan& Task, TJob& Layout, std::int32_t Level, const std::string& Path,
                  IProgressLink& Link, TSearchStats* Stats, TSearchTeam* Team) {
  switch (WidthFor(Task, Layout)) {
    case TWidth::Narrow: RunSearch<std::int32_t>(Task, Layout, Level, Path, Link, Stats, Team); break;
    case TWidth::Normal: RunSearch<std::int64_t>(Task, Layout, Level, Path, Link, Stats, Team); break;
    case TWidth::Wide: RunSearch<TWide>(Task, Layout, Level, Path, Link, Stats, Team); break;
  }
}
