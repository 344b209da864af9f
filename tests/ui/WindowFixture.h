// A main window with its progress dialog and scripted answers, shown on the
// offscreen platform, for the window tests.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

#include "CalcPlan.h"
#include "DrawGrid.h"
#include "GbkText.h"
#include "ScriptedAnswers.h"
#include "Unit2.h"
#include "frmRect.h"

// The exact calculation, after Ms milliseconds in which it only lets
// messages through: long enough for the progress dialog to come up.
inline TForm1::TCalculation SlowCalculation(int Ms) {
  return [Ms](TPlan& Task, std::string& Message, IProgressLink& Link) {
    // The bar as the calculation sets it before it shows the dialog.
    Link.SetProgressRange(0, static_cast<std::int32_t>(std::min<std::int64_t>(TotalQuantity(Task), INT32_MAX)));
    Link.SetProgressPosition(1);
    Link.ShowProgress();
    const auto End = std::chrono::steady_clock::now() + std::chrono::milliseconds(Ms);
    while (std::chrono::steady_clock::now() < End && !Link.StopRequested()) {
      Link.ProcessMessages();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (!Link.StopRequested()) MakePlan(Task, Message, Link);
    else Link.CloseProgress();
  };
}

class TWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Form = std::make_unique<TForm1>();
    Progress = std::make_unique<TForm2>();
    Form->SetProgressDialog(Progress.get());
    Form->resize(1000, 700);
    Form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
    ASSERT_TRUE(Temp.isValid());
  }

  void TearDown() override {
    CalculationWatch.reset();
    Progress.reset();
    Form.reset();
  }

  TPlan& T() { return Form->Task(); }

  static QString Example(const char* Name) { return QStringLiteral(TAVIK_EXAMPLES_DIR "/") + QLatin1String(Name); }
  static QString BenchTask(const char* Name) {
    return QStringLiteral(TAVIK_BENCH_TASKS_DIR "/") + QLatin1String(Name);
  }
  QString TempFile(const char* Name) const { return Temp.filePath(QLatin1String(Name)); }

  // Opens Path through the open dialog (nothing is asked before it).
  void OpenFile(const QString& Path) {
    Script.Files.push_back(Path);
    Form->O1Click();
    ASSERT_TRUE(Script.Files.empty());
    ASSERT_EQ(Form->FileName(), Path);
  }

  // Runs Action once, from inside the next calculation, as soon as its
  // progress dialog is shown or due to come up (it does a tenth of a second
  // into the calculation); with Shown, only once it is on the screen.
  void DuringCalculation(std::function<void()> Action, bool Shown = false) {
    CalculationWatch = std::make_unique<QTimer>();
    CalculationWatch->setInterval(1);
    QObject::connect(CalculationWatch.get(), &QTimer::timeout, Form.get(), [this, Shown, Action = std::move(Action)] {
      if (!Form->Computing() || !(Progress->isVisible() || (!Shown && Progress->ShowPending()))) return;
      CalculationWatch->stop();
      Action();
    });
    CalculationWatch->start();
  }

  // Types Text as keys into the grid, or into its editor once it is open,
  // as a keyboard delivers them to the widget with focus.
  static void Type(TDrawGrid* Grid, const QString& Text) {
    for (QChar Char : Text) {
      QWidget* Target = Grid->InplaceEditor() != nullptr ? static_cast<QWidget*>(Grid->InplaceEditor()) : Grid;
      if (Char.unicode() < 128 && Char.isPrint()) {
        QTest::keyClick(Target, Char.toLatin1());
      } else {
        QKeyEvent Press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(Char));
        QKeyEvent Release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(Char));
        QApplication::sendEvent(Target, &Press);
        QApplication::sendEvent(Target, &Release);
      }
    }
  }

  // One key (Enter, Delete, F2, ...) to the grid or its open editor.
  static void Key(TDrawGrid* Grid, Qt::Key Code) {
    QWidget* Target = Grid->InplaceEditor() != nullptr ? static_cast<QWidget*>(Grid->InplaceEditor()) : Grid;
    QTest::keyClick(Target, Code);
  }

  TScriptedAnswers Script;
  TAnswersScope Scope{Script};
  QTemporaryDir Temp;
  std::unique_ptr<TForm1> Form;
  std::unique_ptr<TForm2> Progress;
  std::unique_ptr<QTimer> CalculationWatch;
};

// The bytes of a file, empty when it cannot be read.
inline QByteArray FileBytes(const QString& Path) {
  QFile File(Path);
  return File.open(QIODevice::ReadOnly) ? File.readAll() : QByteArray();
}
