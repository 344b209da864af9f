// tavikplan optimise, run as a person runs it in a terminal.
#include <gtest/gtest.h>

#include <QRegularExpression>

#include "CalcPlan.h"
#include "Optimise.h"
#include "RunProgram.h"
#include "support/TestData.h"

namespace {

QString Vector(const char* Name) { return QStringLiteral(TAVIK_VECTORS_DIR "/") + QString::fromLatin1(Name); }
QString Example(const char* Name) { return QStringLiteral(TAVIK_EXAMPLES_DIR "/") + QString::fromLatin1(Name); }
QString Q(const std::string& Text) { return QString::fromStdString(Text); }

std::unique_ptr<TPlan> Load(const QString& Path) {
  auto Task = testdata::NewTask();
  LoadPlan(*Task, Path.toStdString());
  return Task;
}

// The sheets and the sheet area of the summary line that starts with What.
void SummaryCost(const QString& Out, const QString& What, std::int64_t& Sheets, double& Area) {
  const QRegularExpression Line(QRegularExpression::escape(What) +
                                QStringLiteral(" +(\\d+) sheets?, sheet area (\\d+)$"),
                                QRegularExpression::MultilineOption);
  const QRegularExpressionMatch Match = Line.match(Out);
  ASSERT_TRUE(Match.hasMatch()) << What.toStdString() << " not in:\n" << Out.toStdString();
  Sheets = Match.captured(1).toLongLong();
  Area = Match.captured(2).toDouble();
}

TEST(OptimiseCommand, SavesAValidPlanNoWorseThanTheExactOneAndSummarisesBoth) {
  testdata::TTempDir Dir;
  const QString Out = Q(Dir.File("out.tsk"));
  const TRun Run = RunTavikplan({"optimise", Example("cabinet.tsk"), "-o", Out});
  ASSERT_EQ(Run.Status, 0) << Run.Err.toStdString();
  const auto Saved = Load(Out);
  EXPECT_EQ(CheckPlan(*Saved), "");
  EXPECT_TRUE(AllPlaced(*Saved));
  EXPECT_TRUE(Run.Out.contains(QStringLiteral("Job   1")));
  EXPECT_TRUE(Run.Out.contains(QStringLiteral("Total utilisation:")));

  std::int64_t ExactSheets = 0, Sheets = 0;
  double ExactArea = 0, Area = 0;
  SummaryCost(Run.Out, QStringLiteral("Exact plan:"), ExactSheets, ExactArea);
  SummaryCost(Run.Out, QStringLiteral("Optimised plan:"), Sheets, Area);
  // The summary tells the saved plan's figures, and it is no worse.
  const Optimise::TPlanCost Cost = Optimise::PlanCost(*Saved);
  EXPECT_EQ(Sheets, Cost.Sheets);
  EXPECT_EQ(Area, Cost.SheetArea);
  EXPECT_LE(Area, ExactArea);

  // The exact plan is the one compute makes.
  const QString Computed = Q(Dir.File("computed.tsk"));
  ASSERT_EQ(RunTavikplan({"compute", Example("cabinet.tsk"), "-o", Computed}).Status, 0);
  EXPECT_EQ(ExactSheets, Optimise::PlanCost(*Load(Computed)).Sheets);

  // It starts over from the quantities: the jobs of a computed task give
  // way, and the result is the same as from the bare task.
  const QString Again = Q(Dir.File("again.tsk"));
  ASSERT_EQ(RunTavikplan({"optimise", Computed, "-o", Again}).Status, 0);
  EXPECT_EQ(testdata::ReadBytes(Again.toStdString()), testdata::ReadBytes(Out.toStdString()));
}

TEST(OptimiseCommand, SameEffortSamePlanWithAnyThreadsAndEffortZeroIsTheExactPlan) {
  testdata::TTempDir Dir;
  // The saved bytes of optimise on Input with the options More.
  const auto Optimised = [&](const QString& Input, const QStringList& More) {
    const QString Out = Q(Dir.File("out.tsk"));
    EXPECT_LE(RunTavikplan(QStringList{"optimise", Input, "-o", Out} + More).Status, 3) << More.join(' ').toStdString();
    return testdata::ReadBytes(Out.toStdString());
  };
  const std::string One = Optimised(Example("grain-stock.tsk"), {"--threads", "1"});
  EXPECT_EQ(Optimised(Example("grain-stock.tsk"), {"--threads", "2"}), One);
  auto Saved = testdata::NewTask();
  PlanFromText(*Saved, One);
  EXPECT_EQ(CheckPlan(*Saved), "") << "grain locks and stock limits hold";
  EXPECT_TRUE(AllPlaced(*Saved));

  // Effort 0 stops after the exact plan, at the task's own settings.
  EXPECT_EQ(Optimised(Vector("t01_worked_example_r1.tsk"), {"--effort", "0"}),
            testdata::ReadBytes(TAVIK_VECTORS_DIR "/t01_worked_example_r1.out.tsk"));
  EXPECT_EQ(Optimised(Vector("t19_guillotine_r0.tsk"), {"--effort", "0", "--rigid", "0"}),
            testdata::ReadBytes(TAVIK_VECTORS_DIR "/t19_guillotine_r0.out.tsk"));
}

TEST(OptimiseCommand, PiecesThatFitNoSheetArePendingNamedAndStatusThree) {
  testdata::TTempDir Dir;
  const QString Out = Q(Dir.File("out.tsk"));
  const TRun Run = RunTavikplan({"optimise", Vector("t04_oversize_r1.tsk"), "-o", Out});
  EXPECT_EQ(Run.Status, 3);
  EXPECT_TRUE(Run.Out.contains(QStringLiteral("Pieces still pending:")));
  EXPECT_TRUE(Run.Out.contains(QStringLiteral("(fits no sheet)"))) << Run.Out.toStdString();
  EXPECT_FALSE(Run.Err.contains(QStringLiteral("stopped")));
  const auto Saved = Load(Out);
  EXPECT_EQ(CheckPlan(*Saved), "");
  EXPECT_GT(Saved->JobCount, 0) << "the rest is still planned";
}

TEST(OptimiseCommand, BadInputAndUsageWriteNothing) {
  testdata::TTempDir Dir;
  const QString Out = Q(Dir.File("out.tsk"));
  const TRun Bad = RunTavikplan({"optimise", Vector("e04_sheet_count_101_r0.tsk"), "-o", Out});
  EXPECT_EQ(Bad.Status, 1);
  EXPECT_TRUE(Bad.Err.contains(QStringLiteral("Range check error")));
  const TRun Missing = RunTavikplan({"optimise", Q(Dir.File("missing.tsk")), "-o", Out});
  EXPECT_EQ(Missing.Status, 1);
  EXPECT_TRUE(Missing.Err.contains(QStringLiteral("File not found")));
  const TRun Unwritable = RunTavikplan({"optimise", Example("cabinet.tsk"), "-o", Q(Dir.File("no/such/folder.tsk"))});
  EXPECT_EQ(Unwritable.Status, 1);
  EXPECT_TRUE(Unwritable.Err.contains(QStringLiteral("Invalid filename")));

  const TRun NoOutput = RunTavikplan({"optimise", Example("cabinet.tsk")});
  EXPECT_EQ(NoOutput.Status, 2);
  EXPECT_EQ(NoOutput.Err.count(QLatin1Char('\n')), 2) << "one line and the hint";
  for (const QStringList& Args : std::vector<QStringList>{
           {"optimise", "-o", Out},
           {"optimise", Example("cabinet.tsk"), "-o", ""},
           {"optimise", Example("cabinet.tsk"), "-o"},
           {"optimise", Example("cabinet.tsk"), "-o", Out, "--rigid", "2"},
           {"optimise", Example("cabinet.tsk"), "-o", Out, "--threads", "0"},
           {"optimise", Example("cabinet.tsk"), "-o", Out, "--restart"},
           {"optimise", Example("cabinet.tsk"), Example("cabinet.tsk"), "-o", Out}})
    EXPECT_EQ(RunTavikplan(Args).Status, 2) << Args.join(QLatin1Char(' ')).toStdString();
  for (const char* Effort : {"-1", "x", "1.5", "99999999999999999999", ""})
    EXPECT_EQ(RunTavikplan({"optimise", Example("cabinet.tsk"), "-o", Out, "--effort", Effort}).Status, 2) << Effort;
  EXPECT_EQ(RunTavikplan({"optimise", Example("cabinet.tsk"), "-o", Out, "--effort"}).Status, 2);
  EXPECT_EQ(Dir.Entries(), std::vector<std::string>{});

  const TRun Help = RunTavikplan({"optimise", "--help"});
  EXPECT_EQ(Help.Status, 0);
  EXPECT_TRUE(Help.Out.contains(QStringLiteral("(default %1)").arg(Optimise::DefaultEffort))) << Help.Out.toStdString();
  EXPECT_TRUE(RunTavikplan({"--help"}).Out.contains(QStringLiteral("  optimise IN -o OUT  ")));
}

TEST(OptimiseCommand, InterruptEndsTheWorkAndSavesTheBestPlanSoFar) {
  testdata::TTempDir Dir;
  SaveSlowTask(Dir.File("slow.tsk"));
  const QString Out = Q(Dir.File("out.tsk"));

  const TRun Run = InterruptTavikplan({"optimise", Q(Dir.File("slow.tsk")), "-o", Out}, 500);
  const auto Saved = Load(Out);
  EXPECT_EQ(CheckPlan(*Saved), "");
  // Stopped during the exact plan, its part is kept; later, the best
  // complete plan.
  if (AllPlaced(*Saved)) {
    EXPECT_EQ(Run.Status, 0);
    EXPECT_TRUE(Run.Err.contains(QStringLiteral("optimisation stopped; the best complete plan found so far was saved to ") +
                             Out))
        << Run.Err.toStdString();
  } else {
    EXPECT_EQ(Run.Status, 3);
    EXPECT_TRUE(
        Run.Err.contains(QStringLiteral("optimisation stopped; the partly computed exact plan was saved to ") + Out))
        << Run.Err.toStdString();
    EXPECT_TRUE(Run.Out.contains(QStringLiteral("(the calculation was stopped)")));
  }
}

TEST(OptimiseCommand, ATerminalSeesTheBestPlanSoFarButNoSearchPaths) {
  testdata::TTempDir Dir;
  const TRun Run = RunTavikplanOnTerminal({"optimise", Example("cabinet.tsk"), "-o", Q(Dir.File("out.tsk"))});
  ASSERT_EQ(Run.Status, 0) << Run.Err.toStdString();
  const auto Saved = Load(Q(Dir.File("out.tsk")));

  QStringList Lines = Run.Err.split(QStringLiteral("\r\x1b[K"));
  ASSERT_GE(Lines.size(), 3) << Run.Err.toStdString();
  EXPECT_TRUE(Lines.takeFirst().isEmpty());
  EXPECT_TRUE(Lines.takeLast().isEmpty());
  const QString Time = QStringLiteral("(about \\d+:\\d\\d:\\d\\d left|estimating the time left)$");
  const QRegularExpression Exact(QStringLiteral("^\\[[#.]{20}\\] exact plan first: (\\d+) of (\\d+) pieces placed, ") +
                                 Time);
  const QRegularExpression Best(QStringLiteral("^\\[[#.]{20}\\] best plan so far: (\\d+) sheets?, (\\d+\\.\\d\\d)% used, ") +
                                Time);
  QString LastBest;
  for (const QString& Text : Lines) {
    EXPECT_FALSE(Text.contains(QStringLiteral("作业:"))) << "a search path: " << Text.toStdString();
    if (Best.match(Text).hasMatch()) {
      LastBest = Text;
      continue;
    }
    const QRegularExpressionMatch Match = Exact.match(Text);
    ASSERT_TRUE(Match.hasMatch()) << Text.toStdString();
    EXPECT_EQ(Match.captured(2).toLongLong(), TotalQuantity(*Saved));
    EXPECT_TRUE(LastBest.isEmpty()) << "the exact plan's progress comes first";
  }
  // Once the optimiser tells of its best plans, the last one told is the plan saved.
  if (!LastBest.isEmpty()) {
    const QRegularExpressionMatch Match = Best.match(LastBest);
    EXPECT_EQ(Match.captured(1).toLongLong(), Optimise::PlanCost(*Saved).Sheets);
    EXPECT_EQ(Match.captured(2), QString::asprintf("%.2f", CalcTotalRate(*Load(Q(Dir.File("out.tsk")))) * 100.0));
  }
}

}  // namespace
