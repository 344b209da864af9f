// tavikplan show and compute, run as a person runs them in a terminal.
#include <gtest/gtest.h>

#include <QRegularExpression>

#include "CalcPlan.h"
#include "GbkText.h"
#include "RunProgram.h"
#include "support/TestData.h"

namespace {

QString Vector(const char* Name) { return QStringLiteral(TAVIK_VECTORS_DIR "/") + QString::fromLatin1(Name); }
QString Example(const char* Name) { return QStringLiteral(TAVIK_EXAMPLES_DIR "/") + QString::fromLatin1(Name); }
QString Q(const std::string& Text) { return QString::fromStdString(Text); }

// Terminal columns of Text as a terminal shows the names of these tests:
// CJK characters take two.
int Columns(const QString& Text) {
  int Used = 0;
  for (QChar C : Text) Used += C.unicode() >= 0x1100 ? 2 : 1;
  return Used;
}

// The lines of Text that contain Part.
QStringList LinesWith(const QString& Text, const QString& Part) {
  QStringList Result;
  for (const QString& Line : Text.split(QLatin1Char('\n')))
    if (Line.contains(Part)) Result << Line;
  return Result;
}

TEST(Tavikplan, NamesItsVersionAndAnswersUsageErrorsInOneLineWithAHint) {
  const TRun Version = RunTavikplan({"--version"});
  EXPECT_EQ(Version.Status, 0);
  EXPECT_EQ(Version.Out, QStringLiteral("tavikplan (Tavik Vadi) 1.0.0\n"));
  const TRun Help = RunTavikplan({"--help"});
  EXPECT_TRUE(Help.Out.contains(QStringLiteral("  compute IN [-o OUT]  ")));
  EXPECT_TRUE(Help.Out.contains(QStringLiteral("--version")));

  const QString Task = Example("cabinet.tsk");
  const struct {
    QStringList Args;
    QString Program;  // as the message names it
  } Cases[] = {
      {{}, QStringLiteral("tavikplan")},
      {{"frobnicate"}, QStringLiteral("tavikplan")},
      {{"show"}, QStringLiteral("tavikplan show")},
      {{"show", "-x", Task}, QStringLiteral("tavikplan show")},
      {{"show", Task, Task}, QStringLiteral("tavikplan show")},
      {{"compute"}, QStringLiteral("tavikplan compute")},
      {{"compute", Task, "--rigid", "2"}, QStringLiteral("tavikplan compute")},
      {{"print", Task}, QStringLiteral("tavikplan print")},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.Args.join(QLatin1Char(' ')).toStdString());
    const TRun Run = RunTavikplan(Case.Args);
    EXPECT_EQ(Run.Status, 2);
    EXPECT_TRUE(Run.Out.isEmpty());
    const QStringList Lines = Run.Err.split(QLatin1Char('\n'));
    ASSERT_EQ(Lines.size(), 3) << Run.Err.toStdString();  // two lines and the end of the last
    EXPECT_TRUE(Lines[0].startsWith(Case.Program + QStringLiteral(": "))) << Lines[0].toStdString();
    EXPECT_EQ(Lines[1], QStringLiteral("Run '%1 --help' for usage.").arg(Case.Program));
    EXPECT_TRUE(Lines[2].isEmpty());
  }
}

