// tavikplan against hostile input: files that are not files, lines without
// end, too little memory, a search depth no grid would take, and an empty
// output name. Every failure is a message and a status, never a hang or an
// abort.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <fstream>

#include "CalcPlan.h"
#include "RunProgram.h"
#include "support/TestData.h"

namespace {

QString Q(const std::string& Text) { return QString::fromStdString(Text); }
QString Example(const char* Name) { return QStringLiteral(TAVIK_EXAMPLES_DIR "/") + QString::fromLatin1(Name); }

void WriteBytes(const std::string& Path, const std::string& Bytes) {
  std::ofstream Out(Path, std::ios::binary);
  Out << Bytes;
}

// tavikplan with Args in a shell that first limits its address space to
// Kib kilobytes.
TRun RunLimited(long Kib, const QStringList& Args) {
  QStringList ShellArgs{"-c", QStringLiteral("ulimit -v %1 && exec \"$0\" \"$@\"").arg(Kib),
                        QStringLiteral(TAVIK_TAVIKPLAN)};
  ShellArgs += Args;
  return RunProgram(QStringLiteral("/bin/sh"), ShellArgs);
}

TEST(TavikplanHostile, PipesAreRefusedAsInputAndOutput) {
  testdata::TTempDir Dir;
  const std::string Fifo = Dir.File("pipe.tsk");
  ASSERT_EQ(::mkfifo(Fifo.c_str(), 0600), 0);
  // Each of these would wait for ever for the other end of the pipe.
  for (const QStringList& Args :
       {QStringList{"show", Q(Fifo)}, QStringList{"compute", Q(Fifo)},
        QStringList{"compute", Example("cabinet.tsk"), "-o", Q(Fifo)}, QStringList{"print", Q(Fifo), "-o", "x.pdf"}}) {
    const TRun Run = RunTavikplan(Args);
    EXPECT_EQ(Run.Status, 1) << Args.join(' ').toStdString();
    EXPECT_TRUE(Run.Err.contains(QStringLiteral("File access denied"))) << Run.Err.toStdString();
  }
  // The null device still takes a computed plan.
  const TRun Null = RunTavikplan({"compute", Example("cabinet.tsk"), "-o", "/dev/null"});
  EXPECT_EQ(Null.Status, 0) << Null.Err.toStdString();
  EXPECT_EQ(Dir.Entries(), std::vector<std::string>{"pipe.tsk"});
}

TEST(TavikplanHostile, APrintedPlanReplacesOnlyARegularFile) {
  // A PDF is written under a temporary name and renamed over the output:
  // over a pipe or a device that would replace it (as the superuser even
  // /dev/null). A node of the null device of its own stands in for it.
  testdata::TTempDir Dir;
  const std::string Fifo = Dir.File("pipe.pdf"), Null = Dir.File("null.pdf");
  ASSERT_EQ(::mkfifo(Fifo.c_str(), 0600), 0);
  const bool HaveNull = ::mknod(Null.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0;
  for (const std::string& Out : {Fifo, Null}) {
    if (Out == Null && !HaveNull) continue;
    const TRun Run = RunTavikplan({"print", Example("cabinet.tsk"), "-o", Q(Out)});
    EXPECT_EQ(Run.Status, 1) << Out;
    EXPECT_TRUE(Run.Err.contains(QStringLiteral("File access denied"))) << Run.Err.toStdString();
    struct stat St {};
    ASSERT_EQ(::lstat(Out.c_str(), &St), 0);
    EXPECT_FALSE(S_ISREG(St.st_mode)) << Out << " was replaced by a file";
  }
  const TRun Folder = RunTavikplan({"print", Example("cabinet.tsk"), "-o", Q(Dir.Path())});
  EXPECT_EQ(Folder.Status, 1);
  EXPECT_TRUE(Folder.Err.contains(QStringLiteral("File access denied"))) << Folder.Err.toStdString();
  EXPECT_EQ(Dir.Entries().size(), HaveNull ? 2u : 1u);
}

TEST(TavikplanHostile, AnEmptyOutputNameIsAUsageError) {
  testdata::TTempDir Dir;
  const TRun Compute = RunTavikplan({"compute", Example("cabinet.tsk"), "-o", ""});
  EXPECT_EQ(Compute.Status, 2);
  EXPECT_TRUE(Compute.Err.startsWith(QStringLiteral("tavikplan compute: the output file name is empty\n")))
      << Compute.Err.toStdString();
  EXPECT_TRUE(Compute.Err.contains(QStringLiteral("--help")));
  EXPECT_TRUE(Compute.Out.isEmpty()) << "nothing was computed";
  EXPECT_EQ(RunTavikplan({"print", Example("cabinet.tsk"), "-o", ""}).Status, 2);
}

TEST(TavikplanHostile, ALineBeyondTheLimitIsARangeCheckError) {
  testdata::TTempDir Dir;
  const std::string Path = Dir.File("long.tsk");
  WriteBytes(Path, "1\r\n0\r\n0\r\n0\r\n1\r\n1\r\n" + std::string(MaxLineBytes + 1, 'n') + "\r\n10\r\n20\r\n");
  for (const char* Command : {"show", "compute", "print"}) {
    QStringList Args{Command, Q(Path)};
    if (std::string(Command) == "print") Args += {"-o", Q(Dir.File("plan.pdf"))};
    const TRun Run = RunTavikplan(Args);
    EXPECT_EQ(Run.Status, 1) << Command;
    EXPECT_TRUE(Run.Err.contains(QStringLiteral("Range check error"))) << Command << ": " << Run.Err.toStdString();
  }
  EXPECT_EQ(Dir.Entries(), std::vector<std::string>{"long.tsk"});
}

TEST(TavikplanHostile, RunningOutOfMemoryIsAnErrorNotAnAbort) {
  testdata::TTempDir Dir;
  // A small task, and one whose 200 names are each as long as a line may
  // be: 13 MB more to hold than the small one.
  auto Small = testdata::NewTask();
  AddSrcRect(*Small, TSrcRect{"A", 2440, 1220});
  AddObjPlan(*Small, TObjPlan{"P", 600, 400, 2, 2});
  SavePlan(*Small, Dir.File("small.tsk"));
  auto Large = testdata::NewTask();
  for (int i = 0; i < MaxSrcRects; ++i) AddSrcRect(*Large, TSrcRect{std::string(MaxLineBytes, 's'), 2440, 1220});
  for (int i = 0; i < MaxObjPlans; ++i) AddObjPlan(*Large, TObjPlan{std::string(MaxLineBytes, 'p'), 600, 400, 1, 1});
  SavePlan(*Large, Dir.File("large.tsk"));

  for (const char* Command : {"show", "compute"}) {
    // The least address space, to the megabyte, in which the small task
    // goes through: the large one then needs far more than is left.
    long Low = 16 * 1024, High = 4L * 1024 * 1024;
    ASSERT_EQ(RunLimited(High, {Command, Q(Dir.File("small.tsk"))}).Status, 0) << Command;
    while (High - Low > 1024) {
      const long Middle = (Low + High) / 2;
      (RunLimited(Middle, {Command, Q(Dir.File("small.tsk"))}).Status == 0 ? High : Low) = Middle;
    }
    const long Limit = High + 2048;
    ASSERT_EQ(RunLimited(Limit, {Command, Q(Dir.File("small.tsk"))}).Status, 0) << Command << " at " << Limit << " KiB";
    QStringList Args{Command, Q(Dir.File("large.tsk"))};
    if (std::string(Command) == "compute") Args += {"-o", Q(Dir.File("out.tsk"))};
    const TRun Run = RunLimited(Limit, Args);
    EXPECT_EQ(Run.Status, 1) << Command << " at " << Limit << " KiB: " << Run.Err.toStdString();
    EXPECT_TRUE(Run.Err.contains(QStringLiteral("Out of memory"))) << Command << ": " << Run.Err.toStdString();
  }
  EXPECT_EQ(Dir.Entries(), (std::vector<std::string>{"large.tsk", "small.tsk"})) << "an output was written";
}

TEST(TavikplanHostile, ComputeWarnsOfADepthBeyondWhatTheGridTakes) {
  testdata::TTempDir Dir;
  // Pieces larger than the sheet: the calculation ends at once whatever the
  // depth, with the pieces pending.
  auto Task = testdata::NewTask(100);
  AddSrcRect(*Task, TSrcRect{"A", 100, 100});
  AddObjPlan(*Task, TObjPlan{"P", 600, 400, 2, 2});
  SavePlan(*Task, Dir.File("deep.tsk"));
  const TRun Deep = RunTavikplan({"compute", Q(Dir.File("deep.tsk")), "-o", Q(Dir.File("out.tsk"))});
  EXPECT_EQ(Deep.Status, 3);
  EXPECT_TRUE(Deep.Err.contains(QStringLiteral("warning")) && Deep.Err.contains(QStringLiteral("search depth 100")))
      << Deep.Err.toStdString();
  auto Saved = testdata::NewTask();
  LoadPlan(*Saved, Dir.File("out.tsk"));
  EXPECT_EQ(Saved->SearchDepth, 100) << "the depth is kept as the file holds it";
  const TRun Show = RunTavikplan({"show", Q(Dir.File("deep.tsk"))});
  EXPECT_TRUE(Show.Out.contains(QStringLiteral("Search depth: 100")));
  EXPECT_TRUE(Show.Err.isEmpty());

  Task->SearchDepth = MaxSearchDepth;
  SavePlan(*Task, Dir.File("deep.tsk"));
  const TRun Deepest = RunTavikplan({"compute", Q(Dir.File("deep.tsk"))});
  EXPECT_EQ(Deepest.Status, 3);
  EXPECT_TRUE(Deepest.Err.isEmpty()) << Deepest.Err.toStdString();
}

}  // namespace
