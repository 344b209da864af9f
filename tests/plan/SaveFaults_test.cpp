// What a save leaves when it fails: a disk that fills up part-way, a folder
// or file without write permission, a folder in place of the file, a path
// in a missing folder, too many open files, and a process killed in the
// middle of a save. In every case the previous file stays as it was and
// loads, the message is the one the error box shows for that cause, and no
// temporary file is left (a killed save may leave one; the next save copes).
#include <gtest/gtest.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <thread>

#include "CalcPlan.h"
#include "support/TestData.h"

namespace {

using testdata::NewTask;
using testdata::ReadBytes;
using testdata::TTempDir;

constexpr int CannotDropPrivileges = 77;

using testdata::SaveError;

std::string LoadError(const std::string& Path) {
  auto Task = NewTask();
  return testdata::ErrorText([&] { LoadPlan(*Task, Path); });
}

// Runs Body in a child process and returns its exit code, or 128 plus the
// signal that ended it. Failures inside are reported by the code, since a
// child cannot report to the test framework.
int InChild(const std::function<int()>& Body) {
  std::fflush(nullptr);
  const pid_t Child = ::fork();
  if (Child == 0) ::_exit(Body());
  int Status = 0;
  ::waitpid(Child, &Status, 0);
  return WIFEXITED(Status) ? WEXITSTATUS(Status) : 128 + WTERMSIG(Status);
}

// Exit code 0 when the save fails with Expected, 1 otherwise.
int ExpectSaveError(const TPlan& Task, const std::string& Path, const std::string& Expected) {
  const std::string Message = SaveError(Task, Path);
  if (Message == Expected) return 0;
  std::fprintf(stderr, "save of %s: \"%s\" instead of \"%s\"\n", Path.c_str(), Message.c_str(), Expected.c_str());
  return 1;
}

// A task whose file is large: Jobs jobs with full point and piece lists.
std::unique_ptr<TPlan> LargeTask(std::int32_t Jobs, std::uint32_t Seed) {
  std::mt19937 Random(Seed);
  auto Task = NewTask(2, 4, 0.9f);
  Task->PlanName = "large " + std::to_string(Seed);
  for (int s = 0; s < 3; ++s) AddSrcRect(*Task, TSrcRect{"sheet", 2440 + s, 1220});
  for (int i = 0; i < 20; ++i) AddObjPlan(*Task, TObjPlan{"piece", 300 + i, 200, 5, 9});
  Task->JobCount = Jobs;
  for (std::int32_t j = 1; j <= Jobs; ++j) {
    TJob& Job = Task->Jobs[j];
    Job.SheetNo = 1 + j % 3;
    Job.Count = 1;
    Job.PointCount = MaxPoints;
    for (std::int32_t k = 1; k <= MaxPoints; ++k)
      Job.Points[k] = {static_cast<TLength>(Random() % 2440), static_cast<TLength>(Random() % 1220),
                       static_cast<TPointKind>(Random() % 5)};
    Job.RectCount = MaxRects;
    for (std::int32_t k = 1; k <= MaxRects; ++k)
      Job.Rects[k] = {1 + static_cast<std::int32_t>(Random() % 20), static_cast<TLength>(Random() % 2440),
                      static_cast<TLength>(Random() % 1220), static_cast<std::uint8_t>(Random() % 2)};
  }
  return Task;
}

std::unique_ptr<TPlan> SmallTask() {
  auto Task = NewTask();
  Task->PlanName = "previous";
  AddSrcRect(*Task, TSrcRect{"A", 2440, 1220});
  AddObjPlan(*Task, TObjPlan{"P1", 600, 400, 10, 10});
  return Task;
}

// The file at Path holds exactly Bytes and loads back to them.
void ExpectIntact(const std::string& Path, const std::string& Bytes, const std::string& Case) {
  // Compared without printing: the files run to hundreds of kilobytes.
  const std::string Found = ReadBytes(Path);
  EXPECT_TRUE(Found == Bytes) << Case << ": a file of " << Found.size() << " bytes where " << Bytes.size()
                              << " were expected";
  auto Task = NewTask();
  EXPECT_NO_THROW(LoadPlan(*Task, Path)) << Case;
  EXPECT_TRUE(PlanToText(*Task) == Bytes) << Case << ": the file does not load back to its bytes";
}

bool IsTemporary(const std::string& Name) { return Name.size() > 4 && Name.substr(Name.size() - 4) == ".tmp"; }

TEST(SaveFaults, DiskFillingUpAnywhereKeepsThePreviousFile) {
  TTempDir Dir;
  const std::string Path = Dir.File("plan.tsk");
  const auto Previous = SmallTask();
  SavePlan(*Previous, Path);
  const std::string Before = ReadBytes(Path);
  const auto Large = LargeTask(12, 1);
  const auto Size = static_cast<rlim_t>(PlanToText(*Large).size());
  ASSERT_GT(Size, 100000u);

  // A file size limit makes the write stop where the limit is, as a full
  // disk does: at the start, inside the first block, at block edges, half
  // way and one byte short of the end.
  std::vector<rlim_t> Limits = {0, 1, 2, 17, 511, 4095, 4096, 4097, 65535, 65536, 65537};
  for (rlim_t Fraction = 1; Fraction < 16; ++Fraction) Limits.push_back(Size * Fraction / 16);
  Limits.push_back(Size - 2);
  Limits.push_back(Size - 1);
  for (rlim_t Limit : Limits) {
    const std::string Case = "limit " + std::to_string(Limit);
    const int Code = InChild([&] {
      ::signal(SIGXFSZ, SIG_IGN);
      const rlimit Max{Limit, Limit};
      if (::setrlimit(RLIMIT_FSIZE, &Max) != 0) return 2;
      return ExpectSaveError(*Large, Path, "Disk full");
    });
    EXPECT_EQ(Code, 0) << Case;
    ExpectIntact(Path, Before, Case);
    EXPECT_EQ(Dir.Entries(), std::vector<std::string>{"plan.tsk"}) << Case << ": a temporary file was left";
  }

  // A new file that does not fit leaves nothing at all.
  EXPECT_EQ(InChild([&] {
              ::signal(SIGXFSZ, SIG_IGN);
              const rlimit Max{4096, 4096};
              if (::setrlimit(RLIMIT_FSIZE, &Max) != 0) return 2;
              return ExpectSaveError(*Large, Dir.File("new.tsk"), "Disk full");
            }),
            0);
  EXPECT_EQ(Dir.Entries(), std::vector<std::string>{"plan.tsk"});

  // Exactly as much room as the file needs is enough.
  EXPECT_EQ(InChild([&] {
              const rlimit Max{Size, Size};
              if (::setrlimit(RLIMIT_FSIZE, &Max) != 0) return 2;
              return SaveError(*Large, Path).empty() ? 0 : 1;
            }),
            0);
  ExpectIntact(Path, PlanToText(*Large), "a limit of the file's size");
}

TEST(SaveFaults, DeviceThatIsFullFailsWithDiskFull) {
  const auto Large = LargeTask(2, 2);
  EXPECT_EQ(SaveError(*Large, "/dev/full"), "Disk full");
}

TEST(SaveFaults, FolderInPlaceOfTheFileOrOnThePath) {
  TTempDir Dir;
  const auto Task = SmallTask();
  SavePlan(*Task, Dir.File("plan.tsk"));
  const std::string Before = ReadBytes(Dir.File("plan.tsk"));
  std::filesystem::create_directory(Dir.File("folder.tsk"));

  EXPECT_EQ(SaveError(*Task, Dir.File("folder.tsk")), "File access denied") << "a folder where the file should be";
  EXPECT_TRUE(std::filesystem::is_directory(Dir.File("folder.tsk")));
  EXPECT_TRUE(std::filesystem::is_empty(Dir.File("folder.tsk")));
  EXPECT_EQ(SaveError(*Task, Dir.File("folder.tsk/")), "File access denied");
  EXPECT_EQ(SaveError(*Task, Dir.File("missing/plan.tsk")), "Invalid filename") << "a missing folder on the path";
  EXPECT_EQ(SaveError(*Task, Dir.File("missing/deeper/plan.tsk")), "Invalid filename");
  EXPECT_EQ(SaveError(*Task, Dir.File("plan.tsk/inner.tsk")), "Invalid filename") << "a file used as a folder";
  EXPECT_EQ(SaveError(*Task, ""), "Invalid filename");
  EXPECT_EQ(SaveError(*Task, Dir.File(std::string(300, 'n') + ".tsk")), "Invalid filename") << "a name too long";
  ExpectIntact(Dir.File("plan.tsk"), Before, "a failed save elsewhere");
  EXPECT_EQ(Dir.Entries(), (std::vector<std::string>{"folder.tsk", "plan.tsk"}));
}

TEST(SaveFaults, TheLongestNameSavesAndIsReplaced) {
  TTempDir Dir;
  const std::string Path = Dir.File(std::string(251, 'n') + ".tsk");  // 255 bytes, the most a name holds
  auto Task = SmallTask();
  ASSERT_EQ(SaveError(*Task, Path), "");
  Task->PlanName = "second";
  ASSERT_EQ(SaveError(*Task, Path), "");
  ExpectIntact(Path, PlanToText(*Task), "the longest name");
  EXPECT_EQ(Dir.Entries().size(), 1u);
  // A Chinese name of 85 characters is 255 bytes too; the temporary name
  // that shortens it must not cut a character in two.
  std::string Chinese;
  for (int k = 0; k < 83; ++k) Chinese += "\xE6\x9D\xBF";  // 板 in UTF-8
  ASSERT_EQ(SaveError(*Task, Dir.File(Chinese + "ab.tsk")), "");
  EXPECT_EQ(Dir.Entries().size(), 2u);
}

TEST(SaveFaults, ManySavesKilledInTheWriteDoNotBlockTheNext) {
  TTempDir Dir;
  const std::string Path = Dir.File("plan.tsk");
  SavePlan(*SmallTask(), Path);
  const std::string Before = ReadBytes(Path);
  const auto Large = LargeTask(2, 7);
  // Each child is ended by the file size signal inside its write, so each
  // leaves its temporary file behind; the children are forked from one
  // process, as helpers of a program would be.
  constexpr int Children = 105;  // more than the 100 names a save tries
  for (int c = 0; c < Children; ++c) {
    const int Code = InChild([&] {
      const rlimit Max{1000, 1000};
      if (::setrlimit(RLIMIT_FSIZE, &Max) != 0) return 2;
      return ExpectSaveError(*Large, Path, "Disk full");
    });
    ASSERT_EQ(Code, 128 + SIGXFSZ) << "child " << c << " was not ended inside its write";
  }
  ExpectIntact(Path, Before, "after the killed saves");
  EXPECT_EQ(Dir.Entries().size(), Children + 1u) << "each killed save leaves its temporary file";
  const auto Last = LargeTask(1, 8);
  ASSERT_EQ(SaveError(*Last, Path), "");
  ExpectIntact(Path, PlanToText(*Last), "the save after the killed ones");
}

TEST(SaveFaults, TooManyOpenFiles) {
  TTempDir Dir;
  const std::string Path = Dir.File("plan.tsk");
  SavePlan(*SmallTask(), Path);
  const std::string Before = ReadBytes(Path);
  const auto Large = LargeTask(1, 3);
  auto Loaded = NewTask();
  const int Code = InChild([&] {
    rlimit Old{};
    if (::getrlimit(RLIMIT_NOFILE, &Old) != 0) return 2;
    const rlimit None{0, Old.rlim_max};
    // The message is read with the limit lifted again: the sanitizers' own
    // checks of that call need a file handle.
    std::string SaveMessage, LoadMessage;
    ::setrlimit(RLIMIT_NOFILE, &None);
    try {
      SavePlan(*Large, Path);
    } catch (const EPlanError& E) {
      ::setrlimit(RLIMIT_NOFILE, &Old);
      SaveMessage = E.what();
    }
    ::setrlimit(RLIMIT_NOFILE, &None);
    try {
      LoadPlan(*Loaded, Path);
    } catch (const EPlanError& E) {
      ::setrlimit(RLIMIT_NOFILE, &Old);
      LoadMessage = E.what();
    }
    return SaveMessage == "Too many open files" && LoadMessage == "Too many open files" ? 0 : 1;
  });
  EXPECT_EQ(Code, 0);
  ExpectIntact(Path, Before, "too many open files");
  EXPECT_EQ(Dir.Entries(), std::vector<std::string>{"plan.tsk"});
}

// Runs Body in a child that has given up the superuser's rights, so that
// permissions bind also where the tests run as root. Skips the test when
// the rights cannot be given up.
int WithoutPrivileges(const std::function<int()>& Body) {
  return InChild([&] {
    if (::geteuid() == 0) {
      const gid_t Nobody = 65534;
      if (::setgroups(0, nullptr) != 0 || ::setgid(Nobody) != 0 || ::setuid(Nobody) != 0)
        return CannotDropPrivileges;
    }
    return Body();
  });
}

TEST(SaveFaults, NoWritePermissionKeepsTheFile) {
  TTempDir Dir;
  // The folders are open to every user to pass through; the child that
  // saves is not the owner of the files.
  ::chmod(Dir.Path().c_str(), 0755);
  const std::string Locked = Dir.File("locked"), Open = Dir.File("open");
  std::filesystem::create_directory(Locked);
  std::filesystem::create_directory(Open);
  const auto Task = SmallTask();
  SavePlan(*Task, Locked + "/plan.tsk");
  SavePlan(*Task, Open + "/readonly.tsk");
  const std::string Before = ReadBytes(Locked + "/plan.tsk");
  ::chmod((Locked + "/plan.tsk").c_str(), 0666);
  ::chmod(Locked.c_str(), 0555);
  ::chmod((Open + "/readonly.tsk").c_str(), 0444);
  ::chmod(Open.c_str(), 0777);
  SavePlan(*Task, Open + "/secret.tsk");
  ::chmod((Open + "/secret.tsk").c_str(), 0);

  const auto Other = LargeTask(1, 4);
  const int Code = WithoutPrivileges([&] {
    if (ExpectSaveError(*Other, Locked + "/plan.tsk", "File access denied") != 0) return 1;
    if (ExpectSaveError(*Other, Locked + "/new.tsk", "File access denied") != 0) return 2;
    if (ExpectSaveError(*Other, Open + "/readonly.tsk", "File access denied") != 0) return 3;
    if (LoadError(Open + "/secret.tsk") != "File access denied") return 4;
    // The open folder itself takes a new file.
    return SaveError(*Other, Open + "/new.tsk").empty() ? 0 : 5;
  });
  if (Code == CannotDropPrivileges) GTEST_SKIP() << "cannot run a child without the superuser's rights";
  EXPECT_EQ(Code, 0) << "1: locked folder, 2: new file there, 3: read-only file, 4: unreadable file, 5: open folder";
  ::chmod(Locked.c_str(), 0755);
  ExpectIntact(Locked + "/plan.tsk", Before, "a folder without write permission");
  ExpectIntact(Open + "/readonly.tsk", Before, "a read-only file");
  EXPECT_EQ(TTempDir::EntriesOf(Locked), std::vector<std::string>{"plan.tsk"});
  EXPECT_EQ(TTempDir::EntriesOf(Open), (std::vector<std::string>{"new.tsk", "readonly.tsk", "secret.tsk"}));
}

TEST(SaveFaults, SystemFolderRefusesEvenTheSuperuser) {
  EXPECT_EQ(SaveError(*SmallTask(), "/sys/tavik-test.tsk"), "File access denied");
}

TEST(SaveFaults, ProcessKilledWhileSavingLeavesALoadableFile) {
  TTempDir Dir;
  const std::string Path = Dir.File("plan.tsk");
  // Two large tasks of different sizes that a child saves over and over.
  const auto First = LargeTask(30, 5), Second = LargeTask(24, 6);
  const std::string FirstBytes = PlanToText(*First), SecondBytes = PlanToText(*Second);
  SavePlan(*First, Path);

  std::mt19937 Random(20261209);
  int Kills = 0, LeftBehind = 0;
  for (; Kills < 60; ++Kills) {
    std::fflush(nullptr);
    const pid_t Child = ::fork();
    ASSERT_GE(Child, 0);
    if (Child == 0) {
      for (int k = 0;; ++k) SaveError(k % 2 ? *First : *Second, Path);
    }
    std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution<int>(0, 30000)(Random)));
    ::kill(Child, SIGKILL);
    int Status = 0;
    ::waitpid(Child, &Status, 0);
    ASSERT_TRUE(WIFSIGNALED(Status)) << "the child ended by itself";