TEST(ShowCommand, CountsCutsInWordsAndKeepsColumnsForNamesOfAnyWidth) {
  testdata::TTempDir Dir;
  auto Task = testdata::NewTask();
  AddSrcRect(*Task, TSrcRect{"A", 2440, 1220});
  AddSrcRect(*Task, TSrcRect{ToGbk(QStringLiteral("一张名字很长很长的刨花板")), 1220, 1220});
  AddObjPlan(*Task, TObjPlan{"x", 100, 50, 0, 1});
  AddObjPlan(*Task, TObjPlan{ToGbk(QStringLiteral("名字很长很长的侧板")), 720, 560, 0, 3});
  AddObjPlan(*Task, TObjPlan{"a-name-longer-than-any-column", 12345, 6, 0, 3});
  for (const std::int32_t Count : {1, 3}) {
    TJob& Job = Task->Jobs[++Task->JobCount];
    Job.SheetNo = Task->JobCount;
    Job.Count = Count;
    Job.RectCount = 2;
    Job.Rects[1] = {1, 0, 0, 0};
    Job.Rects[2] = {2, 200, 0, 0};
  }
  SavePlan(*Task, Dir.File("wide.tsk"));
  const TRun Run = RunTavikplan({"show", Q(Dir.File("wide.tsk"))});
  ASSERT_EQ(Run.Status, 0) << Run.Err.toStdString();

  EXPECT_EQ(LinesWith(Run.Out, QStringLiteral(", cut once,")).size(), 1);
  EXPECT_EQ(LinesWith(Run.Out, QStringLiteral(", cut 3 times,")).size(), 1);
  EXPECT_FALSE(Run.Out.contains(QStringLiteral("1 times")));

  // Every column starts in the same terminal column on every line.
  auto StartsAlike = [&](const QStringList& Lines, const QRegularExpression& Field) {
    QList<int> Starts;
    for (const QString& Line : Lines) {
      const QRegularExpressionMatch Match = Field.match(Line);
      EXPECT_TRUE(Match.hasMatch()) << Line.toStdString();
      Starts << Columns(Line.left(Match.capturedStart(1)));
    }
    for (int Start : Starts) EXPECT_EQ(Start, Starts.value(0)) << Run.Out.toStdString();
  };
  const QStringList Sheets = LinesWith(Run.Out, QStringLiteral(" x 1220"));
  ASSERT_EQ(Sheets.size(), 4);  // two sheet lines, two job lines
  StartsAlike(Sheets.mid(0, 2), QRegularExpression(QStringLiteral("(\\d+ x 1220)")));
  QStringList Pieces = LinesWith(Run.Out, QStringLiteral(" / "));
  ASSERT_EQ(Pieces.size(), 4);
  EXPECT_TRUE(Pieces.takeFirst().contains(QStringLiteral("pending / ordered")));
  StartsAlike(Pieces, QRegularExpression(QStringLiteral("  (\\d+ x \\d+)")));
  StartsAlike(Pieces, QRegularExpression(QStringLiteral("(\\d+ / )")));
  StartsAlike(LinesWith(Run.Out, QStringLiteral(" at (")), QRegularExpression(QStringLiteral("(at \\()")));
}

TEST(ShowCommand, PrintsTheTaskWithNamesInUtf8) {
  const TRun Run = RunTavikplan({"show", Example("cabinet.tsk")});
  ASSERT_EQ(Run.Status, 0) << Run.Err.toStdString();
  EXPECT_TRUE(Run.Out.contains(QStringLiteral("厨房地柜切割计划")));
  EXPECT_TRUE(Run.Out.contains(QStringLiteral("抽屉侧板")));
  EXPECT_TRUE(Run.Out.contains(QStringLiteral("Knife width: 4")));
  EXPECT_TRUE(Run.Out.contains(QStringLiteral("Pieces (10)")));
  EXPECT_TRUE(Run.Err.isEmpty());

  const TRun Jobs = RunTavikplan({"show", Vector("t10_gbk_names_r1.out.tsk")});
  ASSERT_EQ(Jobs.Status, 0);
  EXPECT_TRUE(Jobs.Out.contains(QStringLiteral("Job 1: sheet")));
  EXPECT_TRUE(Jobs.Out.contains(QStringLiteral("Total utilisation:")));
}

TEST(ShowCommand, ControlCharactersInNamesNeverReachTheTerminal) {
  testdata::TTempDir Dir;
  auto Task = testdata::NewTask();
  Task->PlanName = "plan\x1b]0;owned\x07";
  AddSrcRect(*Task, TSrcRect{"sheet\x1b[2J", 2440, 1220});
  AddObjPlan(*Task, TObjPlan{"side\x1b[31m\x7f", 5000, 50, 1, 1});  // fits no sheet: named as pending
  SavePlan(*Task, Dir.File("escape.tsk"));
  const QString In = Q(Dir.File("escape.tsk"));
  for (const QStringList& Args : {QStringList{"show", In}, QStringList{"compute", In, "-o", Q(Dir.File("out.tsk"))}}) {
    const std::string Command = Args[0].toStdString();
    const TRun Run = RunTavikplan(Args);
    EXPECT_FALSE(Run.Out.contains(QChar(0x1b))) << Command;
    EXPECT_FALSE(Run.Out.contains(QChar(0x7f))) << Command;
    EXPECT_FALSE(Run.Out.contains(QChar(0x07))) << Command;
    EXPECT_TRUE(Run.Out.contains(QStringLiteral("side?[31m?"))) << Run.Out.toStdString();
  }
}

