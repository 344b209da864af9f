// The task file: exact bytes written, the reading rules, and what a failed
// load or save leaves behind.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cfloat>
#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "CalcPlan.h"
#include "support/TestData.h"

namespace {

using testdata::NewTask;
using testdata::ReadBytes;
using testdata::TTempDir;

// 2024-03-15 08:30 as a day count from 1899-12-30.
constexpr double MarchFifteenth = 45366.0 + 8.5 / 24.0;

std::unique_ptr<TPlan> WorkedExample() {
  auto Task = NewTask();
  Task->PlanName = "\xB0\xE5\xB2\xC4\xC7\xD0\xB8\xEE\xBC\xC6\xBB\xAE";  // 板材切割计划 in GBK
  Task->PlanDate = MarchFifteenth;
  AddSrcRect(*Task, TSrcRect{"A", 2440, 1220});
  AddObjPlan(*Task, TObjPlan{"P1", 600, 400, 10, 10});
  return Task;
}

const std::string WorkedExampleText =
    "1\r\n1\r\n0\r\n0\r\n 1.00000000000000E+0000\r\n1\r\n"
    "A\r\n2440\r\n1220\r\n"
    "P1\r\n600\r\n400\r\n10\r\n10\r\n"
    "\xB0\xE5\xB2\xC4\xC7\xD0\xB8\xEE\xBC\xC6\xBB\xAE\r\n 4.53663541666667E+0004\r\n\r\n\r\n";

using testdata::SaveError;

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

TEST(TaskFileWrite, WorkedExampleIsEighteenExactLines) {
  auto Task = WorkedExample();
  EXPECT_EQ(PlanToText(*Task), WorkedExampleText);
  TTempDir Dir;
  SavePlan(*Task, Dir.File("a.tsk"));
  EXPECT_EQ(ReadBytes(Dir.File("a.tsk")), WorkedExampleText);
}

TEST(TaskFileWrite, EmptyTaskIsTenLines) {
  auto Task = NewTask(3, 5, 0.5f);
  EXPECT_EQ(PlanToText(*Task),
            "0\r\n0\r\n0\r\n5\r\n 5.00000000000000E-0001\r\n3\r\n\r\n 0.00000000000000E+0000\r\n\r\n\r\n");
}

TEST(TaskFileWrite, FormFRoundsTheExactValueHalfUp) {
  EXPECT_EQ(FormatFloatF(0.0), " 0.00000000000000E+0000");
  EXPECT_EQ(FormatFloatF(1.0), " 1.00000000000000E+0000");
  EXPECT_EQ(FormatFloatF(0.8f), " 8.00000011920929E-0001");
  EXPECT_EQ(FormatFloatF(0.9f), " 8.99999976158142E-0001");
  EXPECT_EQ(FormatFloatF(0.85f), " 8.50000023841858E-0001");
  EXPECT_EQ(FormatFloatF(MarchFifteenth), " 4.53663541666667E+0004");
  EXPECT_EQ(FormatFloatF(-2.5), "-2.50000000000000E+0000");
  // Exact integers with 16 digits: the 16th digit alone decides, and a 5
  // there rounds up whatever the 15th is (half-even or truncation differ).
  EXPECT_EQ(FormatFloatF(1234567890123445.0), " 1.23456789012345E+0015");
  EXPECT_EQ(FormatFloatF(1234567890123454.0), " 1.23456789012345E+0015");
  // Rounding carries into the exponent.
  EXPECT_EQ(FormatFloatF(9999999999999995.0), " 1.00000000000000E+0016");
  EXPECT_EQ(FormatFloatF(1e-300), " 1.00000000000000E-0300");
  for (double V : {0.8, 1.0 / 3, 45366.354166666664, 1e10, 123.456})
    EXPECT_EQ(FormatFloatF(V).size(), 23u) << V;
}

// Form F the slow and plain way: the first 15 significant digits of the
// exact expansion (800 digits print any double exactly), a 5 or more in the
// 16th rounding the magnitude up.
std::string PlainFormF(double Value) {
  if (Value == 0) return " 0.00000000000000E+0000";
  char Buf[1100];
  std::snprintf(Buf, sizeof Buf, "%.800e", std::fabs(Value));
  std::string Digits = std::string(1, Buf[0]) + std::string(Buf + 2, 14);
  int Exponent = std::atoi(std::strchr(Buf, 'e') + 1);
  if (Buf[16] >= '5') {
    int k = 14;
    while (k >= 0 && Digits[static_cast<std::size_t>(k)] == '9') Digits[static_cast<std::size_t>(k--)] = '0';
    if (k >= 0) {
      ++Digits[static_cast<std::size_t>(k)];
    } else {
      Digits = "1" + Digits.substr(0, 14);
      ++Exponent;
    }
  }
  char Out[40];
  std::snprintf(Out, sizeof Out, "%c%c.%.14sE%c%04d", Value < 0 ? '-' : ' ', Digits[0], Digits.c_str() + 1,
                Exponent < 0 ? '-' : '+', std::abs(Exponent));
  return Out;
}

TEST(TaskFileWrite, FormFAgreesWithTheWholeExpansion) {
  std::mt19937_64 Random(20240315);
  std::vector<double> Values = {DBL_MIN, DBL_MAX, -DBL_MAX, DBL_TRUE_MIN, 3 * DBL_TRUE_MIN, FLT_MIN, FLT_MAX, 0.1,
                                1e22, 1e23, 9007199254740993.0, 0.8f, 0.85f, 45366.354166666664};
  for (int k = 0; k < 20000; ++k) {
    std::uint64_t Bits = Random();
    double Value = 0;
    std::memcpy(&Value, &Bits, sizeof Value);
    if (std::isfinite(Value)) Values.push_back(Value);
    Values.push_back(std::ldexp(static_cast<double>(Random() >> 11), static_cast<int>(Random() % 200) - 150));
    Values.push_back(static_cast<float>(static_cast<double>(Random() % 1000000) / 1e6));
    Values.push_back(static_cast<double>(Random() % 100000) + static_cast<double>(Random() % 86400) / 86400.0);
  }
  // Values whose 16th digit is followed by a long run of nines or zeros.
  for (double V = 1; V < 1e300; V *= 10) Values.insert(Values.end(), {std::nextafter(V, 0.0), V, std::nextafter(V, 2 * V)});
  for (const double V : Values) ASSERT_EQ(FormatFloatF(V), PlainFormF(V)) << std::hexfloat << V;
}

TEST(TaskFileWrite, TextsAreWrittenAsTheirBytes) {
  auto Task = NewTask();
  AddSrcRect(*Task, TSrcRect{"  leading and trailing  ", 1, 2});
  auto Loaded = NewTask();
  PlanFromText(*Loaded, PlanToText(*Task));
  EXPECT_EQ(Loaded->SrcRects[1].Name, "  leading and trailing  ");
}

TEST(TaskFileRead, WorkedExampleRoundTripsEveryStoredField) {
  auto Task = WorkedExample();
  Task->KnifeWidth = -7;
  Task->ExpectedRate = 0.85f;
  Task->OwnerName = "owner";
  Task->OwnerCode = "code";
  Task->JobCount = 1;
  TJob& Job = Task->Jobs[1];
  Job.SheetNo = 1;
  Job.Count = 3;
  Job.PointCount = 2;
  Job.Points[1] = {600, 0, pkMinMin};
  Job.Points[2] = {0, 400, pkDead};
  Job.RectCount = 1;
  Job.Rects[1] = {1, 0, 0, 1};
  auto Loaded = NewTask();
  PlanFromText(*Loaded, PlanToText(*Task));
  EXPECT_EQ(PlanToText(*Loaded), PlanToText(*Task));
  EXPECT_EQ(Loaded->ExpectedRate, 0.85f);
  EXPECT_EQ(Loaded->KnifeWidth, -7);
  EXPECT_EQ(Loaded->Jobs[1].Points[2].Kind, pkDead);
  EXPECT_EQ(Loaded->Jobs[1].Rects[1].Rotated, 1);
}

TEST(TaskFileRead, BlanksEmptyLinesWordsAfterNumbersAndBareLineFeeds) {
  auto Task = NewTask();
  PlanFromText(*Task,
               "\n\n 2 sheets\n0\t\n0\n\n  12 knife\n0.5\n1 depth\n"
               "  named  \n100 long\n50\n"
               "B\n+7\n8\n"
               "plan\n45366.5\n");
  EXPECT_EQ(Task->SrcCount, 2);
  EXPECT_EQ(Task->KnifeWidth, 12);
  EXPECT_EQ(Task->ExpectedRate, 0.5f);
  EXPECT_EQ(Task->SrcRects[1].Name, "  named  ");
  EXPECT_EQ(Task->SrcRects[1].Length, 100);
  EXPECT_EQ(Task->SrcRects[2].Length, 7);
  EXPECT_EQ(Task->PlanName, "plan");
  EXPECT_EQ(Task->PlanDate, 45366.5);
  // The file ended: the owner texts are empty, without an error.
  EXPECT_EQ(Task->OwnerName, "");
}

TEST(TaskFileRead, EmptyLineWhereATextIsExpectedGivesAnEmptyText) {
  auto Task = NewTask();
  PlanFromText(*Task, "1\r\n0\r\n0\r\n0\r\n1\r\n1\r\n\r\n5\r\n6\r\n");
  EXPECT_EQ(Task->SrcRects[1].Name, "");
  EXPECT_EQ(Task->SrcRects[1].Length, 5);
}

TEST(TaskFileRead, TruncatedFileReadsAsZerosAndEmptyTexts) {
  auto Task = NewTask();
  Task->PlanName = "old";
  Task->PlanDate = 5;
  PlanFromText(*Task, "1\r\n1\r\n0\r\n0\r\n 1.0E+0000\r\n1\r\nS\r\n100");
  EXPECT_EQ(Task->SrcRects[1].Length, 100);
  EXPECT_EQ(Task->SrcRects[1].Width, 0);
  EXPECT_EQ(Task->ObjCount, 1);
  EXPECT_EQ(Task->ObjPlans[1].Name, "");
  EXPECT_EQ(Task->ObjPlans[1].Quantity, 0);
  EXPECT_EQ(Task->PlanName, "");
  EXPECT_EQ(Task->PlanDate, 0);
}

TEST(TaskFileRead, FieldsNotInTheFileKeepTheirValues) {
  auto Task = NewTask();
  Task->RigidFlag = false;
  Task->TotalRate = 0.25f;
  Task->JobCount = 5;
  Task->Jobs[4].SheetNo = 9;
  Task->Jobs[1].Rate = 0.75f;
  auto Source = WorkedExample();
  Source->JobCount = 1;
  Source->Jobs[1] = TJob{};
  Source->Jobs[1].SheetNo = 1;
  Source->Jobs[1].Count = 1;
  PlanFromText(*Task, PlanToText(*Source));
  EXPECT_FALSE(Task->RigidFlag);
  EXPECT_EQ(Task->TotalRate, 0.25f);
  EXPECT_EQ(Task->JobCount, 1);
  EXPECT_EQ(Task->Jobs[4].SheetNo, 9) << "entries above the count are kept";
  EXPECT_EQ(Task->Jobs[1].Rate, 0.75f);
}

TEST(TaskFileRead, KindAndRotatedKeepTheLowEightBits) {
  auto Task = NewTask();
  PlanFromText(*Task,
               "1\r\n1\r\n1\r\n0\r\n1\r\n1\r\nS\r\n10\r\n10\r\nP\r\n1\r\n1\r\n1\r\n1\r\n"
               "1\r\n1\r\n1\r\n0\r\n0\r\n260\r\n1\r\n1\r\n0\r\n0\r\n-255\r\n");
  EXPECT_EQ(Task->Jobs[1].Points[1].Kind, pkDead);
  EXPECT_EQ(Task->Jobs[1].Rects[1].Rotated, 1);
}

TEST(TaskFileRead, NegativeCountReadsNothingAndIsZero) {
  auto Task = NewTask();
  PlanFromText(*Task, "-3\r\n0\r\n0\r\n0\r\n1\r\n1\r\nname\r\n");
  EXPECT_EQ(Task->SrcCount, 0);
  EXPECT_EQ(Task->PlanName, "name");
}

TEST(TaskFileRead, BadInputFailsWithItsMessageAndLeavesTheTaskAsItWas) {
  struct TBad {
    const char* What;
    std::string Text;
    const char* Message;
  };
  const TBad Cases[] = {
      {"digits then letters", "1\r\n0\r\n0\r\n0\r\n1\r\n7x\r\n", "Invalid numeric input"},
      {"GBK bytes after digits", "1\r\n0\r\n0\r\n0\r\n1\r\n1\r\nS\r\n12\xC3\xD7\r\n", "Invalid numeric input"},
      {"sign alone", "-\r\n", "Invalid numeric input"},
      {"float with a comma", "0\r\n0\r\n0\r\n0\r\n0,5\r\n", "Invalid numeric input"},
      {"float written as inf", "0\r\n0\r\n0\r\n0\r\ninf\r\n", "Invalid numeric input"},
      {"expected rate beyond a single", "0\r\n0\r\n0\r\n0\r\n1e39\r\n", "Invalid numeric input"},
      {"count beyond 32 bits", "2147483648\r\n", "Invalid numeric input"},
      {"length beyond 64 bits", "1\r\n0\r\n0\r\n9223372036854775808\r\n", "Invalid numeric input"},
      {"101 sheets", "101\r\n0\r\n0\r\n0\r\n1\r\n1\r\n", "Range check error"},
      {"101 pieces", "0\r\n101\r\n0\r\n0\r\n1\r\n1\r\n", "Range check error"},
      {"101 jobs", "0\r\n0\r\n101\r\n0\r\n1\r\n1\r\n", "Range check error"},
      {"job on sheet 2 of 1", "1\r\n0\r\n1\r\n0\r\n1\r\n1\r\nS\r\n1\r\n1\r\n2\r\n1\r\n0\r\n0\r\n",
       "Range check error"},
      {"job on sheet 0", "1\r\n0\r\n1\r\n0\r\n1\r\n1\r\nS\r\n1\r\n1\r\n0\r\n1\r\n0\r\n0\r\n", "Range check error"},
      {"piece 2 of 1",
       "1\r\n1\r\n1\r\n0\r\n1\r\n1\r\nS\r\n1\r\n1\r\nP\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n0\r\n1\r\n2\r\n0\r\n0\r\n0\r\n",
       "Range check error"},
      {"501 points", "1\r\n0\r\n1\r\n0\r\n1\r\n1\r\nS\r\n1\r\n1\r\n1\r\n1\r\n501\r\n", "Range check error"},
      {"201 placed pieces", "1\r\n0\r\n1\r\n0\r\n1\r\n1\r\nS\r\n1\r\n1\r\n1\r\n1\r\n0\r\n201\r\n",
       "Range check error"},
  };
  for (const TBad& C : Cases) {
    auto Task = WorkedExample();
    const std::string Before = PlanToText(*Task);
    EXPECT_EQ(LoadError(*Task, C.Text), C.Message) << C.What;
    EXPECT_EQ(PlanToText(*Task), Before) << C.What << ": a failed load changed the task";
  }
}

TEST(TaskFileRead, LargestValuesOfEachWidthAreNumbers) {
  auto Task = NewTask();
  PlanFromText(*Task, "0\r\n0\r\n0\r\n-9223372036854775808\r\n1\r\n2147483647\r\n");
  EXPECT_EQ(Task->KnifeWidth, INT64_MIN);
  EXPECT_EQ(Task->SearchDepth, INT32_MAX);
  // The largest single, as the file writes it, and back.
  PlanFromText(*Task, "0\r\n0\r\n0\r\n0\r\n-3.40282346638529E+0038\r\n");
  EXPECT_EQ(Task->ExpectedRate, -FLT_MAX);
  EXPECT_EQ(FormatFloatF(Task->ExpectedRate), "-3.40282346638529E+0038");
}

TEST(TaskFileFailures, MissingFilesFoldersAndNamesGetTheirMessages) {
  TTempDir Dir;
  auto Task = WorkedExample();
  const std::string Before = PlanToText(*Task);
  EXPECT_EQ(LoadFileError(*Task, Dir.File("missing.tsk")), "File not found");
  EXPECT_EQ(LoadFileError(*Task, Dir.File("no-folder/a.tsk")), "Invalid filename");
  EXPECT_EQ(LoadFileError(*Task, ""), "Invalid filename");
  EXPECT_EQ(LoadFileError(*Task, Dir.Path()), "File access denied") << "a folder in place of a file";
  EXPECT_EQ(LoadFileError(*Task, "/dev/zero"), "File access denied") << "a device that never ends";
  WriteBytes(Dir.File("plain"), "x");
  EXPECT_EQ(LoadFileError(*Task, Dir.File("plain/a.tsk")), "Invalid filename") << "a file in place of a folder";
  EXPECT_EQ(PlanToText(*Task), Before);

  EXPECT_EQ(SaveError(*Task, Dir.File("no-folder/a.tsk")), "Invalid filename");
  EXPECT_EQ(SaveError(*Task, Dir.Path()), "File access denied");
  EXPECT_EQ(SaveError(*Task, "/sys/tavik-test.tsk"), "File access denied");
  EXPECT_EQ(SaveError(*Task, "/dev/full"), "Disk full");
  EXPECT_EQ(Dir.Entries(), std::vector<std::string>{"plain"}) << "a failed save left a file behind";
}

TEST(TaskFileFailures, UnreadableFileAndReadOnlyFolder) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
  TTempDir Dir;
  auto Task = WorkedExample();
  SavePlan(*Task, Dir.File("a.tsk"));
  ::chmod(Dir.File("a.tsk").c_str(), 0);
  EXPECT_EQ(LoadFileError(*Task, Dir.File("a.tsk")), "File access denied");
  ::chmod(Dir.File("a.tsk").c_str(), 0644);
  ::chmod(Dir.Path().c_str(), 0555);
  EXPECT_EQ(SaveError(*Task, Dir.File("a.tsk")), "File access denied");
  ::chmod(Dir.Path().c_str(), 0755);
  EXPECT_EQ(ReadBytes(Dir.File("a.tsk")), PlanToText(*Task));
}

