// Makes the fuzzers' seed corpora from task files:
//   tavik_fuzz_seeds TASKFILE_DIR MAKEPLAN_DIR FILE.tsk...
// Every file up to 16 KiB is copied into TASKFILE_DIR as it is; each one
// that loads also goes there with an extras block (every other piece locked, stock limits
// on the sheets). Each one that loads and is not a computed result
// (NAME.out.tsk) also goes into MAKEPLAN_DIR in the calculation fuzzer's
// encoding, with the rigid setting of its NAME.rigid, or once with each
// setting when there is none, and once more with locks and limits.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

#include "CalcPlan.h"
#include "FuzzTask.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t MaxReaderSeed = 16 * 1024;

std::string ReadAll(const fs::path& Path) {
  std::ifstream In(Path, std::ios::binary);
  std::ostringstream Out;
  Out << In.rdbuf();
  return Out.str();
}

bool WriteAll(const fs::path& Path, const std::string& Bytes) {
  std::ofstream Out(Path, std::ios::binary);
  Out << Bytes;
  return Out.good();
}

// Every other piece keeps its direction; each sheet size has a few sheets.
void LockAndLimit(TPlan& Task) {
  for (std::int32_t i = 1; i <= Task.ObjCount; i += 2) Task.ObjPlans[i].MayTurn = false;
  for (std::int32_t s = 1; s <= Task.SrcCount; ++s) Task.SrcRects[s].Stock = 1 + s % 3;
}

bool EndsWith(const std::string& Text, const std::string& Tail) {
  return Text.size() >= Tail.size() && Text.compare(Text.size() - Tail.size(), Tail.size(), Tail) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: tavik_fuzz_seeds TASKFILE_DIR MAKEPLAN_DIR FILE.tsk...\n";
    return 2;
  }
  const fs::path TaskFileDir = argv[1], MakePlanDir = argv[2];
  int Tasks = 0;
  auto Task = std::make_unique<TPlan>();
  for (int a = 3; a < argc; ++a) {
    const fs::path File = argv[a];
    const std::string Name = File.filename().string();
    const std::string Bytes = ReadAll(File);
    // A long file shows the reader nothing that a short one does not, and
    // costs as much as fifty of them at every run that picks it.
    const bool Short = Bytes.size() <= MaxReaderSeed;
    if (Short && !WriteAll(TaskFileDir / Name, Bytes)) {
      std::cerr << "tavik_fuzz_seeds: cannot write " << (TaskFileDir / Name) << "\n";
      return 1;
    }
    NewPlan(*Task, 1, 0, 1.0f);
    try {
      PlanFromText(*Task, Bytes);
    } catch (const EPlanError&) {
      continue;  // a reading-rule case: a seed for the reader only
    }
    const std::string Base = Name.substr(0, Name.size() - 4);
    if (Short && Task->SrcCount + Task->ObjCount > 0) {
      auto Locked = std::make_unique<TPlan>(*Task);
      LockAndLimit(*Locked);
      if (!WriteAll(TaskFileDir / (Base + ".extras.tsk"), PlanToText(*Locked))) return 1;
    }
    if (EndsWith(Name, ".out.tsk")) continue;
    const fs::path RigidFile = File.parent_path() / (Base + ".rigid");
    std::string Settings = "01";
    if (fs::exists(RigidFile)) Settings = ReadAll(RigidFile).substr(0, 1) == "1" ? "1" : "0";
    for (char Rigid : Settings) {
      Task->RigidFlag = Rigid == '1';
      if (!WriteAll(MakePlanDir / (Base + ".r" + Rigid), fuzz::EncodeTask(*Task))) return 1;
      ++Tasks;
    }
    LockAndLimit(*Task);
    if (!WriteAll(MakePlanDir / (Base + ".locked"), fuzz::EncodeTask(*Task))) return 1;
    ++Tasks;
  }
  // A name a little short of the longest line: a few inserted bytes take
  // the reader past its limit.
  NewPlan(*Task, 1, 0, 1.0f);
  AddSrcRect(*Task, TSrcRect{std::string(MaxLineBytes - 16, 'n'), 2440, 1220});
  if (!WriteAll(TaskFileDir / "long_line.tsk", PlanToText(*Task))) return 1;
  std::printf("tavik_fuzz_seeds: %d task files, %d calculation seeds\n", argc - 3, Tasks);
  return 0;
}