TEST(ShowCommand, NamesLocksAndStockLimits) {
  const TRun Run = RunTavikplan({"show", Example("grain-stock.tsk")});
  ASSERT_EQ(Run.Status, 0) << Run.Err.toStdString();
  const QStringList Lines = Run.Out.split(QLatin1Char('\n'));
  auto LineOf = [&](const QString& Name) {
    for (const QString& Line : Lines)
      if (Line.contains(Name)) return Line;
    return QString();
  };
  EXPECT_TRUE(LineOf(QStringLiteral("门板")).endsWith(QStringLiteral("10 / 10  no turn")));
  EXPECT_TRUE(LineOf(QStringLiteral("抽屉面")).endsWith(QStringLiteral("no turn")));
  EXPECT_TRUE(LineOf(QStringLiteral("层板")).endsWith(QStringLiteral("10 / 10")));
  EXPECT_TRUE(LineOf(QStringLiteral("2440 x 1220")).endsWith(QStringLiteral("2440 x 1220  stock 2")));
  EXPECT_TRUE(LineOf(QStringLiteral("2800 x 2070")).endsWith(QStringLiteral("2800 x 2070")));
  EXPECT_EQ(Run.Out.count(QStringLiteral("no turn")), 3);
}

TEST(ComputeCommand, TooLittleStockEndsWithPiecesPendingAndStatusThree) {
  testdata::TTempDir Dir;
  auto Task = testdata::NewTask();
  AddSrcRect(*Task, TSrcRect{"S", 1000, 1000, 1});
  AddObjPlan(*Task, TObjPlan{"P", 600, 600, 3, 3});
  SavePlan(*Task, Dir.File("in.tsk"));
  const TRun Run = RunTavikplan({"compute", Q(Dir.File("in.tsk")), "-o", Q(Dir.File("out.tsk"))});
  EXPECT_EQ(Run.Status, 3) << Run.Err.toStdString();
  EXPECT_TRUE(Run.Out.contains(QStringLiteral("Pieces still pending")));
  auto Out = testdata::NewTask();
  LoadPlan(*Out, Dir.File("out.tsk"));
  EXPECT_EQ(Out->SrcRects[1].Stock, 1);
  EXPECT_EQ(SheetsUsed(*Out, 1), 1);
  EXPECT_EQ(Out->ObjPlans[1].Pending, 2);
  EXPECT_TRUE(Run.Out.contains(QStringLiteral("2 of 3  (the sheets it fits are used up)"))) << Run.Out.toStdString();
}

TEST(ShowCommand, BadInputAndUsage) {
  testdata::TTempDir Dir;
  const TRun Missing = RunTavikplan({"show", Q(Dir.File("missing.tsk"))});
  EXPECT_EQ(Missing.Status, 1);
  EXPECT_TRUE(Missing.Err.contains(QStringLiteral("File not found")));
  EXPECT_TRUE(Missing.Out.isEmpty());
  const TRun Letters = RunTavikplan({"show", Vector("e07_digits_then_letters_r0.tsk")});
  EXPECT_EQ(Letters.Status, 1);
  EXPECT_TRUE(Letters.Err.contains(QStringLiteral("Invalid numeric input")));
  const TRun Folder = RunTavikplan({"show", Q(Dir.Path())});
  EXPECT_EQ(Folder.Status, 1);
  EXPECT_TRUE(Folder.Err.contains(QStringLiteral("File access denied")));

  const TRun Help = RunTavikplan({"show", "--help"});
  EXPECT_EQ(Help.Status, 0);
  EXPECT_TRUE(Help.Out.startsWith(QStringLiteral("Usage: tavikplan show")));
  EXPECT_EQ(RunTavikplan({"show"}).Status, 2);
  EXPECT_EQ(RunTavikplan({"show", "-x", Example("cabinet.tsk")}).Status, 2);
  EXPECT_EQ(RunTavikplan({"show", Example("cabinet.tsk"), Example("cabinet.tsk")}).Status, 2);
  EXPECT_EQ(RunTavikplan({"frobnicate"}).Status, 2);
  EXPECT_EQ(RunTavikplan({}).Status, 2);
  EXPECT_EQ(RunTavikplan({"--help"}).Status, 0);
  EXPECT_EQ(Dir.Entries(), std::vector<std::string>{});
}

