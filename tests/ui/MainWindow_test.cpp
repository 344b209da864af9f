// The main window's document commands: New, Open, Save, Save As, Compute,
// Clear results, closing, and the hooks the program entry sets.
#include <QAction>
#include <string_view>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>
#include <QScreen>
#include <QDir>

#include "LocaleText.h"
#include "WindowFixture.h"

namespace {

using TQuestion = IAnswers::TQuestion;

const QString SaveQuestion = QStringLiteral("当前任务未存盘，保存吗？");
const QString AgainQuestion = QStringLiteral("已经成功地计算过一次，需要重新计算吗？");
const QString ContinueQuestion = QStringLiteral("上次计算未完成，继续上次计算过程吗？");

using TMainWindowTest = TWindowTest;

TEST_F(TMainWindowTest, NewTaskHasItsValuesAndAsksNothing) {
  // Creation ran New; run it again on the unchanged task.
  Form->N1Click();
  EXPECT_TRUE(Script.Asked.empty());
  EXPECT_EQ(T().SrcCount, 0);
  EXPECT_EQ(T().ObjCount, 0);
  EXPECT_EQ(T().JobCount, 0);
  EXPECT_EQ(T().KnifeWidth, 0);
  EXPECT_EQ(T().ExpectedRate, 1.0f);
  EXPECT_EQ(T().SearchDepth, 1);
  EXPECT_TRUE(T().RigidFlag);
  EXPECT_EQ(FromGbk(T().PlanName), QStringLiteral("板材切割计划"));
  EXPECT_TRUE(T().OwnerName.empty());
  EXPECT_TRUE(T().OwnerCode.empty());
  EXPECT_NEAR(T().PlanDate, CurrentDateTime(), 1.0 / 24 / 60);
  EXPECT_EQ(Form->windowTitle(), QStringLiteral("Tavik Vadi"));
  EXPECT_EQ(Form->TabSet1->count(), 0);
  EXPECT_TRUE(Form->FileName().isEmpty());
  EXPECT_FALSE(Form->Modified());
  EXPECT_EQ(Form->ZoomPercent(), 100);

  // With no file name, the next Save asks for one.
  Script.Files.push_back(QString());
  Form->S1Click();
  EXPECT_EQ(Script.Texts("save"), QStringList{QStringLiteral("任务文件(*.tsk)")});
}

TEST_F(TMainWindowTest, UnsavedChangesAnsweredNoAreDiscarded) {
  T().KnifeWidth = 7;
  Form->SetModified(true);
  Script.YesNo = {false};
  Form->N1Click();
  EXPECT_EQ(Script.Texts("question"), QStringList{SaveQuestion});
  EXPECT_EQ(Script.QuestionKinds.at(0), TQuestion::Warning);
  EXPECT_EQ(T().KnifeWidth, 0);
  EXPECT_FALSE(Form->Modified());
}

TEST_F(TMainWindowTest, UnsavedChangesYesWithCancelledDialogWritesNothing) {
  T().KnifeWidth = 7;
  Form->SetModified(true);
  Script.YesNo = {true};
  Script.Files = {QString()};
  Form->N1Click();
  EXPECT_EQ(Script.Texts("save").size(), 1);
  EXPECT_EQ(T().KnifeWidth, 0);
  EXPECT_TRUE(Form->FileName().isEmpty());
  EXPECT_TRUE(Temp.isValid());
  EXPECT_TRUE(QDir(Temp.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(TMainWindowTest, UnsavedChangesYesWritesToTheKnownFileWithoutDialog) {
  const QString Path = TempFile("known.tsk");
  QFile::copy(Example("cabinet.tsk"), Path);
  OpenFile(Path);
  T().KnifeWidth = 9;
  Form->SetModified(true);
  Script.YesNo = {true};
  Script.Files = {QString()};  // the open dialog of Open, cancelled
  Form->O1Click();
  EXPECT_EQ(Script.Texts("save").size(), 0);
  EXPECT_EQ(Script.Texts("open").size(), 2);
  auto Reloaded = std::make_unique<TPlan>();
  LoadPlan(*Reloaded, QFile::encodeName(Path).toStdString());
  EXPECT_EQ(Reloaded->KnifeWidth, 9);
  // The question's save leaves the flag alone; the cancelled Open too.
  EXPECT_TRUE(Form->Modified());
}

TEST_F(TMainWindowTest, SaveWithCancelledDialogStillRefreshes) {
  Form->SetModified(true);
  Script.Files = {QString()};
  Form->S1Click();
  EXPECT_TRUE(Form->Modified());
  EXPECT_TRUE(Form->FileName().isEmpty());
  EXPECT_EQ(Form->windowTitle(), QStringLiteral("Tavik Vadi \"\""));
  EXPECT_TRUE(QDir(Temp.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(TMainWindowTest, SaveWritesClearsModifiedAndNamesTheWindow) {
  T().KnifeWidth = 3;
  Form->SetModified(true);
  const QString Path = TempFile("plan.tsk");
  Script.Files = {Path};
  Form->S1Click();
  EXPECT_FALSE(Form->Modified());
  EXPECT_EQ(Form->FileName(), Path);
  EXPECT_EQ(Form->windowTitle(), QStringLiteral("Tavik Vadi \"%1\"").arg(Path));
  EXPECT_EQ(FileBytes(Path).toStdString(), PlanToText(T()));

  // A second Save writes to the same file without asking.
  T().KnifeWidth = 5;
  Form->S1Click();
  EXPECT_EQ(Script.Texts("save").size(), 1);
  auto Reloaded = std::make_unique<TPlan>();
  LoadPlan(*Reloaded, QFile::encodeName(Path).toStdString());
  EXPECT_EQ(Reloaded->KnifeWidth, 5);
}

TEST_F(TMainWindowTest, SaveAsCancelledChangesNothingNotEvenTheCaption) {
  Form->SetModified(true);
  Script.Files = {QString()};
  Form->A1Click();
  EXPECT_EQ(Form->windowTitle(), QStringLiteral("Tavik Vadi"));
  EXPECT_TRUE(Form->Modified());
  EXPECT_TRUE(Form->FileName().isEmpty());
}

TEST_F(TMainWindowTest, SaveAsWritesToTheNewFile) {
  const QString First = TempFile("first.tsk");
  const QString Second = TempFile("second.tsk");
  Script.Files = {First, Second};
  Form->S1Click();
  Form->SetModified(true);
  Form->A1Click();
  EXPECT_EQ(Form->FileName(), Second);
  EXPECT_FALSE(Form->Modified());
  EXPECT_FALSE(FileBytes(Second).isEmpty());
}

TEST_F(TMainWindowTest, SavingOverAnExistingFileAsksFirstAndNoChoosesAgain) {
  const QString Other = TempFile("other.tsk");
  const QString Fresh = TempFile("fresh.tsk");
  {
    QFile File(Other);
    ASSERT_TRUE(File.open(QIODevice::WriteOnly));
    File.write("another task\r\n");
  }
  const QString Question = QStringLiteral("文件“%1”已经存在。\n要替换它吗？").arg(QDir::toNativeSeparators(Other));

  // Save As: No keeps the other file untouched and goes back to the dialog,
  // where a new name is chosen.
  Form->SetModified(true);
  Script.Files = {Other, Fresh};
  Script.YesNo = {false};
  Form->A1Click();
  EXPECT_EQ(Script.Texts("question"), QStringList{Question});
  EXPECT_EQ(Script.Texts("save").size(), 2);
  EXPECT_EQ(FileBytes(Other), QByteArray("another task\r\n"));
  EXPECT_EQ(Form->FileName(), Fresh);
  EXPECT_FALSE(FileBytes(Fresh).isEmpty());

  // No, then cancel: nothing is written and nothing changes.
  Script.Asked.clear();
  Form->SetModified(true);
  Script.Files = {Other, QString()};
  Script.YesNo = {false};
  Form->A1Click();
  EXPECT_EQ(FileBytes(Other), QByteArray("another task\r\n"));
  EXPECT_EQ(Form->FileName(), Fresh);
  EXPECT_TRUE(Form->Modified());

  // Yes replaces it.
  Script.Asked.clear();
  Script.Files = {Other};
  Script.YesNo = {true};
  Form->A1Click();
  EXPECT_EQ(Script.Texts("question"), QStringList{Question});
  EXPECT_EQ(Form->FileName(), Other);
  EXPECT_EQ(FileBytes(Other), FileBytes(Fresh));
  EXPECT_FALSE(Form->Modified());

  // The first Save of a new task and the unsaved-changes question choose
  // their file the same way.
  Script.Asked.clear();
  Form->N1Click();
  Form->SetModified(true);
  Script.Files = {Fresh, QString()};
  Script.YesNo = {false};
  Form->S1Click();
  EXPECT_EQ(Script.Texts("question").size(), 1);
  EXPECT_TRUE(Form->Modified());
  Script.YesNo = {true, false};  // save the changes?  replace?
  Script.Files = {Fresh, QString()};
  Form->N1Click();
  EXPECT_EQ(Script.Texts("question").size(), 3);
  EXPECT_EQ(FileBytes(Other), FileBytes(Fresh));
}

TEST_F(TMainWindowTest, SaveFailureShowsTheErrorAndKeepsModified) {
  Form->SetModified(true);
  Script.Files = {Temp.filePath(QStringLiteral("missing-folder/plan.tsk"))};
  Form->S1Click();
  ASSERT_EQ(Script.Texts("error").size(), 1);
  EXPECT_FALSE(Script.Texts("error").at(0).isEmpty());
  EXPECT_TRUE(Form->Modified());
  // The command ended before refreshing the window.
  EXPECT_EQ(Form->windowTitle(), QStringLiteral("Tavik Vadi"));
}

TEST_F(TMainWindowTest, OpenLoadsTheTaskAndShowsIt) {
  OpenFile(Example("cabinet.tsk"));
  EXPECT_FALSE(Form->Modified());
  EXPECT_EQ(T().ObjCount, 10);
  EXPECT_EQ(T().SrcCount, 2);
  EXPECT_EQ(Form->windowTitle(), QStringLiteral("Tavik Vadi \"%1\"").arg(Example("cabinet.tsk")));
  EXPECT_EQ(Form->dgObjPlansCellText(0, 1), QStringLiteral("侧板"));
  EXPECT_EQ(Form->dgObjPlans->RowCount(), 11);
  EXPECT_EQ(Form->dgSrcRects->RowCount(), 3);
  EXPECT_EQ(Script.Texts("open"), QStringList{QStringLiteral("任务文件(*.tsk)")});
}

TEST_F(TMainWindowTest, OpenCancelledKeepsTheTaskAndRefreshes) {
  T().KnifeWidth = 11;
  Script.Files = {QString()};
  Form->O1Click();
  EXPECT_EQ(T().KnifeWidth, 11);
  EXPECT_EQ(Form->windowTitle(), QStringLiteral("Tavik Vadi \"\""));
}

TEST_F(TMainWindowTest, FailedOpenShowsTheErrorAndKeepsTaskAndFileName) {
  const QString Good = TempFile("good.tsk");
  QFile::copy(Example("cabinet.tsk"), Good);
  OpenFile(Good);
  T().KnifeWidth = 42;
  Form->SetModified(true);
  Script.YesNo = {false};
  Script.Files = {TempFile("nowhere.tsk")};
  Form->O1Click();
  EXPECT_EQ(Script.Texts("error"), QStringList{QStringLiteral("File not found")});
  EXPECT_EQ(T().KnifeWidth, 42);
  EXPECT_EQ(T().ObjCount, 10);
  EXPECT_TRUE(Form->Modified());
  // The failed file does not become the target of the next Save.
  EXPECT_EQ(Form->FileName(), Good);

  QFile Broken(TempFile("broken.tsk"));
  ASSERT_TRUE(Broken.open(QIODevice::WriteOnly));
  Broken.write("Owner\r\nCode\r\nName\r\nnot a date\r\n");
  Broken.close();
  Script.YesNo = {false};
  Script.Files = {Broken.fileName()};
  Form->O1Click();
  ASSERT_EQ(Script.Texts("error").size(), 2);
  EXPECT_EQ(T().KnifeWidth, 42);
  EXPECT_EQ(Form->FileName(), Good);
}

TEST_F(TMainWindowTest, ComputeOnEmptyTaskAsksWhetherToComputeAgain) {
  for (bool Answer : {true, false}) {
    Script.YesNo = {Answer};
    Form->N5Click();
    EXPECT_EQ(Script.Asked.back().Text, AgainQuestion);
    EXPECT_EQ(Script.QuestionKinds.back(), TQuestion::Confirmation);
    EXPECT_EQ(T().JobCount, 0);
  }
  EXPECT_FALSE(Progress->isVisible());
}

TEST_F(TMainWindowTest, ComputeAfterAnEditRestartsWithoutAskingEveryTime) {
  OpenFile(Example("cabinet.tsk"));
  Form->N5Click();
  ASSERT_GT(T().JobCount, 0);
  ASSERT_TRUE(AllPlaced(T()));
  const std::string Computed = PlanToText(T());

  Script.Asked.clear();
  Form->SetModified(true);
  Form->N5Click();
  Form->N5Click();
  EXPECT_TRUE(Script.Asked.empty());
  EXPECT_TRUE(Form->Modified());
  EXPECT_EQ(PlanToText(T()), Computed);
  EXPECT_EQ(Form->TabSet1->count(), T().JobCount);
  EXPECT_EQ(Form->TabSet1->currentIndex(), 0);
  EXPECT_EQ(Form->TabSet1->tabText(T().JobCount - 1), QStringLiteral("作业%1").arg(T().JobCount));
}

TEST_F(TMainWindowTest, ComputeOnAComputedTaskAsksAndKeepsItOnNo) {
  OpenFile(Example("cabinet.tsk"));
  Form->N5Click();
  const std::string Computed = PlanToText(T());
  T().Jobs[1].Count = 77;  // would be recomputed on a restart
  Script.YesNo = {false};
  Form->N5Click();
  EXPECT_EQ(Script.Texts("question"), QStringList{AgainQuestion});
  EXPECT_EQ(T().Jobs[1].Count, 77);

  Script.YesNo = {true};
  Form->N5Click();
  EXPECT_EQ(PlanToText(T()), Computed);
}

TEST_F(TMainWindowTest, ComputeContinuesAPartlyComputedTaskOnYes) {
  OpenFile(Example("cabinet.tsk"));
  Form->N5Click();
  const std::int32_t Jobs = T().JobCount;
  ASSERT_GE(Jobs, 2);
  const std::string Computed = PlanToText(T());

  // Take the last job back: pieces pending, jobs present, nothing changed.
  TJob& Last = T().Jobs[Jobs];
  for (std::int32_t k = 1; k <= Last.RectCount; ++k) T().ObjPlans[Last.Rects[k].ObjNo].Pending += Last.Count;
  --T().JobCount;
  Script.YesNo = {true};
  Form->N5Click();
  EXPECT_EQ(Script.Texts("question"), QStringList{ContinueQuestion});
  EXPECT_EQ(T().JobCount, Jobs);
  EXPECT_EQ(PlanToText(T()), Computed);

  // No: start over.
  --T().JobCount;
  for (std::int32_t k = 1; k <= Last.RectCount; ++k) T().ObjPlans[Last.Rects[k].ObjNo].Pending += Last.Count;
  T().Jobs[1].Count = 99;
  Script.YesNo = {false};
  Form->N5Click();
  EXPECT_EQ(PlanToText(T()), Computed);
}

// Hands every call on to Link; once the search runs, the pending counts of
// Task drop to 0 under it.
class TPendingThief final : public IProgressLink {
 public:
  TPendingThief(TPlan& Task, IProgressLink& Link) : Task_(Task), Link_(Link) {}
  void SetProgressRange(std::int32_t Min, std::int32_t Max) override { Link_.SetProgressRange(Min, Max); }
  void SetProgressPosition(std::int32_t Position) override { Link_.SetProgressPosition(Position); }
  void ShowProgress() override { Link_.ShowProgress(); }
  void RepaintProgress() override { Link_.RepaintProgress(); }
  void CloseProgress() override { Link_.CloseProgress(); }
  void SetNodeText(std::string_view Path) override { Link_.SetNodeText(Path); }
  void ProcessMessages() override {
    Link_.ProcessMessages();
    for (std::int32_t i = 1; i <= Task_.ObjCount; ++i) Task_.ObjPlans[i].Pending = 0;
  }
  bool StopRequested() const override { return Link_.StopRequested(); }
  void ShowTask() override { Link_.ShowTask(); }

 private:
  TPlan& Task_;
  IProgressLink& Link_;
};

TEST_F(TMainWindowTest, FailedJobRecordOffersToCancelTheResult) {
  // The job table's consistency can only break when the pending counts
  // change under the search, which nothing in the window can do any more:
  // the calculation works on its own copy of the task. Make them change on
  // the calculation's thread, with one thread, which reads them only when a
  // search starts.
  OpenFile(BenchTask("cabinet20_d2.tsk"));
  T().RigidFlag = true;
  Form->SetCalculation([](TPlan& Task, std::string& Message, IProgressLink& Link) {
    TPendingThief Thief(Task, Link);
    MakePlan(Task, Message, Thief, nullptr, 1);
  });
  const std::string Before = PlanToText(T());
  for (bool Cancel : {true, false}) {
    Script.Asked.clear();
    Script.YesNo = {Cancel};
    Form->SetModified(true);
    Form->N5Click();
    ASSERT_EQ(Script.Texts("question").size(), 1);
    EXPECT_EQ(Script.Texts("question").at(0), QStringLiteral("算法设计错误，作业数量大于任务数量!取消本次结果吗？"));
    EXPECT_EQ(Script.QuestionKinds.back(), TQuestion::Warning);
    if (Cancel) {
      EXPECT_EQ(PlanToText(T()), Before);
    } else {
      EXPECT_NE(PlanToText(T()), Before);
      // Undo for the next round.
      auto Fresh = std::make_unique<TPlan>();
      PlanFromText(*Fresh, Before);
      Fresh->RigidFlag = true;
      T() = *Fresh;
    }
  }
}

TEST_F(TMainWindowTest, LocksAndStockLimitsSurviveComputeSaveAndReopen) {
  OpenFile(Example("grain-stock.tsk"));
  Form->N5Click();
  EXPECT_TRUE(Script.Texts("question").isEmpty());
  ASSERT_TRUE(AllPlaced(T()));
  EXPECT_EQ(CheckPlan(T()), "");
  EXPECT_EQ(SheetsLeft(T(), 1), 0);
  const std::string Computed = PlanToText(T());
  EXPECT_NE(Computed.find("[Tavik Vadi extras]"), std::string::npos);

  const QString Saved = TempFile("grain.tsk");
  Script.Files = {Saved};
  Form->A1Click();
  Form->N1Click();
  EXPECT_EQ(T().ObjCount, 0);
  OpenFile(Saved);
  EXPECT_EQ(PlanToText(T()), Computed);
  EXPECT_EQ(Form->TabSet1->count(), T().JobCount);
  EXPECT_EQ(Form->dgSrcRects->CellText(3, 1), QString::number(T().SrcRects[1].Stock));
}

TEST_F(TMainWindowTest, ClearResultsRemovesTheJobsButNotTheChanges) {
  OpenFile(Example("cabinet.tsk"));
  Form->N5Click();
  ASSERT_GT(Form->TabSet1->count(), 0);
  Script.Asked.clear();
  Form->N10Click();
  EXPECT_EQ(T().JobCount, 0);
  EXPECT_EQ(Form->TabSet1->count(), 0);
  for (std::int32_t i = 1; i <= T().ObjCount; ++i) EXPECT_EQ(T().ObjPlans[i].Pending, T().ObjPlans[i].Quantity);
  EXPECT_FALSE(Form->Modified());
  EXPECT_TRUE(Script.Asked.empty());
}

TEST_F(TMainWindowTest, StopEndsTheCalculationWithAtMostOneMoreJob) {
  // Three levels deep a job takes seconds: the stop comes during the first.
  OpenFile(BenchTask("classic_cw3_d2.tsk"));
  T().SearchDepth = 3;
  Form->SetModified(true);
  bool WasVisible = false;
  DuringCalculation(
      [&] {
        WasVisible = Progress->isVisible();
        QTest::mouseClick(Progress->Button1, Qt::LeftButton);
      },
      true);
  Form->N5Click();
  EXPECT_TRUE(WasVisible);
  EXPECT_LE(T().JobCount, 1);
  EXPECT_FALSE(AllPlaced(T()));
  EXPECT_FALSE(Progress->isVisible());
  EXPECT_TRUE(Progress->StopRequested());
  EXPECT_FALSE(Form->Computing());
  EXPECT_TRUE(Form->N5->isEnabled());

  // The next calculation clears the request and continues the task.
  Script.YesNo = {true};
  Form->SetModified(false);
  const std::int32_t Jobs = T().JobCount;
  if (Jobs == 0) Script.YesNo.clear();
  DuringCalculation([&] { Progress->close(); }, true);  // the title bar's close button
  Form->N5Click();
  EXPECT_LE(T().JobCount, Jobs + 1);
}

TEST_F(TMainWindowTest, CommandsAndGridsAreLockedDuringTheCalculation) {
  OpenFile(BenchTask("cabinet20_d2.tsk"));
  Form->SetModified(true);
  std::vector<bool> Enabled;
  bool GridsReadOnly = false;
  DuringCalculation([&] {
    for (QAction* Command : {Form->N1, Form->O1, Form->S1, Form->A1, Form->N5, Form->N10})
      Enabled.push_back(Command->isEnabled());
    for (QToolButton* Button : {Form->ToolButton1, Form->ToolButton2, Form->ToolButton3, Form->ToolButton7,
                                Form->ToolButton8})
      Enabled.push_back(Button->isEnabled());
    GridsReadOnly = Form->dgObjPlans->ReadOnly() && Form->dgSrcRects->ReadOnly() && Form->dgSystem->ReadOnly();
    // A person typing into the grids and pressing Delete changes nothing.
    Form->dgObjPlans->SetCell(0, 1);
    Type(Form->dgObjPlans, QStringLiteral("xyz"));
    Key(Form->dgObjPlans, Qt::Key_Return);
    Key(Form->dgObjPlans, Qt::Key_Delete);
    Form->dgSystem->SetCell(1, 1);
    Type(Form->dgSystem, QStringLiteral("9"));
    // Commands run by other means do nothing either.
    Form->N10Click();
    Form->N1Click();
    Enabled.push_back(Form->X1->isEnabled());
    Progress->close();
  });
  Form->N5Click();
  ASSERT_EQ(Enabled.size(), 12u);
  for (std::size_t i = 0; i + 1 < Enabled.size(); ++i) EXPECT_FALSE(Enabled[i]) << i;
  EXPECT_TRUE(Enabled.back());  // closing stays possible
  EXPECT_TRUE(GridsReadOnly);
  for (std::int32_t i = 1; i <= T().ObjCount; ++i) EXPECT_NE(T().ObjPlans[i].Name.front(), 'x');
  EXPECT_EQ(T().ObjCount, 20);
  EXPECT_EQ(T().KnifeWidth, 4);
  EXPECT_GE(T().JobCount, 0);
  EXPECT_FALSE(Form->dgObjPlans->ReadOnly());
  EXPECT_TRUE(Form->N1->isEnabled());
}

TEST_F(TMainWindowTest, ClosingDuringTheCalculationStopsAsksAndCloses) {
  OpenFile(BenchTask("classic_cw3_d2.tsk"));
  T().SearchDepth = 3;
  Form->SetModified(true);
  Script.YesNo = {false};
  bool CloseRefused = false;
  DuringCalculation([&] { CloseRefused = !Form->close(); });
  Form->N5Click();
  EXPECT_TRUE(CloseRefused);  // the window waited for the calculation
  EXPECT_EQ(Script.Texts("question"), QStringList{SaveQuestion});
  EXPECT_FALSE(Form->isVisible());
  EXPECT_LE(T().JobCount, 1);
}

TEST_F(TMainWindowTest, ExitAsksToSaveAndCloses) {
  Form->SetModified(true);
  const QString Path = TempFile("exit.tsk");
  Script.YesNo = {true};
  Script.Files = {Path};
  Form->X1->trigger();
  EXPECT_FALSE(Form->isVisible());
  EXPECT_FALSE(FileBytes(Path).isEmpty());
}

TEST_F(TMainWindowTest, ClosingKeepsAWindowWhoseTaskCouldNotBeWritten) {
  Form->SetModified(true);
  Script.YesNo = {true};
  Script.Files = {Temp.filePath(QStringLiteral("missing-folder/plan.tsk"))};
  EXPECT_FALSE(Form->close());
  EXPECT_TRUE(Form->isVisible());
  EXPECT_EQ(Script.Texts("error").size(), 1);

  // Without unsaved changes it closes without a word.
  Form->SetModified(false);
  EXPECT_TRUE(Form->close());
  EXPECT_EQ(Script.Texts("question").size(), 1);
}

TEST_F(TMainWindowTest, PrintAndAboutWaitForTheirHooks) {
  EXPECT_FALSE(Form->P1->isEnabled());
  EXPECT_FALSE(Form->ToolButton5->isEnabled());
  EXPECT_FALSE(Form->A3->isEnabled());
  int Printed = 0;
  int About = 0;
  Form->P1->trigger();
  EXPECT_EQ(Printed, 0);
  Form->SetPrintCommand([&] { ++Printed; });
  Form->SetAboutCommand([&] { ++About; });
  EXPECT_TRUE(Form->P1->isEnabled());
  EXPECT_TRUE(Form->ToolButton5->isEnabled());
  EXPECT_TRUE(Form->A3->isEnabled());
  QTest::mouseClick(Form->ToolButton5, Qt::LeftButton);
  Form->P1->trigger();
  Form->A3->trigger();
  EXPECT_EQ(Printed, 2);
  EXPECT_EQ(About, 1);
}

TEST_F(TMainWindowTest, ToolButtonsRunTheirMenuCommands) {
  const QString Path = TempFile("tool.tsk");
  Script.Files = {Path};
  Form->SetModified(true);
  QTest::mouseClick(Form->ToolButton3, Qt::LeftButton);  // save
  EXPECT_EQ(Form->FileName(), Path);
  Script.Files = {Example("cabinet.tsk")};
  QTest::mouseClick(Form->ToolButton2, Qt::LeftButton);  // open
  EXPECT_EQ(T().ObjCount, 10);
  QTest::mouseClick(Form->ToolButton7, Qt::LeftButton);  // compute
  EXPECT_GT(T().JobCount, 0);
  QTest::mouseClick(Form->ToolButton8, Qt::LeftButton);  // clear results
  EXPECT_EQ(T().JobCount, 0);
  QTest::mouseClick(Form->ToolButton1, Qt::LeftButton);  // new
  EXPECT_EQ(T().ObjCount, 0);
  EXPECT_TRUE(Script.Asked.size() == 2u);
}

TEST_F(TMainWindowTest, FirstShowActionRunsOnceAfterTheWindowIsShown) {
  TForm1 Other;
  int Runs = 0;
  bool ShownFirst = false;
  Other.SetFirstShowAction([&] {
    ++Runs;
    ShownFirst = Other.isVisible();
  });
  Other.show();
  EXPECT_TRUE(QTest::qWaitFor([&] { return Runs == 1; }));
  EXPECT_TRUE(ShownFirst);
  Other.hide();
  Other.show();
  QTest::qWait(20);
  EXPECT_EQ(Runs, 1);
}

TEST_F(TMainWindowTest, WindowIsBuiltAsDesigned) {
  TForm1 Fresh;
  const QRect Area = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_EQ(Fresh.pos(), Area.topLeft());
  EXPECT_EQ(Fresh.size(), Area.size());
  EXPECT_EQ(Fresh.windowTitle(), QStringLiteral("Tavik Vadi"));

  QStringList Menus;
  for (QAction* Menu : Form->menuBar()->actions()) Menus << Menu->text();
  EXPECT_EQ(Menus, (QStringList{QStringLiteral("文件(&F)"), QStringLiteral("工具(&T)"), QStringLiteral("帮助(&H)")}));
  QStringList Items;
  for (QMenu* Menu : {Form->FileMenu, Form->ToolsMenu, Form->HelpMenu})
    for (QAction* Item : Menu->actions()) Items << (Item->isSeparator() ? QStringLiteral("-") : Item->text());
  EXPECT_EQ(Items, (QStringList{QStringLiteral("新建(&N)"), QStringLiteral("打开(&O)"), QStringLiteral("保存(&S)"),
                                QStringLiteral("另存为(&A)"), QStringLiteral("-"), QStringLiteral("打印(&P)"),
                                QStringLiteral("-"), QStringLiteral("结束(&X)"), QStringLiteral("生成作业计划"),
                                QStringLiteral("优化作业计划"), QStringLiteral("清除作业计划"),
                                QStringLiteral("关于本软件(&A)")}));

  QStringList Tools;
  for (QAction* Item : Form->ToolBar1->actions()) {
    QWidget* Widget = Form->ToolBar1->widgetForAction(Item);
    auto* Button = qobject_cast<QToolButton*>(Widget);
    Tools << (Button != nullptr ? Button->toolTip() : QStringLiteral("|%1").arg(Widget->width()));
    if (Button != nullptr) {
      EXPECT_EQ(Button->icon().availableSizes().value(0), QSize(16, 16));
    }
  }
  EXPECT_EQ(Tools, (QStringList{QStringLiteral("创建新计划"), QStringLiteral("打开已有的计划"), QStringLiteral("保存计划"),
                                QStringLiteral("|8"), QStringLiteral("打印作业清单"), QStringLiteral("|8"),
                                QStringLiteral("计算作业计划"), QStringLiteral("优化作业计划"),
                                QStringLiteral("清除计算结果")}));

  // Wider than the classic 220 pixels: the grids hold the stock and turn columns too.
  EXPECT_EQ(Form->Panel1->width(), 300);
  EXPECT_EQ(Form->Panel4->height(), 118);
  EXPECT_EQ(Form->Panel5->height(), 193);
  EXPECT_EQ(Form->pnSystem->text(), QStringLiteral("计划设置"));
  EXPECT_EQ(Form->pnSrcRects->text(), QStringLiteral("板材尺寸"));
  EXPECT_EQ(Form->pnObjPlans->text(), QStringLiteral("计划明细"));
  EXPECT_EQ(Form->pnSystem->height(), 25);
  EXPECT_EQ(Form->TabSet1->height(), 21);
  EXPECT_EQ(Form->StatusBar2->height(), 19);
  EXPECT_EQ(Form->Splitter1->handleWidth(), 3);
  EXPECT_EQ(Form->Image1->size(), QSize(2000, 2000));
  for (QLabel* Panel : Form->StatusPanels) EXPECT_EQ(Panel->width(), 50);
}

}  // namespace
