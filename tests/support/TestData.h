// Helpers shared by the tests: golden files and small task builders.
#pragma once

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "CalcPlan.h"

namespace testdata {

// Whole file as bytes; fails the calling test when it cannot be read.
std::string ReadBytes(const std::string& Path);

// One golden case NAME of a folder: NAME.tsk with NAME.rigid and either
// NAME.out.tsk or NAME.err.
struct TCase {
  std::string Name;
  std::string Input;     // path of NAME.tsk
  bool Rigid = true;     // NAME.rigid
  std::string Expected;  // path of NAME.out.tsk, empty when NAME.err exists
  std::string Error;     // text of NAME.err without its line end
};

// Test names and failure messages show the case by its name.
void PrintTo(const TCase& Case, std::ostream* Out);

// The cases of Folder, sorted by name.
std::vector<TCase> Cases(const std::string& Folder);

// Every .tsk file of Folder that a saving program wrote (all but the e*
// inputs of the vectors), sorted.
std::vector<std::string> SavedTaskFiles(const std::string& Folder);

// The message text of the EPlanError that Action throws; empty when it
// throws none.
std::string ErrorText(const std::function<void()>& Action);

// The message text of a failed SavePlan, empty when it succeeded.
std::string SaveError(const TPlan& Task, const std::string& Path);

// A new task as the main window's New makes it, on the heap.
std::unique_ptr<TPlan> NewTask(std::int32_t SearchDepth = 1, TLength KnifeWidth = 0, float ExpectedRate = 1.0f);

// A temporary folder removed with its contents when the object goes.
class TTempDir {
 public:
  TTempDir();
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;
  const std::string& Path() const { return Path_; }
  std::string File(const std::string& Name) const { return Path_ + "/" + Name; }
  // Names of the entries of the folder, sorted.
  std::vector<std::string> Entries() const { return EntriesOf(Path_); }
  // Names of the entries of any folder, sorted.
  static std::vector<std::string> EntriesOf(const std::string& Folder);

 private:
  std::string Path_;
};

}  // namespace testdata