TEST(ComputeCommand, SavesTheExactPlanAndSaysWhetherEverythingIsPlaced) {
  testdata::TTempDir Dir;
  const QString Out = Q(Dir.File("out.tsk"));
  // All placed: status 0.
  const TRun Done = RunTavikplan({"compute", Vector("t01_worked_example_r1.tsk"), "-o", Out});
  ASSERT_EQ(Done.Status, 0) << Done.Err.toStdString();
  EXPECT_EQ(testdata::ReadBytes(Out.toStdString()),
            testdata::ReadBytes(TAVIK_VECTORS_DIR "/t01_worked_example_r1.out.tsk"));
  EXPECT_TRUE(Done.Out.contains(QStringLiteral("Job   1")));
  EXPECT_TRUE(Done.Out.contains(QStringLiteral("Total utilisation:")));
  // Any number of threads computes the same plan.
  for (const char* Threads : {"1", "3"}) {
    ASSERT_EQ(RunTavikplan({"compute", Vector("t01_worked_example_r1.tsk"), "-o", Out, "--threads", Threads}).Status, 0);
    EXPECT_EQ(testdata::ReadBytes(Out.toStdString()),
              testdata::ReadBytes(TAVIK_VECTORS_DIR "/t01_worked_example_r1.out.tsk"))
        << Threads;
  }

  // Pieces larger than every sheet stay pending: status 3, the partial plan
  // is saved and the pending pieces are named.
  const TRun Part = RunTavikplan({"compute", Vector("t04_oversize_r1.tsk"), "-o", Out, "--rigid", "1"});
  EXPECT_EQ(Part.Status, 3);
  EXPECT_EQ(testdata::ReadBytes(Out.toStdString()), testdata::ReadBytes(TAVIK_VECTORS_DIR "/t04_oversize_r1.out.tsk"));
  EXPECT_TRUE(Part.Out.contains(QStringLiteral("Pieces still pending:")));
  EXPECT_TRUE(Part.Out.contains(QStringLiteral("(fits no sheet)"))) << Part.Out.toStdString();
  EXPECT_FALSE(Part.Err.contains(QStringLiteral("stopped")));

  // Not rigid, as its vector was computed.
  const TRun Loose = RunTavikplan({"compute", Vector("t19_guillotine_r0.tsk"), "-o", Out, "--rigid", "0"});
  EXPECT_LE(Loose.Status, 3);
  EXPECT_EQ(testdata::ReadBytes(Out.toStdString()),
            testdata::ReadBytes(TAVIK_VECTORS_DIR "/t19_guillotine_r0.out.tsk"));
}

TEST(ComputeCommand, ContinuesOrRestartsATaskThatHoldsJobs) {
  testdata::TTempDir Dir;
  const QString Computed = Q(Dir.File("computed.tsk")), Again = Q(Dir.File("again.tsk"));
  ASSERT_EQ(RunTavikplan({"compute", Example("cabinet.tsk"), "-o", Computed}).Status, 0);
  // A computed task is continued: nothing is left to add.
  ASSERT_EQ(RunTavikplan({"compute", Computed, "-o", Again}).Status, 0);
  EXPECT_EQ(testdata::ReadBytes(Again.toStdString()), testdata::ReadBytes(Computed.toStdString()));
  // --restart clears the jobs and computes the same plan anew.
  ASSERT_EQ(RunTavikplan({"compute", Computed, "--restart", "-o", Again}).Status, 0);
  EXPECT_EQ(testdata::ReadBytes(Again.toStdString()), testdata::ReadBytes(Computed.toStdString()));
}

