// The progress dialog: its design, the remaining-time estimate, the stop
// request and the throttled message processing.
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <thread>

#include "LocaleText.h"
#include "WindowFixture.h"

namespace {

constexpr double Minute = 1.0 / 24 / 60;

// A dialog whose clock the test sets.
class TProgressDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Dialog.SetClock([this] { return Clock; });
  }

  // Range 0..Max, position Start, then shown.
  void Show(std::int32_t Max, std::int32_t Start) {
    Dialog.SetProgressRange(0, Max);
    Dialog.SetProgressPosition(Start);
    Dialog.ShowProgress();
  }

  QString Estimate(double Days) const {
    const QLocale Locale = QLocale::system();
    return QStringLiteral("估计剩余时间：") + DurationText(Days, DurationFormat(Locale), Locale);
  }

  TDateTime Clock = 45000.5;
  TForm2 Dialog;
};

TEST_F(TProgressDialogTest, IsBuiltAsDesigned) {
  EXPECT_EQ(Dialog.windowTitle(), QStringLiteral("计算进度"));
  EXPECT_EQ(Dialog.size(), QSize(555, 125));
  EXPECT_EQ(Dialog.minimumSize(), Dialog.maximumSize());
  EXPECT_TRUE(Dialog.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(Dialog.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(Dialog.windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(Dialog.isModal());
  EXPECT_FALSE(Dialog.isVisible());
  EXPECT_EQ(Dialog.Label1->text(), QStringLiteral("估计剩余时间:"));
  EXPECT_EQ(Dialog.Label2->text(), QStringLiteral("搜索节点:"));
  EXPECT_EQ(Dialog.Label1->geometry(), QRect(8, 16, 537, 13));
  EXPECT_EQ(Dialog.Label2->geometry(), QRect(8, 40, 537, 13));
  EXPECT_EQ(Dialog.ProgressBar1->geometry(), QRect(8, 64, 537, 25));
  EXPECT_EQ(Dialog.Button1->geometry(), QRect(472, 96, 75, 25));
  EXPECT_EQ(Dialog.Button1->text(), QStringLiteral("停止"));
}

TEST_F(TProgressDialogTest, EstimateIsTheTimePerPieceTimesThePiecesLeft) {
  Show(20, 1);
  EXPECT_EQ(Dialog.StartTime, Clock);
  EXPECT_EQ(Dialog.StartPosition, 1);
  // Centred on the screen.
  const QRect Area = Dialog.screen()->availableGeometry();
  EXPECT_NEAR(Dialog.frameGeometry().center().x(), Area.center().x(), 2);
  EXPECT_NEAR(Dialog.frameGeometry().center().y(), Area.center().y(), 30);

  // Right after showing nothing has been placed since: the label stays.
  Dialog.RepaintProgress();
  EXPECT_EQ(Dialog.Label1->text(), QStringLiteral("估计剩余时间:"));

  // 4 pieces in 2 minutes, 15 to go: 7.5 minutes.
  Clock += 2 * Minute;
  Dialog.SetProgressPosition(5);
  Dialog.RepaintProgress();
  EXPECT_EQ(Dialog.PaintTime, Clock);
  EXPECT_EQ(Dialog.Label1->text(), Estimate(7.5 * Minute));
  EXPECT_EQ(DurationText(7.5 * Minute, QStringLiteral("h:mm:ss"), QLocale::c()), QStringLiteral("0:07:30"));

  // The next calculation keeps the last estimate until it progresses.
  Dialog.CloseProgress();
  Show(20, 1);
  Dialog.RepaintProgress();
  EXPECT_EQ(Dialog.Label1->text(), Estimate(7.5 * Minute));
}

TEST_F(TProgressDialogTest, ANewRangeWhileShownStartsTheEstimateAgain) {
  Show(20, 1);
  Clock += 10 * Minute;
  Dialog.SetProgressPosition(20);
  Dialog.RepaintProgress();
  // The optimiser's second stage: its own range, measured from its start.
  Dialog.SetProgressRange(0, 100);
  EXPECT_EQ(Dialog.StartTime, Clock);
  EXPECT_EQ(Dialog.StartPosition, 0);
  Clock += 2 * Minute;
  Dialog.SetProgressPosition(40);
  Dialog.RepaintProgress();
  EXPECT_EQ(Dialog.Label1->text(), Estimate(2 * Minute / 40 * 60));
  // The same range again changes nothing.
  Dialog.SetProgressRange(0, 100);
  EXPECT_EQ(Dialog.StartTime, Clock - 2 * Minute);
}

TEST(DurationTextTest, ShowsHoursMinutesSecondsOfTheDay) {
  const QLocale C = QLocale::c();
  const QString Format = QStringLiteral("h:mm:ss");
  EXPECT_EQ(DurationText((3 * 60 + 25) / 86400.0, Format, C), QStringLiteral("0:03:25"));
  EXPECT_EQ(DurationText(25.0 / 24, Format, C), QStringLiteral("1:00:00"));
  EXPECT_EQ(DurationText(-0.5, Format, C), QStringLiteral("0:00:00"));
  EXPECT_EQ(DurationText(13.5 / 24, Format, C), QStringLiteral("13:30:00"));
}

TEST(DurationTextTest, FormatDropsTimeZoneAndDayHalf) {
  // A duration is no time of day: "12:07:30 AM" or a zone name would be
  // wrong for 7.5 minutes.
  EXPECT_EQ(DurationFormat(QLocale(QLocale::English, QLocale::UnitedStates)), QStringLiteral("h:mm:ss"));
  EXPECT_EQ(DurationFormat(QLocale(QLocale::Chinese, QLocale::China)), QStringLiteral("HH:mm:ss"));
  EXPECT_EQ(DurationFormat(QLocale(QLocale::German, QLocale::Germany)), QStringLiteral("HH:mm:ss"));
  const QLocale Us(QLocale::English, QLocale::UnitedStates);
  EXPECT_EQ(DurationText(7.5 * Minute, DurationFormat(Us), Us), QStringLiteral("0:07:30"));
  const QString Korean = DurationFormat(QLocale(QLocale::Korean, QLocale::SouthKorea));
  EXPECT_FALSE(Korean.contains(QLatin1Char('t')) || Korean.contains(QLatin1String("AP")));
}

TEST_F(TProgressDialogTest, ClosingForAnyReasonRequestsTheStopAndShowingClearsIt) {
  Show(10, 1);
  EXPECT_FALSE(Dialog.StopRequested());
  QTest::mouseClick(Dialog.Button1, Qt::LeftButton);
  EXPECT_TRUE(Dialog.StopRequested());
  EXPECT_FALSE(Dialog.isVisible());

  Show(10, 1);
  EXPECT_FALSE(Dialog.StopRequested());
  Dialog.close();  // the title bar's close button
  EXPECT_TRUE(Dialog.StopRequested());

  Show(10, 1);
  QTest::keyClick(&Dialog, Qt::Key_Escape);
  EXPECT_TRUE(Dialog.StopRequested());
  EXPECT_FALSE(Dialog.isVisible());

  Show(10, 1);
  Dialog.CloseProgress();
  EXPECT_TRUE(Dialog.StopRequested());
  Dialog.CloseProgress();  // already hidden: still a stop
  EXPECT_TRUE(Dialog.StopRequested());
}

TEST_F(TProgressDialogTest, PositionOutsideTheRangeSticksToItsEnds) {
  Show(0, 1);  // a task without pieces
  EXPECT_EQ(Dialog.ProgressBar1->value(), 0);
  Dialog.SetProgressRange(0, 10);
  Dialog.SetProgressPosition(12);
  EXPECT_EQ(Dialog.ProgressBar1->value(), 10);
}

TEST_F(TProgressDialogTest, MessagesAreProcessedAtMostEveryTwentyMilliseconds) {
  Show(10, 1);
  int Handled = 0;
  std::function<void()> Repost;
  Repost = [&] {
    ++Handled;
    QMetaObject::invokeMethod(&Dialog, Repost, Qt::QueuedConnection);
  };
  QMetaObject::invokeMethod(&Dialog, Repost, Qt::QueuedConnection);
  QElapsedTimer Elapsed;
  Elapsed.start();
  int Calls = 0;
  while (Elapsed.elapsed() < 200) {
    Dialog.ProcessMessages();
    ++Calls;
  }
  const qint64 Spent = Elapsed.elapsed();
  EXPECT_GT(Calls, 1000);
  EXPECT_GE(Handled, 1);
  // One processing per 20 ms at most (the coarse clock may add a tick).
  EXPECT_LE(Handled, Spent / 16 + 2);
  Dialog.CloseProgress();
}

TEST_F(TProgressDialogTest, NodeTextShowsOnRepaintAndAMovedBarAlwaysRepaints) {
  Show(10, 1);
  Dialog.SetNodeText("作业:1 毛坯:1 计划:3");
  Dialog.SetProgressPosition(2);
  Dialog.RepaintProgress();
  EXPECT_EQ(Dialog.Label2->text(), QStringLiteral("作业:1 毛坯:1 计划:3"));
  Clock += Minute;
  Dialog.SetProgressPosition(3);
  Dialog.RepaintProgress();  // at once after the previous one
  EXPECT_EQ(Dialog.PaintTime, Clock);
}

using TProgressInWindowTest = TWindowTest;

TEST_F(TProgressInWindowTest, CalculationShowsProgressAndClosesTheDialog) {
  OpenFile(BenchTask("cabinet20_d2.tsk"));
  Form->SetModified(true);
  // Long enough for the dialog to come up.
  Form->SetCalculation(SlowCalculation(250));
  int Maximum = -1;
  int Position = -1;
  QString Node;
  bool Visible = false;
  // Looks at the dialog whenever the calculation lets messages through.
  QTimer Watch;
  Watch.setInterval(10);
  QObject::connect(&Watch, &QTimer::timeout, [&] {
    Visible = Visible || Progress->isVisible();
    Maximum = Progress->ProgressBar1->maximum();
    Position = std::max(Position, Progress->ProgressBar1->value());
    if (Progress->Label2->text().startsWith(QStringLiteral("作业:"))) Node = Progress->Label2->text();
  });
  Watch.start();
  Form->N5Click();
  Watch.stop();
  EXPECT_TRUE(Visible);
  EXPECT_EQ(Maximum, static_cast<int>(TotalQuantity(T())));
  EXPECT_GE(Position, 1);
  EXPECT_TRUE(Node.startsWith(QStringLiteral("作业:"))) << Node.toStdString();
  EXPECT_FALSE(Progress->isVisible());
  EXPECT_EQ(Progress->ProgressBar1->value(), static_cast<int>(PlacedQuantity(T())));
  EXPECT_TRUE(AllPlaced(T()));
}

TEST_F(TProgressInWindowTest, AShortCalculationDoesNotFlashTheDialog) {
  OpenFile(BenchTask("cabinet10_d2.tsk"));
  Form->SetModified(true);
  // The calculation does not wait for the window: a few milliseconds of its
  // own would be over before the watch looked.
  Form->SetCalculation(SlowCalculation(30));
  bool Pending = false;
  bool Visible = false;
  QTimer Watch;
  Watch.setInterval(1);
  QObject::connect(&Watch, &QTimer::timeout, [&] {
    Pending = Pending || Progress->ShowPending();
    Visible = Visible || Progress->isVisible();
  });
  Watch.start();
  Form->N5Click();
  // The delayed showing is called off with the calculation, not merely late.
  QTest::qWait(250);
  Watch.stop();
  ASSERT_TRUE(AllPlaced(T())) << "the task is computed within the delay";
  EXPECT_TRUE(Pending);
  EXPECT_FALSE(Visible);
  EXPECT_FALSE(Progress->isVisible());
  EXPECT_FALSE(Progress->ShowPending());
  EXPECT_TRUE(Progress->StopRequested()) << "closed at the end, as a shown dialog is";
}

TEST_F(TProgressInWindowTest, EscapeBeforeTheDialogComesUpStopsAndNothingComesUp) {
  OpenFile(BenchTask("cabinet20_d2.tsk"));
  Form->SetModified(true);
  Form->SetCalculation(SlowCalculation(2000));
  bool WasPending = false;
  DuringCalculation([&] {
    WasPending = Progress->ShowPending() && !Progress->isVisible();
    QTest::keyClick(Form.get(), Qt::Key_Escape);
  });
  Form->N5Click();
  QTest::qWait(250);
  EXPECT_TRUE(WasPending);
  EXPECT_TRUE(Progress->StopRequested());
  EXPECT_FALSE(Progress->isVisible());
  EXPECT_EQ(T().JobCount, 0) << "stopped before the search began";
  EXPECT_FALSE(Form->Computing());
}

TEST_F(TProgressInWindowTest, AStopBeforeTheCalculationReachesTheDialogIsKept) {
  // The last calculation left the stop request set; a new link clears it on
  // this thread before its calculation starts.
  Progress->RequestStop();
  TProgressLink Link(*Progress, {});
  EXPECT_FALSE(Progress->StopRequested());
  // Escape comes before the calculation's thread has told the dialog to
  // come up: the order arrives later and neither clears the stop nor
  // brings the dialog up.
  Progress->RequestStop();
  std::thread([&] { Link.ShowProgress(); }).join();
  QApplication::processEvents();
  EXPECT_TRUE(Link.StopRequested());
  EXPECT_FALSE(Progress->ShowPending());
  std::thread([&] { Link.CloseProgress(); }).join();
  QTest::qWait(150);
  EXPECT_FALSE(Progress->isVisible());
}

TEST_F(TProgressInWindowTest, TheDialogIsGoneBeforeTheQuestionAboutTheResult) {
  OpenFile(BenchTask("cabinet10_d2.tsk"));
  Form->SetModified(true);
  Form->SetCalculation([](TPlan& Task, std::string& Message, IProgressLink& Link) {
    SlowCalculation(150)(Task, Message, Link);
    Message = "算法设计错误，作业数量大于任务数量!";
  });
  bool WasUp = false;
  DuringCalculation([&] { WasUp = true; }, true);
  bool UpAtQuestion = true;
  Script.OnBox = [&] { UpAtQuestion = Progress->isVisible() || Progress->ShowPending(); };
  Script.YesNo = {false};
  Form->N5Click();
  EXPECT_TRUE(WasUp);
  ASSERT_EQ(Script.Texts("question").size(), 1);
  EXPECT_FALSE(UpAtQuestion);
  EXPECT_TRUE(AllPlaced(T())) << "No keeps the result";
}

}  // namespace
