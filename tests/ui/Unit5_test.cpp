// The splash window: its place, its picture, and its timer driven with a
// short interval so that no test waits the program's three seconds.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "ProductPicture.h"
#include "Unit5.h"

namespace {

// Long enough for a timer that should have fired to have fired.
constexpr int Settle = 250;

TEST(TForm5, ShowsThePictureInA599By396Window) {
  TForm5 Form5;
  EXPECT_EQ(Form5.windowTitle(), QStringLiteral("Tavik板材优化专家"));
  EXPECT_EQ(Form5.size(), QSize(599, 396));
  EXPECT_EQ(Form5.Image1->geometry(), QRect(0, 0, 600, 397));
  ASSERT_FALSE(Form5.Image1->pixmap().isNull());
  EXPECT_EQ(Form5.Image1->pixmap().size(), QSize(600, 397));
  EXPECT_FALSE(Form5.Timer1->isActive());  // hidden until shown
}

TEST(TForm5, ShowingStartsTheThreeSecondTimer) {
  TForm5 Form5;
  Form5.show();
  EXPECT_TRUE(Form5.Timer1->isActive());
  EXPECT_EQ(Form5.Timer1->interval(), 3000);
  Form5.close();
  EXPECT_FALSE(Form5.Timer1->isActive());
}

TEST(TForm5, ClosesByItselfWhenItsTimerFires) {
  TForm5 Form5;
  Form5.SetIntervalForTests(20);
  QSignalSpy Finished(&Form5, &QDialog::finished);
  Form5.show();
  ASSERT_TRUE(Form5.isVisible());
  EXPECT_TRUE(QTest::qWaitFor([&] { return !Form5.isVisible(); }, 5000));
  EXPECT_EQ(Finished.count(), 1);
  EXPECT_FALSE(Form5.Timer1->isActive());
}

TEST(TForm5, AClickOnThePictureClosesItAtOnceAndTheTimerNeverFires) {
  TForm5 Form5;
  Form5.SetIntervalForTests(60);
  QSignalSpy Ticks(Form5.Timer1, &QTimer::timeout);
  QSignalSpy Finished(&Form5, &QDialog::finished);
  Form5.show();
  QTest::mouseClick(Form5.Image1, Qt::LeftButton, {}, QPoint(300, 200));
  EXPECT_FALSE(Form5.isVisible());
  EXPECT_FALSE(Form5.Timer1->isActive());
  QTest::qWait(Settle);
  EXPECT_EQ(Ticks.count(), 0);
  EXPECT_EQ(Finished.count(), 1);
}

TEST(TForm5, EscapeClosesItAndStopsTheTimerToo) {
  TForm5 Form5;
  Form5.SetIntervalForTests(60);
  QSignalSpy Ticks(Form5.Timer1, &QTimer::timeout);
  Form5.show();
  QTest::keyClick(&Form5, Qt::Key_Escape);
  EXPECT_FALSE(Form5.isVisible());
  QTest::qWait(Settle);
  EXPECT_EQ(Ticks.count(), 0);
}

TEST(TForm5, EachShowingRunsTheTimerAgain) {
  TForm5 Form5;
  Form5.SetIntervalForTests(20);
  for (int Showing = 1; Showing <= 2; ++Showing) {
    SCOPED_TRACE(Showing);
    Form5.show();
    EXPECT_TRUE(Form5.Timer1->isActive());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !Form5.isVisible(); }, 5000));
    EXPECT_FALSE(Form5.Timer1->isActive());
  }
}

}  // namespace