TEST(ComputeCommand, BadInputWritesNothing) {
  testdata::TTempDir Dir;
  const QString Out = Q(Dir.File("out.tsk"));
  const TRun NoOutput = RunTavikplan({"compute", Example("cabinet.tsk")});
  EXPECT_EQ(NoOutput.Status, 0);
  const TRun Bad = RunTavikplan({"compute", Vector("e04_sheet_count_101_r0.tsk"), "-o", Out});
  EXPECT_EQ(Bad.Status, 1);
  EXPECT_TRUE(Bad.Err.contains(QStringLiteral("Range check error")));
  EXPECT_EQ(RunTavikplan({"compute", "-o", Out}).Status, 2);
  EXPECT_EQ(RunTavikplan({"compute", Example("cabinet.tsk"), "--rigid", "2"}).Status, 2);
  EXPECT_EQ(RunTavikplan({"compute", Example("cabinet.tsk"), "-o"}).Status, 2);
  for (const char* Threads : {"0", "65", "2x", "-1", ""})
    EXPECT_EQ(RunTavikplan({"compute", Example("cabinet.tsk"), "-o", Out, "--threads", Threads}).Status, 2) << Threads;
  EXPECT_EQ(RunTavikplan({"compute", Example("cabinet.tsk"), "--threads"}).Status, 2);
  const TRun Unwritable = RunTavikplan({"compute", Example("cabinet.tsk"), "-o", Q(Dir.File("no/such/folder.tsk"))});
  EXPECT_EQ(Unwritable.Status, 1);
  EXPECT_TRUE(Unwritable.Err.contains(QStringLiteral("Invalid filename")));
  EXPECT_EQ(Dir.Entries(), std::vector<std::string>{});
  EXPECT_TRUE(RunTavikplan({"compute", "--help"}).Out.contains(QStringLiteral("Exit status")));
}

TEST(ComputeCommand, InterruptStopsTheCalculationAndSavesThePartlyComputedTask) {
  testdata::TTempDir Dir;
  SaveSlowTask(Dir.File("slow.tsk"));
  const QString Out = Q(Dir.File("out.tsk"));

  const TRun Run = InterruptTavikplan({"compute", Q(Dir.File("slow.tsk")), "-o", Out}, 500);
  EXPECT_EQ(Run.Status, 3);
  EXPECT_TRUE(Run.Err.contains(QStringLiteral("calculation stopped; the partly computed task was saved to ") + Out));
  EXPECT_TRUE(Run.Out.contains(QStringLiteral("(the calculation was stopped)")));
  auto Saved = testdata::NewTask();
  LoadPlan(*Saved, Out.toStdString());
  EXPECT_LE(Saved->JobCount, 1) << "at most the job being searched when the stop came";
  EXPECT_FALSE(AllPlaced(*Saved));
  EXPECT_EQ(CheckPlan(*Saved), "");
}

TEST(ComputeCommand, ATerminalSeesPiecesJobsAndTheTimeLeftInOneProgressLine) {
  testdata::TTempDir Dir;
  const TRun Run = RunTavikplanOnTerminal({"compute", Example("cabinet.tsk"), "-o", Q(Dir.File("out.tsk"))});
  ASSERT_EQ(Run.Status, 0) << Run.Err.toStdString();
  EXPECT_TRUE(Run.Out.contains(QStringLiteral("Total utilisation:")));
  auto Task = testdata::NewTask();
  LoadPlan(*Task, Dir.File("out.tsk"));
  const std::int64_t Total = TotalQuantity(*Task);

  // Each drawing of the line clears it first; the last clearing leaves
  // the terminal empty for the summary.
  QStringList Lines = Run.Err.split(QStringLiteral("\r\x1b[K"));
  ASSERT_GE(Lines.size(), 3) << Run.Err.toStdString();
  EXPECT_TRUE(Lines.takeFirst().isEmpty());
  EXPECT_TRUE(Lines.takeLast().isEmpty());
  const QRegularExpression Line(QStringLiteral(
      "^\\[[#.]{20}\\] (\\d+) of (\\d+) pieces placed, (\\d+) jobs?, (about \\d+:\\d\\d:\\d\\d left|estimating the time left)$"));
  for (const QString& Text : Lines) {
    const QRegularExpressionMatch Match = Line.match(Text);
    ASSERT_TRUE(Match.hasMatch()) << Text.toStdString();
    EXPECT_EQ(Match.captured(2).toLongLong(), Total);
  }
  // The job just found is counted at once.
  EXPECT_EQ(Line.match(Lines.last()).captured(1).toLongLong(), Total);
  EXPECT_EQ(Line.match(Lines.last()).captured(3).toInt(), Task->JobCount);
  EXPECT_TRUE(Lines.last().startsWith(QStringLiteral("[####################]")));
}

}  // namespace
