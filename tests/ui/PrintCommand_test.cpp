// tavikplan print: the job plan of a task file as a PDF, made without a
// display, read back with poppler's pdftotext and pdfinfo.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include "CalcPlan.h"
#include "GbkText.h"
#include "RunProgram.h"
#include "support/TestData.h"

namespace {

TRun Print(const QStringList& Args) { return RunTavikplan(QStringList{"print"} + Args); }

int PageCount(const QString& Pdf) {
  const TRun Info = RunProgram(QStringLiteral("pdfinfo"), {Pdf});
  const QRegularExpressionMatch Match = QRegularExpression("Pages:\\s+(\\d+)").match(Info.Out);
  return Match.hasMatch() ? Match.captured(1).toInt() : -1;
}

TEST(PrintCommand, WritesTheJobPlanOfAVectorAsAPdfWithEveryName) {
  testdata::TTempDir Dir;
  const std::string Input = std::string(TAVIK_VECTORS_DIR) + "/t10_gbk_names_r1.out.tsk";
  auto Task = testdata::NewTask();
  LoadPlan(*Task, Input);
  ASSERT_GT(Task->JobCount, 0);
  const QString Pdf = QString::fromStdString(Dir.File("plan.pdf"));

  const TRun One = Print({QString::fromStdString(Input), "-o", Pdf});
  ASSERT_EQ(One.Status, 0) << One.Err.toStdString();
  const TRun Text = RunProgram(QStringLiteral("pdftotext"), {Pdf, "-"});
  ASSERT_EQ(Text.Status, 0) << "pdftotext (poppler-utils) is needed: " << Text.Err.toStdString();
  EXPECT_TRUE(Text.Out.contains(QStringLiteral("第 1 页")));
  EXPECT_TRUE(Text.Out.contains(FromGbk(Task->PlanName).trimmed()));
  for (std::int32_t i = 1; i <= Task->ObjCount; ++i)
    EXPECT_TRUE(Text.Out.contains(FromGbk(Task->ObjPlans[i].Name).trimmed())) << Task->ObjPlans[i].Name;
  for (std::int32_t j = 1; j <= Task->JobCount; ++j)
    EXPECT_TRUE(Text.Out.contains(FromGbk(Task->SrcRects[Task->Jobs[j].SheetNo].Name).trimmed()));
  const int Pages = PageCount(Pdf);
  EXPECT_EQ(Pages, 1 + (Task->JobCount + 1) / 2);

  const TRun Three = Print({QString::fromStdString(Input), "-o", Pdf, "--copies", "3"});
  ASSERT_EQ(Three.Status, 0) << Three.Err.toStdString();
  EXPECT_EQ(PageCount(Pdf), 3 * Pages);
  EXPECT_EQ(Dir.Entries(), std::vector<std::string>{"plan.pdf"}) << "no temporary file left";
}

TEST(PrintCommand, AFaultyTaskEndsWithAMessageAndLeavesAnOlderFileAlone) {
  testdata::TTempDir Dir;
  auto Task = testdata::NewTask();
  Task->PlanName = "Plan";
  AddSrcRect(*Task, {"Huge", 3'000'000'000LL, 1000});
  AddObjPlan(*Task, {"Piece", 100, 100, 0, 1});
  TJob& Job = Task->Jobs[++Task->JobCount];
  Job.SheetNo = 1;
  Job.Count = 1;
  Job.PointCount = 1;
  Job.RectCount = 1;
  Job.Rects[1] = {1, 0, 0, 0};
  const std::string Input = Dir.File("huge.tsk");
  SavePlan(*Task, Input);
  const QString Pdf = QString::fromStdString(Dir.File("plan.pdf"));
  {
    QFile Old(Pdf);
    ASSERT_TRUE(Old.open(QIODevice::WriteOnly));
    Old.write("older plan");
  }

  const TRun Result = Print({QString::fromStdString(Input), "-o", Pdf});
  EXPECT_EQ(Result.Status, 1);
  EXPECT_EQ(Result.Err.trimmed(), QString::fromStdString("tavikplan: " + Input + ": Range check error"));
  QFile Old(Pdf);
  ASSERT_TRUE(Old.open(QIODevice::ReadOnly));
  EXPECT_EQ(Old.readAll(), QByteArray("older plan"));
  EXPECT_EQ(Dir.Entries(), (std::vector<std::string>{"huge.tsk", "plan.pdf"}));
}

TEST(PrintCommand, CommandLineFaultsEndWithTheUsualStatuses) {
  testdata::TTempDir Dir;
  const QString Input = QStringLiteral(TAVIK_EXAMPLES_DIR "/cabinet.tsk");
  const QString Pdf = QString::fromStdString(Dir.File("plan.pdf"));
  EXPECT_EQ(Print({Input}).Status, 2) << "no output";
  EXPECT_EQ(Print({Input, "-o", Pdf, "--copies", "0"}).Status, 2);
  EXPECT_EQ(Print({Input, "-o", Pdf, "--copies"}).Status, 2);
  EXPECT_EQ(Print({Input, "-o", Pdf, "--colour"}).Status, 2);
  EXPECT_EQ(Print({Input, "-o", Input}).Status, 2) << "the task must not be overwritten";
  const TRun Help = Print({"--help"});
  EXPECT_EQ(Help.Status, 0);
  EXPECT_TRUE(Help.Out.startsWith("Usage: tavikplan print"));

  const TRun Missing = Print({QString::fromStdString(Dir.File("none.tsk")), "-o", Pdf});
  EXPECT_EQ(Missing.Status, 1);
  EXPECT_TRUE(Missing.Err.contains("File not found")) << Missing.Err.toStdString();

  const TRun Unwritable = Print({Input, "-o", QString::fromStdString(Dir.File("no/such/folder/plan.pdf"))});
  EXPECT_EQ(Unwritable.Status, 1);
  EXPECT_TRUE(Unwritable.Err.startsWith("tavikplan: ")) << Unwritable.Err.toStdString();
  EXPECT_TRUE(Dir.Entries().empty());
}

}  // namespace
