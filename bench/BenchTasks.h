// The tasks of the benchmark folder: NAME.tsk with NAME.rigid and the
// expected result NAME.out.tsk.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

struct TBenchTask {
  std::string Name;
  std::string Input;     // NAME.tsk
  std::string Expected;  // NAME.out.tsk
  bool Rigid = true;     // NAME.rigid
};

inline std::string ReadAll(const std::string& Path) {
  std::ifstream In(Path, std::ios::binary);
  std::ostringstream Out;
  Out << In.rdbuf();
  return Out.str();
}

// Every task of Folder, sorted by name.
inline std::vector<TBenchTask> FindTasks(const std::string& Folder) {
  std::vector<TBenchTask> Tasks;
  for (const auto& Entry : std::filesystem::directory_iterator(Folder)) {
    const std::string File = Entry.path().filename().string();
    if (File.size() < 5 || File.substr(File.size() - 4) != ".tsk" || File.find(".out.") != std::string::npos) continue;
    TBenchTask T;
    T.Name = File.substr(0, File.size() - 4);
    T.Input = Entry.path().string();
    T.Expected = Folder + "/" + T.Name + ".out.tsk";
    T.Rigid = ReadAll(Folder + "/" + T.Name + ".rigid").substr(0, 1) != "0";
    Tasks.push_back(T);
  }
  std::sort(Tasks.begin(), Tasks.end(), [](const TBenchTask& A, const TBenchTask& B) { return A.Name < B.Name; });
  return Tasks;
}
