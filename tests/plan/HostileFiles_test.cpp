// Task files made to hurt: lines without end, numbers at the edges of the
// double range, files that are not files, and loads one after another that
// must not see each other's values.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <functional>

#include "CalcPlan.h"
#include "support/TestData.h"

namespace {

using testdata::NewTask;
using testdata::ReadBytes;
using testdata::SaveError;
using testdata::TTempDir;

std::string LoadError(TPlan& Task, std::string_view Text) {
  return testdata::ErrorText([&] { PlanFromText(Task, Text); });
}

std::string LoadFileError(TPlan& Task, const std::string& Path) {
  return testdata::ErrorText([&] { LoadPlan(Task, Path); });
}

void WriteBytes(const std::string& Path, const std::string& Bytes) {
  std::ofstream Out(Path, std::ios::binary);
  Out << Bytes;
}

// A task with something in every table, a job with points and pieces, and
// values in the fields and entries that no file holds.
std::unique_ptr<TPlan> Filled() {
  auto Task = NewTask(2, 3, 0.5f);
  Task->PlanName = "before";
  Task->OwnerName = "owner";
  Task->RigidFlag = false;
  Task->TotalRate = 0.25f;
  for (int s = 1; s <= 3; ++s) AddSrcRect(*Task, TSrcRect{"sheet" + std::to_string(s), 1000 + s, 500, s});
  for (int i = 1; i <= 3; ++i) AddObjPlan(*Task, TObjPlan{"piece" + std::to_string(i), 100 + i, 50, 2, 4, i != 2});
  Task->JobCount = 2;
  for (int j = 1; j <= 2; ++j) {
    TJob& Job = Task->Jobs[j];
    Job.SheetNo = j;
    Job.Rate = 0.5f + 0.25f * static_cast<float>(j);
    Job.Count = 1;
    Job.PointCount = 4;
    for (int k = 1; k <= 4; ++k) Job.Points[k] = {10 * k, 20 * k, pkMinMax};
    Job.RectCount = 2;
    Job.Rects[1] = {1, 0, 0, 0};
    Job.Rects[2] = {3, 101, 0, 1};
  }
  Task->SrcRects[MaxSrcRects].Name = "last sheet";
  Task->ObjPlans[MaxObjPlans].Name = "last piece";
  Task->Jobs[MaxJobs].SheetNo = 77;
  return Task;
}

// Six setting lines, then one sheet whose name is Name.
std::string OneSheetNamed(const std::string& Name) {
  return "1\r\n0\r\n0\r\n0\r\n1\r\n1\r\n" + Name + "\r\n10\r\n20\r\nplan\r\n";
}

// ------------------------------------------------------------ lines

TEST(LongLines, ALineMayHoldTheLimitButNotOneByteMore) {
  const std::string Longest(MaxLineBytes, 'n');
  auto Task = Filled();
  ASSERT_EQ(LoadError(*Task, OneSheetNamed(Longest)), "");
  EXPECT_EQ(Task->SrcRects[1].Name, Longest);
  EXPECT_EQ(Task->SrcRects[1].Width, 20);

  // Every kind of line: texts, a number line with words after the number,
  // blanks before a number, the lines of the extras block.
  const std::string Over(MaxLineBytes + 1, 'n');
  const std::string Setting = "1\r\n0\r\n0\r\n0\r\n1\r\n";
  const std::string Classic = "0\r\n0\r\n0\r\n0\r\n1\r\n1\r\n";
  const std::string Cases[] = {
      OneSheetNamed(Over),
      OneSheetNamed(Longest + "\r"),  // a CR inside the text, not at its end
      "0\r\n1\r\n0\r\n0\r\n1\r\n1\r\n" + Over + "\r\n",
      Classic + Over + "\r\n",
      Classic + "plan\r\n0\r\n" + Over + "\r\n",
      Classic + "plan\r\n0\r\nowner\r\n" + Over,
      Setting + "1 " + Over + "\r\n",
      Setting + std::string(MaxLineBytes + 1, ' ') + "1\r\n",
      Classic + "plan\r\n0\r\n\r\n\r\n[Tavik Vadi extras]\r\n3\r\n0\r\n0\r\n1\r\n" + Over + "\r\n",
  };
  for (const std::string& Text : Cases) {
    const std::string Before = PlanToText(*Task);
    EXPECT_EQ(LoadError(*Task, Text), PlanMessages::RangeCheck) << Text.substr(0, 60);
    EXPECT_EQ(PlanToText(*Task), Before) << "a refused line changed the task";
  }

  // The line end does not count, with or without its CR, also at the end
  // of the file.
  for (const char* End : {"\n", "\r\n", "", "\r"}) {
    auto Other = NewTask();
    ASSERT_EQ(LoadError(*Other, "0\r\n0\r\n0\r\n0\r\n1\r\n1\r\n" + Longest + End), "") << "end " << End;
    EXPECT_EQ(Other->PlanName, Longest);
  }
}

TEST(LongLines, AFileIsReadInBlocksWithTheSameLimit) {
  // The file is read 64 KB at a time: the limit falls on a block's edge.
  TTempDir Dir;
  for (std::size_t Name : {MaxLineBytes - 1, MaxLineBytes, MaxLineBytes + 1, 3 * MaxLineBytes}) {
    const std::string Path = Dir.File("long.tsk");
    WriteBytes(Path, OneSheetNamed(std::string(Name, 'x')));
    auto Task = Filled();
    const std::string Before = PlanToText(*Task);
    const std::string Error = LoadFileError(*Task, Path);
    if (Name <= MaxLineBytes) {
      EXPECT_EQ(Error, "") << Name;
      EXPECT_EQ(Task->SrcRects[1].Name.size(), Name);
    } else {
      EXPECT_EQ(Error, PlanMessages::RangeCheck) << Name;
      EXPECT_EQ(PlanToText(*Task), Before);
    }
  }
}

TEST(LongLines, WhatFollowsTheClassicLinesIsNotReadHoweverLong) {
  auto Task = NewTask();
  const std::string Classic = "1\r\n0\r\n0\r\n0\r\n1\r\n1\r\nS\r\n10\r\n20\r\nplan\r\n0\r\nowner\r\ncode\r\n";
  EXPECT_EQ(LoadError(*Task, Classic + std::string(3 * MaxLineBytes, '#') + "\r\n"), "");
  EXPECT_EQ(LoadError(*Task, Classic + "[Tavik Vadi extras]" + std::string(3 * MaxLineBytes, ' ')), "");
  EXPECT_EQ(Task->OwnerCode, "code");
}

TEST(LongLines, ATaskThatCouldNotBeReadBackIsNotSaved) {
  TTempDir Dir;
  const std::string Path = Dir.File("plan.tsk");
  auto Task = Filled();
  SavePlan(*Task, Path);
  const std::string Before = ReadBytes(Path);

  // The longest name there may be is saved and read back.
  auto Longest = Filled();
  Longest->ObjPlans[2].Name = std::string(MaxLineBytes, 'a');
  ASSERT_EQ(SaveError(*Longest, Dir.File("longest.tsk")), "");
  auto Loaded = NewTask();
  LoadPlan(*Loaded, Dir.File("longest.tsk"));
  EXPECT_EQ(PlanToText(*Loaded), PlanToText(*Longest));

  for (auto Spoil : std::initializer_list<std::function<void(TPlan&)>>{
           [](TPlan& T) { T.SrcRects[3].Name = std::string(MaxLineBytes + 1, 's'); },
           [](TPlan& T) { T.ObjPlans[1].Name = std::string(MaxLineBytes + 1, 'p'); },
           [](TPlan& T) { T.PlanName = std::string(MaxLineBytes + 1, 'n'); },
           [](TPlan& T) { T.OwnerName = std::string(MaxLineBytes + 1, 'o'); },
           [](TPlan& T) { T.OwnerCode = std::string(MaxLineBytes + 1, 'c'); },
           // A line feed would move every later value to another line.
           [](TPlan& T) { T.SrcRects[1].Name = "two\nlines"; },
           [](TPlan& T) { T.PlanName = "plan\n"; },
       }) {
    auto Bad = Filled();
    Spoil(*Bad);
    EXPECT_EQ(SaveError(*Bad, Path), PlanMessages::RangeCheck);
    EXPECT_EQ(ReadBytes(Path), Before);
    EXPECT_EQ(SaveError(*Bad, Dir.File("new.tsk")), PlanMessages::RangeCheck);
  }
  EXPECT_EQ(Dir.Entries(), (std::vector<std::string>{"longest.tsk", "plan.tsk"}));

  // Entries above the counts are not part of the task and not looked at.
  Task->SrcRects[50].Name = std::string(MaxLineBytes + 1, 'x');
  EXPECT_EQ(SaveError(*Task, Path), "");
}

// ------------------------------------------------------------ numbers

TEST(FloatEdges, AValueBelowTheSmallestSubnormalIsZero) {
  auto Task = NewTask();
  const auto Read = [&](const std::string& Rate, const std::string& Date) {
    Task->ExpectedRate = 0.5f;
    Task->PlanDate = 1;
    return LoadError(*Task, "0\r\n0\r\n0\r\n0\r\n" + Rate + "\r\n1\r\nplan\r\n" + Date + "\r\n");
  };
  for (const char* Tiny : {"1E-0400", "-1E-0400", " 1.00000000000000E-0400", "2E-324", "1000E-0400",
                           "0.0001E-0320", "1e-99999999999999999999"}) {
    ASSERT_EQ(Read(Tiny, Tiny), "") << Tiny;
    EXPECT_EQ(Task->ExpectedRate, 0.0f) << Tiny;
    EXPECT_EQ(Task->PlanDate, 0.0) << Tiny;
    EXPECT_EQ(PlanToText(*Task).substr(12, 23), " 0.00000000000000E+0000") << Tiny;
  }
  // Subnormals are values of their own.
  ASSERT_EQ(Read("1E-0040", "3E-0324"), "");
  EXPECT_EQ(Task->ExpectedRate, 1e-40f);
  EXPECT_EQ(Task->PlanDate, std::nextafter(0.0, 1.0));
  ASSERT_EQ(Read("0", "2.2250738585072014E-0308"), "");
  EXPECT_EQ(Task->PlanDate, 2.2250738585072014e-308);

  // Too large is still no number, however written.
  for (const char* Huge : {"1E+0400", "1e309", "0.0001E+0313", "1e99999999999999999999", "-1E+0400"}) {
    EXPECT_EQ(Read("1", Huge), PlanMessages::InvalidNumeric) << Huge;
    EXPECT_EQ(Task->ExpectedRate, 0.5f) << "a failed load changed the task";
    EXPECT_EQ(Task->PlanDate, 1.0);
  }
  EXPECT_EQ(Read("1E+0039", "0"), PlanMessages::InvalidNumeric) << "beyond a single";
  EXPECT_EQ(Read("1E-0400x", "0"), PlanMessages::InvalidNumeric) << "still a number's shape";
}

// ------------------------------------------------------------ not files

// Runs Body in a child that an alarm ends after a few seconds, so that an
// operation that blocks fails the test instead of hanging it. Returns the
// child's exit code, or 128 plus the signal that ended it.
int WithinSeconds(unsigned Seconds, const std::function<int()>& Body) {
  std::fflush(nullptr);
  const pid_t Child = ::fork();
  if (Child == 0) {
    ::alarm(Seconds);
    ::_exit(Body());
  }
  int Status = 0;
  ::waitpid(Child, &Status, 0);
  return WIFEXITED(Status) ? WEXITSTATUS(Status) : 128 + WTERMSIG(Status);
}

TEST(NotAFile, PipesAndSocketsAreRefusedWithoutWaiting) {
  TTempDir Dir;
  const std::string Fifo = Dir.File("pipe.tsk"), Socket = Dir.File("socket.tsk");
  ASSERT_EQ(::mkfifo(Fifo.c_str(), 0600), 0);
  const int Listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(Listener, 0);
  sockaddr_un Address{};
  Address.sun_family = AF_UNIX;
  ASSERT_LT(Socket.size(), sizeof Address.sun_path);
  std::snprintf(Address.sun_path, sizeof Address.sun_path, "%s", Socket.c_str());
  ASSERT_EQ(::bind(Listener, reinterpret_cast<const sockaddr*>(&Address), sizeof Address), 0);
  ::symlink("pipe.tsk", Dir.File("to-pipe.tsk").c_str());

  const auto Task = Filled();
  const std::string Before = PlanToText(*Task);
  const int Code = WithinSeconds(10, [&] {
    int Failed = 0;
    for (const std::string& Path : {Fifo, Socket, Dir.File("to-pipe.tsk")}) {
      auto Loaded = Filled();
      if (LoadFileError(*Loaded, Path) != PlanMessages::AccessDenied || PlanToText(*Loaded) != Before) Failed |= 1;
      if (SaveError(*Task, Path) != PlanMessages::AccessDenied) Failed |= 2;
    }
    return Failed;
  });
  ::close(Listener);
  EXPECT_EQ(Code, 0) << "1: a load, 2: a save was not refused; " << 128 + SIGALRM << ": it waited";
  struct stat St {};
  ASSERT_EQ(::lstat(Fifo.c_str(), &St), 0);
  EXPECT_TRUE(S_ISFIFO(St.st_mode)) << "the pipe was replaced";
  ASSERT_EQ(::lstat(Socket.c_str(), &St), 0);
  EXPECT_TRUE(S_ISSOCK(St.st_mode)) << "the socket was replaced";
  EXPECT_EQ(Dir.Entries(), (std::vector<std::string>{"pipe.tsk", "socket.tsk", "to-pipe.tsk"}));
}

TEST(NotAFile, TheNullDeviceStillTakesASave) {
  EXPECT_EQ(SaveError(*Filled(), "/dev/null"), "");
  auto Task = Filled();
  EXPECT_EQ(LoadFileError(*Task, "/dev/null"), PlanMessages::AccessDenied);
}

// ------------------------------------------------------------ one load after another

TEST(LoadAfterLoad, AnEarlierLoadLeavesNothingInTheNext) {
  // A large file first, into one task; then a small one into another task.
  // What the second task does not get from its file is its own, never the
  // first file's.
  auto Large = Filled();
  for (int s = 4; s <= 9; ++s) AddSrcRect(*Large, TSrcRect{"big" + std::to_string(s), 9000, 9000, 9});
  Large->Jobs[1].PointCount = 30;
  for (int k = 1; k <= 30; ++k) Large->Jobs[1].Points[k] = {999, 999, pkDead};
  Large->PlanName = "large";
  auto First = NewTask();
  PlanFromText(*First, PlanToText(*Large));
  ASSERT_EQ(PlanToText(*First), PlanToText(*Large));

  auto Second = Filled();
  const auto Own = Filled();
  // One sheet, one piece, one job with one point, and the file ends there.
  PlanFromText(*Second,
               "1\r\n1\r\n1\r\n0\r\n1\r\n1\r\nS\r\n10\r\n20\r\nP\r\n1\r\n2\r\n3\r\n4\r\n"
               "1\r\n1\r\n1\r\n5\r\n6\r\n2\r\n0\r\n");
  EXPECT_EQ(Second->SrcCount, 1);
  EXPECT_EQ(Second->SrcRects[1].Stock, 0) << "without the block, no stock limit";
  EXPECT_TRUE(Second->ObjPlans[1].MayTurn);
  for (int s = 2; s <= 9; ++s) {
    EXPECT_EQ(Second->SrcRects[s].Name, Own->SrcRects[s].Name) << s;
    EXPECT_EQ(Second->SrcRects[s].Stock, Own->SrcRects[s].Stock) << s;
  }
  EXPECT_EQ(Second->ObjPlans[2].Name, "piece2");
  EXPECT_FALSE(Second->ObjPlans[2].MayTurn) << "an entry above the count keeps its lock";
  const TJob& Job = Second->Jobs[1];
  EXPECT_EQ(Job.PointCount, 1);
  EXPECT_EQ(Job.Points[1].X, 5);
  EXPECT_EQ(Job.Points[1].Kind, 2);
  EXPECT_EQ(Job.RectCount, 0);
  for (int k = 2; k <= 30; ++k) EXPECT_EQ(Job.Points[k].X, Own->Jobs[1].Points[k].X) << "point " << k;
  EXPECT_EQ(Job.Rects[2].ObjNo, 3) << "a placed piece above the count is kept";
  EXPECT_EQ(Job.Rate, Own->Jobs[1].Rate) << "the rate is not in the file";
  EXPECT_EQ(Second->Jobs[2].SheetNo, 2);
  EXPECT_EQ(Second->Jobs[MaxJobs].SheetNo, 77);
  EXPECT_EQ(Second->SrcRects[MaxSrcRects].Name, "last sheet");
  EXPECT_FALSE(Second->RigidFlag);
  EXPECT_EQ(Second->TotalRate, 0.25f);
  EXPECT_EQ(Second->PlanName, "");
  EXPECT_EQ(Second->OwnerName, "");

  // A load that fails at its very end, after a successful one, changes
  // nothing, and the task the successful one filled is its own.
  const std::string SecondText = PlanToText(*Second);
  std::string Cut = PlanToText(*Large);
  ASSERT_EQ(Cut.substr(Cut.size() - 3), "9\r\n") << "the stock of the last sheet ends the file";
  Cut.resize(Cut.size() - 3);
  EXPECT_EQ(LoadError(*Second, Cut), PlanMessages::RangeCheck);
  EXPECT_EQ(PlanToText(*Second), SecondText);
  EXPECT_EQ(PlanToText(*First), PlanToText(*Large));
}

}  // namespace