TEST(TaskFileFailures, SaveThatFillsTheDiskKeepsThePreviousFile) {
  TTempDir Dir;
  const std::string Path = Dir.File("plan.tsk");
  auto Small = WorkedExample();
  SavePlan(*Small, Path);
  const std::string Previous = ReadBytes(Path);

  // A large task written by a child whose file size limit is below its size:
  // the write fails part-way as on a full disk.
  auto Large = WorkedExample();
  Large->JobCount = 1;
  Large->Jobs[1].SheetNo = 1;
  Large->Jobs[1].Count = 1;
  Large->Jobs[1].PointCount = MaxPoints;
  const pid_t Child = ::fork();
  ASSERT_GE(Child, 0);
  if (Child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit Limit{1000, 1000};
    ::setrlimit(RLIMIT_FSIZE, &Limit);
    const std::string Message = SaveError(*Large, Path);
    ::_exit(Message == "Disk full" ? 0 : 1);
  }
  int Status = 0;
  ::waitpid(Child, &Status, 0);
  ASSERT_TRUE(WIFEXITED(Status));
  EXPECT_EQ(WEXITSTATUS(Status), 0) << "the child did not see \"Disk full\"";
  EXPECT_EQ(ReadBytes(Path), Previous);
  EXPECT_EQ(Dir.Entries(), std::vector<std::string>{"plan.tsk"});
}

