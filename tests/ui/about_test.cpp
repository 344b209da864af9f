// The about box: its layout, the two alternating lines and its timer.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "Fonts.h"
#include "ProductPicture.h"
#include "about.h"

namespace {

// Which line a person sees: 1 for the contact line, 2 for the credits,
// 0 or 3 when none or both are visible.
int VisibleLine(const TAboutBox& Box) {
  return (Box.Label1->isVisibleTo(&Box) ? 1 : 0) + (Box.Label2->isVisibleTo(&Box) ? 2 : 0);
}

class AboutBox : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InstallFontSubstitutes(); }
};

TEST_F(AboutBox, HasThePictureAndOneLineBelowIt) {
  TAboutBox Box;
  EXPECT_EQ(Box.windowTitle(), QStringLiteral("About"));
  EXPECT_EQ(Box.size(), QSize(618, 443));
  EXPECT_EQ(Box.Bevel1->geometry(), QRect(4, 8, 609, 405));
  EXPECT_EQ(Box.Image1->geometry(), QRect(8, 12, 600, 397));
  EXPECT_EQ(Box.Image1->pixmap().size(), QSize(600, 397));
  EXPECT_EQ(Box.OKButton->text(), QStringLiteral("关闭"));
  EXPECT_EQ(Box.OKButton->geometry(), QRect(539, 416, 75, 25));
  EXPECT_TRUE(Box.OKButton->isDefault());
  EXPECT_EQ(Box.Label1->pos(), QPoint(8, 421));
  EXPECT_EQ(Box.Label2->pos(), QPoint(8, 424));
  EXPECT_EQ(Box.Label2->width(), 525);
  EXPECT_EQ(VisibleLine(Box), 1);
  EXPECT_FALSE(Box.Timer1->isActive());
}

TEST_F(AboutBox, BothLinesFitBesideTheButton) {
  TAboutBox Box;
  for (QLabel* Label : {Box.Label1, Box.Label2}) {
    SCOPED_TRACE(Label->objectName().toStdString());
    EXPECT_FALSE(Label->text().isEmpty());
    const int TextWidth = QFontMetrics(Label->font()).horizontalAdvance(Label->text());
    EXPECT_LE(Label->x() + TextWidth, Box.OKButton->x());
    EXPECT_GE(Label->height(), QFontMetrics(Label->font()).height());  // not cut off below
  }
}

TEST_F(AboutBox, ShowingStartsTheFiveSecondTimerAndKeepsTheVisibleLine) {
  TAboutBox Box;
  Box.Timer1Timer();
  Box.Timer1Timer();  // the credits line is up, the contact line comes next
  ASSERT_EQ(VisibleLine(Box), 2);
  Box.show();
  EXPECT_TRUE(Box.LabelToggle);
  EXPECT_TRUE(Box.Timer1->isActive());
  EXPECT_EQ(Box.Timer1->interval(), 5000);
  EXPECT_EQ(VisibleLine(Box), 2);
  Box.Timer1Timer();
  EXPECT_EQ(VisibleLine(Box), 1);
}

TEST_F(AboutBox, TicksAlternateTheLinesContactLineFirstAfterEveryShowing) {
  TAboutBox Box;
  for (int Showing = 1; Showing <= 3; ++Showing) {
    SCOPED_TRACE(Showing);
    Box.show();
    // Odd showings close after an even number of ticks, even ones after
    // an odd number, so the box is shown again in both states.
    const int Ticks = 4 + Showing;
    for (int Tick = 1; Tick <= Ticks; ++Tick) {
      Box.Timer1Timer();
      EXPECT_EQ(VisibleLine(Box), Tick % 2 == 1 ? 1 : 2) << "tick " << Tick;
    }
    QTest::mouseClick(Box.OKButton, Qt::LeftButton);
  }
}

TEST_F(AboutBox, ItsRunningTimerDrivesTheLines) {
  TAboutBox Box;
  Box.SetIntervalForTests(15);
  Box.show();
  EXPECT_TRUE(QTest::qWaitFor([&] { return VisibleLine(Box) == 2; }, 5000));
  EXPECT_TRUE(QTest::qWaitFor([&] { return VisibleLine(Box) == 1; }, 5000));
  Box.OKButtonClick();
}

TEST_F(AboutBox, CloseButtonStopsTheTimerAndAccepts) {
  TAboutBox Box;
  Box.SetIntervalForTests(40);
  Box.show();
  QSignalSpy Ticks(Box.Timer1, &QTimer::timeout);
  QTest::mouseClick(Box.OKButton, Qt::LeftButton);
  EXPECT_FALSE(Box.isVisible());
  EXPECT_FALSE(Box.Timer1->isActive());
  EXPECT_EQ(Box.result(), QDialog::Accepted);
  const int Line = VisibleLine(Box);
  QTest::qWait(250);
  EXPECT_EQ(Ticks.count(), 0);
  EXPECT_EQ(VisibleLine(Box), Line);
}

TEST_F(AboutBox, EnterPressesTheDefaultButton) {
  TAboutBox Box;
  Box.show();
  QTest::keyClick(&Box, Qt::Key_Return);
  EXPECT_FALSE(Box.isVisible());
  EXPECT_EQ(Box.result(), QDialog::Accepted);
  EXPECT_FALSE(Box.Timer1->isActive());
}

TEST_F(AboutBox, EscapeClosesWithoutATimerLeftRunning) {
  // A hidden box whose timer still ran would change its line unseen.
  TAboutBox Box;
  Box.show();
  QTest::keyClick(&Box, Qt::Key_Escape);
  EXPECT_FALSE(Box.isVisible());
  EXPECT_EQ(Box.result(), QDialog::Rejected);
  EXPECT_FALSE(Box.Timer1->isActive());
}

}  // namespace
