#include "support/TestData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace testdata {

std::string ReadBytes(const std::string& Path) {
  std::ifstream In(Path, std::ios::binary);
  EXPECT_TRUE(In.good()) << "cannot read " << Path;
  std::ostringstream Out;
  Out << In.rdbuf();
  return Out.str();
}

void PrintTo(const TCase& Case, std::ostream* Out) { *Out << Case.Name; }

std::vector<TCase> Cases(const std::string& Folder) {
  std::vector<TCase> Result;
  for (const auto& Entry : fs::directory_iterator(Folder)) {
    const std::string File = Entry.path().filename().string();
    if (File.size() < 5 || File.substr(File.size() - 4) != ".tsk" || File.find(".out.tsk") != std::string::npos)
      continue;
    TCase C;
    C.Name = File.substr(0, File.size() - 4);
    C.Input = Entry.path().string();
    const std::string Base = Folder + "/" + C.Name;
    if (fs::exists(Base + ".rigid")) C.Rigid = ReadBytes(Base + ".rigid").substr(0, 1) == "1";
    if (fs::exists(Base + ".out.tsk")) C.Expected = Base + ".out.tsk";
    if (fs::exists(Base + ".err")) {
      C.Error = ReadBytes(Base + ".err");
      while (!C.Error.empty() && (C.Error.back() == '\n' || C.Error.back() == '\r')) C.Error.pop_back();
    }
    Result.push_back(C);
  }
  std::sort(Result.begin(), Result.end(), [](const TCase& A, const TCase& B) { return A.Name < B.Name; });
  return Result;
}

std::vector<std::string> SavedTaskFiles(const std::string& Folder) {
  std::vector<std::string> Result;
  for (const auto& Entry : fs::directory_iterator(Folder)) {
    const std::string File = Entry.path().filename().string();
    if (File.size() < 5 || File.substr(File.size() - 4) != ".tsk") continue;
    const bool Input = File.find(".out.tsk") == std::string::npos;
    if (Input && File[0] == 'e') continue;  // hand-made reading-rule inputs
    Result.push_back(Entry.path().string());
  }
  std::sort(Result.begin(), Result.end());
  return Result;
}

std::string ErrorText(const std::function<void()>& Action) {
  try {
    Action();
  } catch (const EPlanError& E) {
    return E.what();
  }
  return "";
}

std::string SaveError(const TPlan& Task, const std::string& Path) {
  return ErrorText([&] { SavePlan(Task, Path); });
}

std::unique_ptr<TPlan> NewTask(std::int32_t SearchDepth, TLength KnifeWidth, float ExpectedRate) {
  auto Task = std::make_unique<TPlan>();
  NewPlan(*Task, SearchDepth, KnifeWidth, ExpectedRate);
  return Task;
}

TTempDir::TTempDir() {
  std::string Template = (fs::temp_directory_path() / "tavik-test-XXXXXX").string();
  char* Made = ::mkdtemp(Template.data());
  EXPECT_NE(Made, nullptr);
  Path_ = Template;
}

TTempDir::~TTempDir() {
  std::error_code Ignored;
  // Restore permissions that a test may have taken away before removing.
  for (const auto& Entry : fs::recursive_directory_iterator(Path_, Ignored))
    fs::permissions(Entry.path(), fs::perms::owner_all, fs::perm_options::add, Ignored);
  fs::permissions(Path_, fs::perms::owner_all, fs::perm_options::add, Ignored);
  fs::remove_all(Path_, Ignored);
}

std::vector<std::string> TTempDir::EntriesOf(const std::string& Folder) {
  std::vector<std::string> Names;
  for (const auto& Entry : fs::directory_iterator(Folder)) Names.push_back(Entry.path().filename().string());
  std::sort(Names.begin(), Names.end());
  return Names;
}

}  // namespace testdata
