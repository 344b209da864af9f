// Loading arbitrary bytes as a task file: no crash, no undefined behaviour,
// no leak; a failed load changes nothing; a load that succeeds leaves a
// task within the record's limits, replaces only what the file holds (the
// fields no file has and the entries above the counts keep their values),
// and saving it is stable (load, save, load, save gives the same bytes).
// The same bytes read from an open file and from memory give the same
// result.
//
// Every load goes into a task that holds something everywhere, so that
// values left where a load should not write, or taken from an earlier
// load, show. The records are kept across runs and only what a load
// changed is put back: clearing or copying whole records of nearly 2 MB per
// run would cost far more than the loads.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "CalcPlan.h"

namespace {

[[noreturn]] void Fail(const std::string& What) {
  std::fprintf(stderr, "TaskFile_fuzz: %s\n", What.c_str());
  std::abort();
}

// The task each load goes into: three sheets (one limited), three pieces
// (one locked), two jobs with points and placed pieces, working values
// that no file holds, and marks in the last entries of every table.
std::unique_ptr<TPlan> MakeBefore() {
  auto Task = std::make_unique<TPlan>();
  NewPlan(*Task, 2, 3, 0.5f);
  Task->PlanName = "before";
  Task->OwnerName = "owner";
  Task->OwnerCode = "code";
  Task->PlanDate = 45366.5;
  Task->RigidFlag = false;
  Task->TotalRate = 0.25f;
  for (int s = 1; s <= 3; ++s) AddSrcRect(*Task, TSrcRect{"sheet" + std::to_string(s), 1000 + s, 500, s == 2 ? 5 : 0});
  for (int i = 1; i <= 3; ++i) AddObjPlan(*Task, TObjPlan{"piece" + std::to_string(i), 100 + i, 50, 2, 4, i != 2});
  Task->JobCount = 2;
  for (int j = 1; j <= MaxJobs; ++j) Task->Jobs[j].Rate = 0.001f * static_cast<float>(j);
  for (int j = 1; j <= 2; ++j) {
    TJob& Job = Task->Jobs[j];
    Job.SheetNo = j;
    Job.Count = j;
    Job.PointCount = 3;
    for (int k = 1; k <= 3; ++k) Job.Points[k] = {10 * k, 20 * k, pkMinMax};
    Job.RectCount = 2;
    Job.Rects[1] = {1, 0, 0, 0};
    Job.Rects[2] = {3, 101, 0, 1};
  }
  Task->SrcRects[MaxSrcRects] = TSrcRect{"last sheet", 7, 7, 7};
  Task->ObjPlans[MaxObjPlans] = TObjPlan{"last piece", 7, 7, 7, 7, false};
  for (int j = 1; j <= MaxJobs; j += 33) {
    Task->Jobs[j].Points[MaxPoints] = {7, 7, pkDead};
    Task->Jobs[j].Rects[MaxRects] = {7, 7, 7, 1};
  }
  Task->Jobs[MaxJobs].SheetNo = 77;
  Task->Jobs[MaxJobs].PointCount = 7;
  return Task;
}

const TPlan& Before() {
  static const auto Task = MakeBefore();
  return *Task;
}

bool SameSheet(const TSrcRect& A, const TSrcRect& B) {
  return A.Name == B.Name && A.Length == B.Length && A.Width == B.Width && A.Stock == B.Stock;
}
bool SamePiece(const TObjPlan& A, const TObjPlan& B) {
  return A.Name == B.Name && A.Length == B.Length && A.Width == B.Width && A.Pending == B.Pending &&
         A.Quantity == B.Quantity && A.MayTurn == B.MayTurn;
}
bool SamePoint(const TCornerPoint& A, const TCornerPoint& B) { return A.X == B.X && A.Y == B.Y && A.Kind == B.Kind; }
bool SamePlaced(const TPlacedRect& A, const TPlacedRect& B) {
  return A.ObjNo == B.ObjNo && A.X == B.X && A.Y == B.Y && A.Rotated == B.Rotated;
}

// The jobs where B holds something a load may have to leave alone.
constexpr std::int32_t MarkedJobs[] = {1, 2, 34, 67, MaxJobs};

// What a load must have left as it was in B, in words; empty when all is.
// Looks at the entries above the counts that B fills or marks, the Rate of
// every job a load may have written, and within the marked jobs at the
// points and placed pieces above their counts.
std::string KeptFault(const TPlan& Task, const TPlan& B) {
  if (Task.RigidFlag != B.RigidFlag) return "RigidFlag";
  if (Task.TotalRate != B.TotalRate) return "TotalRate";
  for (std::int32_t s = Task.SrcCount + 1; s <= B.SrcCount; ++s)
    if (!SameSheet(Task.SrcRects[s], B.SrcRects[s])) return "sheet " + std::to_string(s) + " above the count";
  if (Task.SrcCount < MaxSrcRects && !SameSheet(Task.SrcRects[MaxSrcRects], B.SrcRects[MaxSrcRects]))
    return "the last sheet";
  for (std::int32_t i = Task.ObjCount + 1; i <= B.ObjCount; ++i)
    if (!SamePiece(Task.ObjPlans[i], B.ObjPlans[i])) return "piece " + std::to_string(i) + " above the count";
  if (Task.ObjCount < MaxObjPlans && !SamePiece(Task.ObjPlans[MaxObjPlans], B.ObjPlans[MaxObjPlans]))
    return "the last piece";
  for (std::int32_t j = 1; j <= Task.JobCount; ++j)
    if (Task.Jobs[j].Rate != B.Jobs[j].Rate) return "the Rate of job " + std::to_string(j);
  for (const std::int32_t j : MarkedJobs) {
    const TJob &J = Task.Jobs[j], &O = B.Jobs[j];
    if (J.Rate != O.Rate) return "the Rate of job " + std::to_string(j);
    if (j > Task.JobCount &&
        (J.SheetNo != O.SheetNo || J.Count != O.Count || J.PointCount != O.PointCount || J.RectCount != O.RectCount))
      return "job " + std::to_string(j) + " above the count";
    const std::int32_t Points = j <= Task.JobCount ? J.PointCount : 0;
    const std::int32_t Rects = j <= Task.JobCount ? J.RectCount : 0;
    for (std::int32_t k = Points + 1; k <= O.PointCount; ++k)
      if (!SamePoint(J.Points[k], O.Points[k])) return "a point above the count of job " + std::to_string(j);
    for (std::int32_t k = Rects + 1; k <= O.RectCount; ++k)
      if (!SamePlaced(J.Rects[k], O.Rects[k])) return "a placed piece above the count of job " + std::to_string(j);
    if (Points < MaxPoints && !SamePoint(J.Points[MaxPoints], O.Points[MaxPoints]))
      return "the last point of job " + std::to_string(j);
    if (Rects < MaxRects && !SamePlaced(J.Rects[MaxRects], O.Rects[MaxRects]))
      return "the last placed piece of job " + std::to_string(j);
  }
  return {};
}

// Whether A and B agree in every field a file holds, for the entries in use
// (so that they save as the same bytes); cheaper than saving both. The date
// is compared as the file writes it (15 digits) when AsSaved is set.
bool SameStored(const TPlan& A, const TPlan& B, bool AsSaved) {
  const bool SameDate =
      A.PlanDate == B.PlanDate || (AsSaved && FormatFloatF(A.PlanDate) == FormatFloatF(B.PlanDate));
  if (A.OwnerName != B.OwnerName || A.OwnerCode != B.OwnerCode || A.PlanName != B.PlanName || !SameDate ||
      A.SrcCount != B.SrcCount || A.ObjCount != B.ObjCount || A.JobCount != B.JobCount ||
      A.KnifeWidth != B.KnifeWidth || A.ExpectedRate != B.ExpectedRate || A.SearchDepth != B.SearchDepth)
    return false;
  for (std::int32_t s = 1; s <= A.SrcCount; ++s)
    if (!SameSheet(A.SrcRects[s], B.SrcRects[s])) return false;
  for (std::int32_t i = 1; i <= A.ObjCount; ++i)
    if (!SamePiece(A.ObjPlans[i], B.ObjPlans[i])) return false;
  for (std::int32_t j = 1; j <= A.JobCount; ++j) {
    const TJob &J = A.Jobs[j], &O = B.Jobs[j];
    if (J.SheetNo != O.SheetNo || J.Count != O.Count || J.PointCount != O.PointCount || J.RectCount != O.RectCount)
      return false;
    for (std::int32_t k = 1; k <= J.PointCount; ++k)
      if (!SamePoint(J.Points[k], O.Points[k])) return false;
    for (std::int32_t k = 1; k <= J.RectCount; ++k)
      if (!SamePlaced(J.Rects[k], O.Rects[k])) return false;
  }
  return true;
}

// Puts back into Task what a successful load may have changed, from B:
// the fields a file holds, for the entries within the counts it read.
void PutBack(TPlan& Task, const TPlan& B) {
  Task.OwnerName = B.OwnerName;
  Task.OwnerCode = B.OwnerCode;
  Task.PlanName = B.PlanName;
  Task.PlanDate = B.PlanDate;
  Task.KnifeWidth = B.KnifeWidth;
  Task.ExpectedRate = B.ExpectedRate;
  Task.SearchDepth = B.SearchDepth;
  for (std::int32_t s = 1; s <= Task.SrcCount; ++s) Task.SrcRects[s] = B.SrcRects[s];
  for (std::int32_t i = 1; i <= Task.ObjCount; ++i) Task.ObjPlans[i] = B.ObjPlans[i];
  for (std::int32_t j = 1; j <= Task.JobCount; ++j) {
    TJob& J = Task.Jobs[j];
    const TJob& O = B.Jobs[j];
    for (std::int32_t k = 1; k <= J.PointCount; ++k) J.Points[k] = O.Points[k];
    for (std::int32_t k = 1; k <= J.RectCount; ++k) J.Rects[k] = O.Rects[k];
    J.SheetNo = O.SheetNo;
    J.Count = O.Count;
    J.PointCount = O.PointCount;
    J.RectCount = O.RectCount;
  }
  Task.SrcCount = B.SrcCount;
  Task.ObjCount = B.ObjCount;
  Task.JobCount = B.JobCount;
}

// The error text of loading Text into Task, empty when it loaded.
std::string LoadText(TPlan& Task, std::string_view Text) {
  try {
    PlanFromText(Task, Text);
  } catch (const EPlanError& E) {
    return E.what();
  }
  return {};
}

// A file in memory for LoadPlan, with a name of its own (a name in /proc
// costs more to look up than the load itself): in /dev/shm where it exists,
// removed when the fuzzer ends.
struct TMemoryFile {
  std::string Path;
  int Fd = -1;
  TMemoryFile() {
    const char* Folder = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    Path = std::string(Folder) + "/tavik-fuzz-" + std::to_string(::getpid()) + ".tsk";
    Fd = ::open(Path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (Fd < 0) Fail("the memory file " + Path + " cannot be made");
  }
  ~TMemoryFile() {
    ::close(Fd);
    ::unlink(Path.c_str());
  }
};

// The same through LoadPlan, from that file (one for all runs, written
// again each time).
std::string LoadFile(TPlan& Task, std::string_view Text) {
  static const TMemoryFile File;
  static std::size_t Written = 0;
  const int Fd = File.Fd;
  const std::string& Path = File.Path;
  for (std::size_t Done = 0; Done < Text.size();) {
    const ssize_t N = ::pwrite(Fd, Text.data() + Done, Text.size() - Done, static_cast<off_t>(Done));
    if (N <= 0) Fail("writing the memory file failed");
    Done += static_cast<std::size_t>(N);
  }
  // Cut off what a longer input of an earlier run left.
  if (Text.size() < Written && ::ftruncate(Fd, static_cast<off_t>(Text.size())) != 0)
    Fail("the memory file cannot be shortened");
  Written = Text.size();
  try {
    LoadPlan(Task, Path);
  } catch (const EPlanError& E) {
    return E.what();
  }
  return {};
}

// The counts and the numbers that index the tables stay within the tables.
std::string LimitsFault(const TPlan& Task) {
  if (Task.SrcCount < 0 || Task.SrcCount > MaxSrcRects) return "sheet count";
  if (Task.ObjCount < 0 || Task.ObjCount > MaxObjPlans) return "piece count";
  if (Task.JobCount < 0 || Task.JobCount > MaxJobs) return "job count";
  for (std::int32_t j = 1; j <= Task.JobCount; ++j) {
    const TJob& Job = Task.Jobs[j];
    if (Job.SheetNo < 1 || Job.SheetNo > Task.SrcCount) return "sheet number of job " + std::to_string(j);
    if (Job.PointCount < 0 || Job.PointCount > MaxPoints) return "point count of job " + std::to_string(j);
    if (Job.RectCount < 0 || Job.RectCount > MaxRects) return "placed count of job " + std::to_string(j);
    for (std::int32_t k = 1; k <= Job.RectCount; ++k)
      if (Job.Rects[k].ObjNo < 1 || Job.Rects[k].ObjNo > Task.ObjCount)
        return "piece number in job " + std::to_string(j);
  }
  return {};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string_view Text(reinterpret_cast<const char*>(Data), Size);
  const TPlan& B = Before();
  static const auto Task = std::make_unique<TPlan>(B);
  static const auto FromFile = std::make_unique<TPlan>(B);
  static const auto Again = std::make_unique<TPlan>(B);

  const std::string Error = LoadText(*Task, Text);
  std::string Fault = KeptFault(*Task, B);
  if (!Fault.empty()) Fail("a load (" + (Error.empty() ? "it succeeded" : Error) + ") changed " + Fault);

  // Reading from a file must agree with reading from memory.
  const std::string FileError = LoadFile(*FromFile, Text);
  if (FileError != Error) Fail("LoadPlan says \"" + FileError + "\", PlanFromText \"" + Error + "\"");
  if (!SameStored(*FromFile, *Task, false)) Fail("LoadPlan read other values than PlanFromText");

  // Most inputs fail to load; comparing the records field by field spares
  // them the text of a whole task.
  if (!Error.empty()) {
    if (!SameStored(*Task, B, false)) Fail("a failed load (" + Error + ") changed the task");
    return 0;
  }
  const std::string Loaded = PlanToText(*Task);
  Fault = LimitsFault(*Task);
  if (!Fault.empty()) Fail("a loaded task is outside its limits: " + Fault);

  // Again starts with the locks and limits of B: a saved task without the
  // extras block must clear them for the entries it holds.
  const std::string AgainError = LoadText(*Again, Loaded);
  if (!AgainError.empty()) Fail("a saved task does not load again: " + AgainError + "\n" + Loaded);
  if (!SameStored(*Again, *Task, true)) Fail("saving a loaded task again gives other bytes:\n" + Loaded);

  for (TPlan* Record : {Task.get(), FromFile.get(), Again.get()}) PutBack(*Record, B);
  return 0;
}