    // The file is one whole save or the other, never a mixture.
    const std::string Bytes = ReadBytes(Path);
    ASSERT_TRUE(Bytes == FirstBytes || Bytes == SecondBytes) << "kill " << Kills << ": a file of " << Bytes.size()
                                                             << " bytes that is neither save";
    ASSERT_EQ(LoadError(Path), "") << "kill " << Kills;
    for (const std::string& Name : Dir.Entries()) LeftBehind += IsTemporary(Name);
  }
  // Some kills must have hit a save before its rename, or this tested little.
  EXPECT_GT(LeftBehind, 0) << "no kill landed in the middle of a save";

  // The next save copes with what the killed ones left, and clears it away.
  const auto Last = SmallTask();
  ASSERT_EQ(SaveError(*Last, Path), "");
  ExpectIntact(Path, PlanToText(*Last), "the save after the kills");
  EXPECT_EQ(Dir.Entries(), std::vector<std::string>{"plan.tsk"});
}

// This machine's name, or empty when it holds bytes that a temporary name
// would not carry as they are.
std::string PlainHostName() {
  char Name[256] = {};
  if (::gethostname(Name, sizeof Name - 1) != 0) return {};
  const std::string Host = Name;
  const bool Plain =
      !Host.empty() && Host.size() <= 64 &&
      Host.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-_.") == std::string::npos;
  return Plain ? Host : std::string();
}

