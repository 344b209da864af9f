// The splash window: the product picture, shown modally while the program
// comes up, closed by its timer after three seconds or by a click on it.
#pragma once

#include <QDialog>

class QTimer;
class TImage;

class TForm5 : public QDialog {
  Q_OBJECT

 public:
  // How long the splash stays up, in milliseconds.
  static constexpr int SplashInterval = 3000;

  explicit TForm5(QWidget* Parent = nullptr);

  TImage* Image1;  // the product picture, also the click target
  QTimer* Timer1;  // closes the window

  // Starts Timer1 (SplashInterval, or the tests' interval).
  void FormShow();
  // Closes the window.
  void Timer1Timer();
  // Closes the window at once.
  void Image1Click();
  // Stops Timer1; runs on every way the window closes.
  void FormClose();

  // Tests only: the interval FormShow gives Timer1 instead of SplashInterval.
  void SetIntervalForTests(int Milliseconds) { Interval_ = Milliseconds; }

  // Closes through FormClose, whatever closed the window (the timer, a
  // click, Esc or the title bar's close button).
  void done(int Result) override;

 protected:
  void showEvent(QShowEvent* Event) override;

 private:
  int Interval_ = SplashInterval;
};