TEST(TaskFileSave, ReplacesTheFileAndKeepsItsPermissions) {
  TTempDir Dir;
  const std::string Path = Dir.File("plan.tsk");
  auto Task = WorkedExample();
  SavePlan(*Task, Path);
  ::chmod(Path.c_str(), 0640);
  Task->PlanName = "second";
  SavePlan(*Task, Path);
  struct stat St {};
  ASSERT_EQ(::stat(Path.c_str(), &St), 0);
  EXPECT_EQ(St.st_mode & 0777, 0640u);
  auto Loaded = NewTask();
  LoadPlan(*Loaded, Path);
  EXPECT_EQ(Loaded->PlanName, "second");
  EXPECT_EQ(Dir.Entries(), std::vector<std::string>{"plan.tsk"});
}

TEST(TaskFileSave, SavesThroughALinkIntoItsTarget) {
  TTempDir Dir;
  auto Task = WorkedExample();
  SavePlan(*Task, Dir.File("real.tsk"));
  std::filesystem::create_symlink("real.tsk", Dir.File("link.tsk"));
  Task->PlanName = "through the link";
  SavePlan(*Task, Dir.File("link.tsk"));
  EXPECT_TRUE(std::filesystem::is_symlink(Dir.File("link.tsk")));
  auto Loaded = NewTask();
  LoadPlan(*Loaded, Dir.File("real.tsk"));
  EXPECT_EQ(Loaded->PlanName, "through the link");

  // A link to a file that does not exist yet creates that file.
  std::filesystem::create_symlink("later.tsk", Dir.File("ahead.tsk"));
  SavePlan(*Task, Dir.File("ahead.tsk"));
  EXPECT_TRUE(std::filesystem::is_symlink(Dir.File("ahead.tsk")));
  EXPECT_EQ(ReadBytes(Dir.File("later.tsk")), PlanToText(*Task));
}

}  // namespace