TEST(SaveFaults, OnlyThisMachinesLeftoversOfTheSameFileAreCleared) {
  TTempDir Dir;
  const std::string Path = Dir.File("plan.tsk");
  // A save killed inside its write leaves its temporary file.
  pid_t Killed = 0;
  {
    std::fflush(nullptr);
    Killed = ::fork();
    ASSERT_GE(Killed, 0);
    if (Killed == 0) {
      const rlimit Max{1000, 1000};
      ::setrlimit(RLIMIT_FSIZE, &Max);
      SaveError(*LargeTask(1, 9), Path);
      ::_exit(0);
    }
    int Status = 0;
    ::waitpid(Killed, &Status, 0);
    ASSERT_TRUE(WIFSIGNALED(Status) && WTERMSIG(Status) == SIGXFSZ);
  }
  const std::vector<std::string> Left = Dir.Entries();
  ASSERT_EQ(Left.size(), 1u);
  const std::string Leftover = Left[0];
  // ".plan.tsk.<host>.<pid>-<8 hex digits>.tmp"
  const std::string PidPart = "." + std::to_string(Killed) + "-";
  const std::size_t PidAt = Leftover.rfind(PidPart);
  ASSERT_NE(PidAt, std::string::npos) << Leftover;
  ASSERT_EQ(Leftover.compare(0, 10, ".plan.tsk."), 0) << Leftover;
  ASSERT_EQ(Leftover.size(), PidAt + PidPart.size() + 8 + 4) << Leftover;
  const std::string Host = Leftover.substr(10, PidAt - 10);
  ASSERT_FALSE(Host.empty()) << Leftover;
  if (!PlainHostName().empty()) {
    EXPECT_EQ(Host, PlainHostName());
  }

  // The same name pattern from another machine, whose process ids mean
  // nothing here; the older name without a machine; this machine's save of
  // another file; a process that still runs; a name that is not a save's.
  const std::string Hex = Leftover.substr(PidAt + PidPart.size(), 8);
  const std::string Dead = std::to_string(Killed) + "-" + Hex + ".tmp";
  const std::string OtherMachine = ".plan.tsk.other-" + Host + "." + Dead;
  const std::string OtherDomain = ".plan.tsk." + Host + ".example." + Dead;
  const std::string NoMachine = ".plan.tsk." + Dead;
  const std::string OtherFile = ".other.tsk." + Host + "." + Dead;
  const std::string Running = ".plan.tsk." + Host + "." + std::to_string(::getppid()) + "-0123abcd.tmp";
  const std::string NotASave = ".plan.tsk." + Host + ".backup.tmp";
  std::vector<std::string> Kept{OtherMachine, OtherDomain, NoMachine, OtherFile, Running, NotASave};
  for (const std::string& Name : Kept) std::ofstream(Dir.File(Name)) << "x";

  ASSERT_EQ(SaveError(*SmallTask(), Path), "");
  Kept.push_back("plan.tsk");
  std::sort(Kept.begin(), Kept.end());
  EXPECT_EQ(Dir.Entries(), Kept);
}

}  // namespace
