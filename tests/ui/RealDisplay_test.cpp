// The window program in a real X session (run under xvfb-run): a task is
// opened, computed with the progress dialog on screen, and its jobs shown.
#include <QDir>
#include <QProcess>
#include <QGuiApplication>
#include <QTabBar>
#include <QToolButton>
#include <QWindow>

#include "AppSetup.h"
#include "Fonts.h"
#include "Unit5.h"
#include "about.h"
#include "WindowFixture.h"

namespace {

// One property of the X window of Widget, as xprop prints it after " = ".
QString WindowProperty(QWidget& Widget, const char* Name) {
  QProcess Xprop;
  Xprop.start(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(Widget.winId()), QString::fromLatin1(Name)});
  if (!Xprop.waitForFinished(10000)) return QString();
  const QString Text = QString::fromUtf8(Xprop.readAllStandardOutput()).trimmed();
  const qsizetype At = Text.indexOf(QStringLiteral(" = "));
  return At < 0 ? QString() : Text.mid(At + 3);
}

TEST(RealDisplay, CaptionsAreTheWindowsOwnAndFixedWindowsAskForNoMinimiseOrMaximise) {
  ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
  SetUpApplication();
  TScriptedAnswers Script;
  TAnswersScope Scope(Script);
  TForm1 Form1;
  Form1.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&Form1));
  EXPECT_EQ(WindowProperty(Form1, "_NET_WM_NAME"), QStringLiteral("\"Tavik Vadi\""));
  EXPECT_EQ(WindowProperty(Form1, "_NET_WM_ICON_NAME"), QStringLiteral("\"Tavik Vadi Ver 1.0.0\""));

  TForm2 Form2;
  TForm5 Form5;
  TAboutBox AboutBox;
  for (QDialog* Dialog : std::initializer_list<QDialog*>{&Form2, &Form5, &AboutBox}) {
    Dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Dialog));
    SCOPED_TRACE(Dialog->windowTitle().toStdString());
    EXPECT_EQ(WindowProperty(*Dialog, "_NET_WM_NAME"), QStringLiteral("\"%1\"").arg(Dialog->windowTitle()));
    // Motif hints: flags, functions, decorations; no minimise (functions
    // 0x8, decorations 0x20) and no maximise (0x10, 0x40).
    const QStringList Hints = WindowProperty(*Dialog, "_MOTIF_WM_HINTS").split(QStringLiteral(", "));
    ASSERT_GE(Hints.size(), 3);
    bool Ok = false;
    EXPECT_EQ(Hints[1].toUInt(&Ok, 16) & 0x18u, 0u);
    EXPECT_EQ(Hints[2].toUInt(&Ok, 16) & 0x60u, 0u);
    Dialog->hide();
  }
  Form1.SetModified(false);
  Form1.close();
}

TEST(RealDisplay, OpensComputesWithTheProgressDialogOnScreenAndShowsTheJobs) {
  ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
  InstallFontSubstitutes();
  TScriptedAnswers Script;
  TAnswersScope Scope(Script);
  TForm1 Form1;
  TForm2 Form2;
  Form1.SetProgressDialog(&Form2);
  Form1.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&Form1));
  Form1.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&Form1));

  Script.Files = {QStringLiteral(TAVIK_BENCH_TASKS_DIR "/classic_cw3_d2.tsk")};
  QTest::mouseClick(Form1.ToolButton2, Qt::LeftButton);
  ASSERT_EQ(Form1.Task().ObjCount, 40);
  // The dialog comes up a tenth of a second into a calculation: this one
  // lets messages through for a quarter of a second before it computes.
  Form1.SetCalculation(SlowCalculation(250));

  bool Exposed = false;
  QImage Dialog;
  QTimer Watch;
  Watch.setInterval(5);
  QObject::connect(&Watch, &QTimer::timeout, [&] {
    if (!Exposed && Form2.isVisible() && Form2.windowHandle() != nullptr && Form2.windowHandle()->isExposed()) {
      Exposed = true;
      Dialog = Form2.grab().toImage();
    }
  });
  Watch.start();
  QTest::mouseClick(Form1.ToolButton7, Qt::LeftButton);
  Watch.stop();

  EXPECT_TRUE(Exposed);
  EXPECT_FALSE(Form2.isVisible());
  // The dialog did not take the keyboard from the main window.
  QApplication::processEvents();
  EXPECT_EQ(QApplication::activeWindow(), &Form1);
  EXPECT_TRUE(AllPlaced(Form1.Task()));
  ASSERT_GT(Form1.Task().JobCount, 1);
  EXPECT_EQ(Form1.TabSet1->count(), Form1.Task().JobCount);
  EXPECT_TRUE(Script.Asked.size() == 1u);  // the open dialog only

  // Choosing the second job draws it.
  const QRect Tab = Form1.TabSet1->tabRect(1);
  QTest::mouseClick(Form1.TabSet1, Qt::LeftButton, Qt::NoModifier, Tab.center());
  EXPECT_EQ(Form1.TabSet1->currentIndex(), 1);
  QApplication::processEvents();
  const QImage Shot = Form1.grab().toImage();
  const QPoint Corner = Form1.Panel3->mapTo(&Form1, QPoint(0, 0));
  const QImage View = Shot.copy(QRect(Corner, Form1.Panel3->size()));
  int Silver = 0;
  for (int y = 0; y < View.height(); ++y)
    for (int x = 0; x < View.width(); ++x) Silver += View.pixel(x, y) == qRgb(192, 192, 192);
  EXPECT_GT(Silver, 0);
  EXPECT_TRUE(Form1.StatusText(1).startsWith(QStringLiteral(" 作业数量:")));

  QDir().mkpath(QStringLiteral(TAVIK_SCREENSHOT_DIR));
  Shot.save(QStringLiteral(TAVIK_SCREENSHOT_DIR "/x11-main-window.png"));
  if (!Dialog.isNull()) Dialog.save(QStringLiteral(TAVIK_SCREENSHOT_DIR "/x11-progress-dialog.png"));

  // Escape in the main window is the stop button while a calculation runs;
  // three levels deep a job takes seconds.
  Form1.SetCalculation({});
  Form1.Task().SearchDepth = 3;
  Form1.SetModified(true);
  bool Pressed = false;
  QTimer Press;
  Press.setInterval(1);
  QObject::connect(&Press, &QTimer::timeout, [&] {
    if (Pressed || !Form2.isVisible()) return;
    Pressed = true;
    QTest::keyClick(QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : &Form1, Qt::Key_Escape);
  });
  Press.start();
  Form1.N5Click();
  Press.stop();
  EXPECT_TRUE(Pressed);
  EXPECT_LE(Form1.Task().JobCount, 1);

  Form1.SetModified(false);
  EXPECT_TRUE(Form1.close());
}

}  // namespace
