// Loading arbitrary bytes as a task file: no crash, no undefined behaviour,
// no leak; a file that loads leaves a task within the record's limits, and
// saving it is stable (load, save, load, save gives the same bytes). The
// same bytes read from an open file and from memory give the same result.
#include <sys/mman.h>
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

// The error text of loading Text into Task, empty when it loaded.
std::string LoadText(TPlan& Task, std::string_view Text) {
  try {
    PlanFromText(Task, Text);
  } catch (const EPlanError& E) {
    return E.what();
  }
  return {};
}

// The same through LoadPlan, from a file that lives in memory.
std::string LoadFile(TPlan& Task, std::string_view Text) {
  const int Fd = ::memfd_create("tavik-fuzz", 0);
  if (Fd < 0) Fail("memfd_create failed");
  for (std::size_t Done = 0; Done < Text.size();) {
    const ssize_t N = ::write(Fd, Text.data() + Done, Text.size() - Done);
    if (N <= 0) Fail("writing the memory file failed");
    Done += static_cast<std::size_t>(N);
  }
  std::string Error;
  try {
    LoadPlan(Task, "/proc/self/fd/" + std::to_string(Fd));
  } catch (const EPlanError& E) {
    Error = E.what();
  }
  ::close(Fd);
  return Error;
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
  // Records kept across runs (a fresh 2 MB record per run would mostly
  // measure the allocator), reset so that every run starts alike.
  static const auto Task = std::make_unique<TPlan>();
  static const auto FromFile = std::make_unique<TPlan>();
  static const auto Again = std::make_unique<TPlan>();
  NewPlan(*Task, 1, 0, 1.0f);
  NewPlan(*FromFile, 1, 0, 1.0f);
  NewPlan(*Again, 1, 0, 1.0f);

  const std::string Before = PlanToText(*Task);
  const std::string Error = LoadText(*Task, Text);
  const std::string Loaded = PlanToText(*Task);

  // Reading from a file must agree with reading from memory.
  const std::string FileError = LoadFile(*FromFile, Text);
  if (FileError != Error) Fail("LoadPlan says \"" + FileError + "\", PlanFromText \"" + Error + "\"");
  if (PlanToText(*FromFile) != Loaded) Fail("LoadPlan read other values than PlanFromText");

  if (!Error.empty()) {
    if (Loaded != Before) Fail("a failed load (" + Error + ") changed the task");
    return 0;
  }
  const std::string Fault = LimitsFault(*Task);
  if (!Fault.empty()) Fail("a loaded task is outside its limits: " + Fault);

  const std::string AgainError = LoadText(*Again, Loaded);
  if (!AgainError.empty()) Fail("a saved task does not load again: " + AgainError + "\n" + Loaded);
  if (PlanToText(*Again) != Loaded) Fail("saving a loaded task again gives other bytes:\n" + Loaded);
  return 0;
}
