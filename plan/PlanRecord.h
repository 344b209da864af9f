// The cutting task record: settings, sheet table, piece table and job table.
//
// Every table is a fixed array numbered from 1 with a count of entries in
// use; entries above the count are not part of the task. Texts are byte
// strings in the GBK code page, exactly as the task file holds them.
#pragma once

#include <array>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <string>

// Lengths (sizes, knife width, coordinates) in the user's unit of length.
using TLength = std::int64_t;
// Day count from 1899-12-30 00:00 with the time of day as fraction.
using TDateTime = double;

inline constexpr std::int32_t MaxSrcRects = 100;  // sheet sizes per task
inline constexpr std::int32_t MaxObjPlans = 100;  // pieces per task
inline constexpr std::int32_t MaxJobs = 100;      // jobs per task
inline constexpr std::int32_t MaxPoints = 500;    // corner points per job
inline constexpr std::int32_t MaxRects = 200;     // placed pieces per job
// The deepest layout search the settings grid accepts. A file may hold a
// deeper one, which is kept as it is.
inline constexpr std::int32_t MaxSearchDepth = 16;

// A fixed table indexed 1..N, like every table of the task.
template <class T, std::int32_t N>
struct TTable {
  static constexpr std::int32_t Capacity = N;

  std::array<T, N> Items{};

  T& operator[](std::int32_t i) {
    assert(i >= 1 && i <= N);
    return Items[static_cast<std::size_t>(i - 1)];
  }
  const T& operator[](std::int32_t i) const {
    assert(i >= 1 && i <= N);
    return Items[static_cast<std::size_t>(i - 1)];
  }
  // Pointer to entry i (1-based), for block copies of the used entries.
  T* At(std::int32_t i) { return Items.data() + (i - 1); }
  const T* At(std::int32_t i) const { return Items.data() + (i - 1); }
};

// Which corner of a piece anchored on a corner point sits on the point.
// A file may hold any byte here; only these five values are ever produced.
enum TPointKind : std::uint8_t {
  pkMinMin = 0,  // low X, low Y: the piece extends towards +X and +Y
  pkMinMax = 1,  // low X, high Y: towards +X and -Y
  pkMaxMin = 2,  // high X, low Y: towards -X and +Y
  pkMaxMax = 3,  // high X, high Y: towards -X and -Y
  pkDead = 4,    // used or covered; never used again
};

struct TSrcRect {
  std::string Name;
  TLength Length = 0;  // along X
  TLength Width = 0;   // along Y
  // Sheets of this size at hand for the whole plan; 0: as many as needed.
  // Not in the file's classic lines (see TaskFile.h).
  std::int32_t Stock = 0;
};

struct TObjPlan {
  std::string Name;
  TLength Length = 0;
  TLength Width = 0;
  std::int32_t Pending = 0;   // still to be laid out
  std::int32_t Quantity = 0;  // ordered
  // May be turned on the sheet; false keeps Length along the sheet's Length
  // (grain). Not in the file's classic lines (see TaskFile.h).
  bool MayTurn = true;
};

struct TCornerPoint {
  TLength X = 0;
  TLength Y = 0;
  TPointKind Kind = pkMinMin;
};

struct TPlacedRect {
  std::int32_t ObjNo = 0;  // piece number in ObjPlans
  TLength X = 0;           // low-X low-Y corner of the footprint
  TLength Y = 0;
  std::uint8_t Rotated = 0;  // 1: the piece's Width runs along X
};

// One layout on one sheet size, cut Count times. Also the search's working
// layout, where SheetNo 0 means that no layout was found.
struct TJob {
  std::int32_t SheetNo = 0;
  float Rate = 0;  // utilisation as last computed; not stored in the file
  std::int32_t Count = 0;
  std::int32_t PointCount = 0;
  TTable<TCornerPoint, MaxPoints> Points;
  std::int32_t RectCount = 0;
  TTable<TPlacedRect, MaxRects> Rects;
};

// The whole task. Over a megabyte: keep it on the heap or in a window
// object, never on the stack of a recursion. Copies are deep.
struct TPlan {
  std::string OwnerName;
  std::string OwnerCode;
  std::string PlanName;
  TDateTime PlanDate = 0;
  std::int32_t SrcCount = 0;  // 0..MaxSrcRects
  std::int32_t ObjCount = 0;  // 0..MaxObjPlans
  std::int32_t JobCount = 0;  // 0..MaxJobs
  TLength KnifeWidth = 0;
  float ExpectedRate = 0;
  float TotalRate = 0;  // working value; not stored in the file
  std::int32_t SearchDepth = 0;
  bool RigidFlag = false;  // not stored in the file
  TTable<TSrcRect, MaxSrcRects> SrcRects;
  TTable<TObjPlan, MaxObjPlans> ObjPlans;
  TTable<TJob, MaxJobs> Jobs;
};

// Clears every field of the task (texts empty, numbers 0, counts 0), then
// sets the three given settings and RigidFlag = true. The caller fills the
// plan name, date and owner texts.
void NewPlan(TPlan& Task, std::int32_t SearchDepth, TLength KnifeWidth, float ExpectedRate);

// Appends a sheet size. Throws EPlanError("Range check error") and stores
// nothing when the table already holds MaxSrcRects entries.
void AddSrcRect(TPlan& Task, const TSrcRect& Rect);

// Appends a piece with its own Pending and Quantity. Throws
// EPlanError("Range check error") and stores nothing when the table is full.
void AddObjPlan(TPlan& Task, const TObjPlan& Obj);

// JobCount = 0 and Pending = Quantity for every piece; job entries are kept.
void ClearJobs(TPlan& Task);

// Copies the used entries of Src (points and placed pieces up to their
// counts) and its header fields into Dst; entries above the counts in Dst
// keep whatever they held.
void CopyLayout(TJob& Dst, const TJob& Src);

// Copies the settings, texts and the used entries of every table of Src
// (sheets and pieces up to their counts, jobs up to JobCount with their
// used points and placed pieces) into Dst. Entries above the counts in Dst
// keep what they held: far cheaper than a whole copy for a record that is
// used again and again.
void CopyTask(TPlan& Dst, const TPlan& Src);

// True when no piece 1..ObjCount has Pending > 0 (so also without pieces).
bool AllPlaced(const TPlan& Task);

// Sum of Quantity over the pieces in use.
std::int64_t TotalQuantity(const TPlan& Task);

// Sum of Quantity - Pending over the pieces in use.
std::int64_t PlacedQuantity(const TPlan& Task);

// Extents of piece Obj along X and Y in orientation Rotated (0 or 1).
inline TLength ExtentX(const TObjPlan& Obj, std::uint8_t Rotated) {
  return Rotated ? Obj.Width : Obj.Length;
}
inline TLength ExtentY(const TObjPlan& Obj, std::uint8_t Rotated) {
  return Rotated ? Obj.Length : Obj.Width;
}

// Whether piece Obj may lie in orientation o (0: Length along X, 1: turned).
// Every calculation asks here, so that a grain lock means the same to all.
inline bool OrientationAllowed(const TObjPlan& Obj, std::int32_t o) { return o == 0 || Obj.MayTurn; }

// Sheets of size s (1..SrcCount) that the jobs of Task cut: the sum of
// their Count.
std::int64_t SheetsUsed(const TPlan& Task, std::int32_t s);

// Sheets of size s still at hand for new jobs: its Stock less SheetsUsed,
// at least 0; INT64_MAX for a size without a stock limit.
std::int64_t SheetsLeft(const TPlan& Task, std::int32_t s);
