// The main window's Optimise command: its menu item and tool button, the
// question before jobs are replaced, the run on the calculation's thread
// with the progress dialog, its stop, the backup copy, and an optimised task
// saved, loaded, shown and printed like a computed one.
#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>

#include "Fonts.h"
#include "JobView.h"
#include "Optimise.h"
#include "PrintRecorder.h"
#include "Unit3.h"
#include "WindowFixture.h"
#include "support/TestData.h"

namespace {

using TQuestion = IAnswers::TQuestion;

const QString ReplaceQuestion = QStringLiteral("优化作业计划将替换现有的作业计划，继续吗？");

using TOptimiseWindowTest = TWindowTest;

// The plan of the window's task is valid, shown in one tab per job, and
// no worse than the exact plan of the same task.
void ExpectGoodPlan(TForm1& Form) {
  TPlan& Task = Form.Task();
  EXPECT_EQ(CheckPlan(Task), "");
  EXPECT_EQ(Form.TabSet1->count(), Task.JobCount);
  auto Exact = std::make_unique<TPlan>(Task);
  ClearJobs(*Exact);
  std::string Message;
  TNullProgressLink Quiet;
  MakePlan(*Exact, Message, Quiet);
  EXPECT_FALSE(Optimise::Better(Optimise::PlanCost(*Exact), Optimise::PlanCost(Task)));
}

TEST_F(TOptimiseWindowTest, MenuItemFollowsComputeAndItsToolButtonHasAPictureOfItsOwn) {
  QStringList Items;
  for (QAction* Item : Form->ToolsMenu->actions()) Items << Item->text();
  EXPECT_EQ(Items, (QStringList{QStringLiteral("生成作业计划"), QStringLiteral("优化作业计划"),
                                QStringLiteral("清除作业计划")}));
  EXPECT_EQ(Form->ToolsMenu->actions().at(1), Form->N11);

  QList<QToolButton*> Buttons;
  for (QAction* Item : Form->ToolBar1->actions())
    if (auto* Button = qobject_cast<QToolButton*>(Form->ToolBar1->widgetForAction(Item))) Buttons << Button;
  const qsizetype At = Buttons.indexOf(Form->ToolButton9);
  ASSERT_GT(At, 0);
  EXPECT_EQ(Buttons.at(At - 1), Form->ToolButton7) << "right after Compute's button";
  EXPECT_EQ(Form->ToolButton9->toolTip(), QStringLiteral("优化作业计划"));
  const QImage Picture = Form->ToolButton9->icon().pixmap(16, 16).toImage();
  EXPECT_EQ(Picture.size(), QSize(16, 16));
  for (QToolButton* Other : Buttons)
    if (Other != Form->ToolButton9) {
      EXPECT_NE(Other->icon().pixmap(16, 16).toImage(), Picture) << Other->objectName().toStdString();
    }

  // The button runs the menu item's command; both wait while a calculation runs.
  OpenFile(Example("cabinet.tsk"));
  bool Locked = false;
  DuringCalculation([&] { Locked = !Form->N11->isEnabled() && !Form->ToolButton9->isEnabled(); });
  QTest::mouseClick(Form->ToolButton9, Qt::LeftButton);
  EXPECT_TRUE(Locked);
  EXPECT_TRUE(Form->N11->isEnabled());
  EXPECT_GT(T().JobCount, 0);
  EXPECT_TRUE(Script.Texts("question").isEmpty()) << "no jobs yet: nothing to ask";
}

TEST_F(TOptimiseWindowTest, RunsWithTheProgressDialogAndShowsAValidPlanInTabs) {
  OpenFile(Example("grain-stock.tsk"));
  bool WasUp = false;
  DuringCalculation([&] { WasUp = Progress->isVisible() || Progress->ShowPending(); });
  Form->N11Click();
  EXPECT_TRUE(WasUp);
  EXPECT_FALSE(Progress->isVisible());
  EXPECT_FALSE(Form->Computing());
  EXPECT_TRUE(AllPlaced(T()));
  ExpectGoodPlan(*Form);
  EXPECT_GT(T().JobCount, 0);
  EXPECT_EQ(Form->TabSet1->currentIndex(), 0);
  EXPECT_FALSE(Form->StatusText(0).isEmpty()) << "the first job is drawn";
  EXPECT_FALSE(Form->Modified()) << "like Compute, it leaves the flag as it was";
}

TEST_F(TOptimiseWindowTest, AsksBeforeReplacingJobsAndNoKeepsThem) {
  OpenFile(Example("cabinet.tsk"));
  Form->N5Click();
  ASSERT_GT(T().JobCount, 0);
  const std::string Computed = PlanToText(T());
  Script.Asked.clear();

  Script.YesNo = {false};
  Form->N11Click();
  ASSERT_EQ(Script.Texts("question"), QStringList{ReplaceQuestion});
  EXPECT_EQ(Script.QuestionKinds.back(), TQuestion::Confirmation);
  EXPECT_EQ(PlanToText(T()), Computed);

  // Also a partly computed task is asked about, and Yes starts over.
  T().ObjPlans[1].Pending = 1;
  Script.YesNo = {true};
  Form->N11Click();
  EXPECT_EQ(Script.Texts("question").size(), 2);
  EXPECT_TRUE(AllPlaced(T()));
  ExpectGoodPlan(*Form);
}

TEST_F(TOptimiseWindowTest, StopKeepsAValidPlanAndTheNextRunStartsAfresh) {
  // Three levels deep a job of the exact plan takes seconds.
  OpenFile(BenchTask("classic_cw3_d2.tsk"));
  T().SearchDepth = 3;
  DuringCalculation([&] { QTest::mouseClick(Progress->Button1, Qt::LeftButton); }, true);
  Form->N11Click();
  EXPECT_FALSE(Form->Computing());
  EXPECT_TRUE(Progress->StopRequested());
  EXPECT_EQ(CheckPlan(T()), "");
  EXPECT_EQ(Form->TabSet1->count(), T().JobCount);

  // The title bar's close button stops as well; the request of the first
  // stop does not end the second run before it began.
  if (T().JobCount > 0) Script.YesNo = {true};
  bool Ran = false;
  DuringCalculation(
      [&] {
        Ran = !Progress->StopRequested();
        Progress->close();
      },
      true);
  Form->N11Click();
  EXPECT_TRUE(Ran);
  EXPECT_EQ(CheckPlan(T()), "");
}

TEST_F(TOptimiseWindowTest, AFaultOffersTheBackupCopy) {
  OpenFile(Example("cabinet.tsk"));
  Form->N5Click();
  const std::string Before = PlanToText(T());
  const QString Fault = QStringLiteral("算法设计错误，作业数量大于任务数量!");
  Form->SetOptimisation([&](TPlan& Task, std::string& Message, IProgressLink& Link) {
    Optimise::TOptimiseParams Params;
    Optimise::TOptimiseOutput Output;
    Optimise::OptimisePlan(Task, Params, Link, Output);
    --Task.ObjPlans[1].Pending;  // what a faulty record would leave
    Message = Fault.toStdString();
  });
  for (bool Cancel : {true, false}) {
    SCOPED_TRACE(Cancel);
    Script.Asked.clear();
    Script.YesNo = {true, Cancel};
    Form->N11Click();
    ASSERT_EQ(Script.Texts("question"), (QStringList{ReplaceQuestion, Fault + QStringLiteral("取消本次结果吗？")}));
    EXPECT_EQ(Script.QuestionKinds.back(), TQuestion::Warning);
    if (Cancel)
      EXPECT_EQ(PlanToText(T()), Before) << "the jobs computed before are back";
    else
      EXPECT_NE(PlanToText(T()), Before);
    EXPECT_EQ(Form->TabSet1->count(), T().JobCount);
  }
}

TEST_F(TOptimiseWindowTest, AnOptimisedTaskSavesLoadsShowsAndPrintsLikeAComputedOne) {
  OpenFile(BenchTask("boards_a05_k4_d2.tsk"));
  T().RigidFlag = true;
  Form->N11Click();
  ASSERT_TRUE(AllPlaced(T()));
  const std::string Optimised = PlanToText(T());

  const QString Saved = TempFile("optimised.tsk"), Again = TempFile("again.tsk");
  Script.Files = {Saved};
  Form->A1Click();
  Form->N1Click();
  OpenFile(Saved);
  EXPECT_EQ(PlanToText(T()), Optimised);
  Script.Files = {Again};
  Form->A1Click();
  EXPECT_EQ(FileBytes(Again), FileBytes(Saved)) << "saved again, the same bytes";

  // Every job can be continued from, drawn and rated as a computed one.
  for (std::int32_t j = 1; j <= T().JobCount; ++j) {
    SCOPED_TRACE(j);
    const TJob& Job = T().Jobs[j];
    EXPECT_GE(Job.PointCount, 1);
    EXPECT_LE(Job.PointCount, MaxPoints);
    EXPECT_TRUE(JobDrawable(T(), j));
    Form->TabSet1->setCurrentIndex(j - 1);
    EXPECT_EQ(Form->StatusText(1), JobStatusTexts(T(), j).at(1));
  }

  // Printed: the piece list, then two jobs a page, each with its header and
  // every piece outlined.
  InstallFontSubstitutes();
  TRecordingPrinter Printer;
  PrintJobPlan(Printer, T(), 1);
  ASSERT_EQ(Printer.Docs.size(), 1u);
  const auto& Pages = Printer.Docs[0].Pages;
  std::size_t Headers = 0, Outlines = 0;
  for (const TRecordedPage& Page : Pages) {
    for (const TRecordedText& Text : Page.Texts)
      if (Text.Text.startsWith(QStringLiteral("板材名称："))) ++Headers;
    Outlines += Page.Polylines.size();
  }
  std::size_t Pieces = 0;
  for (std::int32_t j = 1; j <= T().JobCount; ++j) Pieces += static_cast<std::size_t>(T().Jobs[j].RectCount);
  EXPECT_EQ(Headers, static_cast<std::size_t>(T().JobCount));
  EXPECT_EQ(Outlines, Pieces);
}

}  // namespace
