// The about box: the product picture above one line that alternates every
// five seconds between the program's contact details and its credits.
#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;
class QTimer;
class TImage;

// The two alternating lines.
extern const char* const AboutContactLine;
extern const char* const AboutCreditsLine;

class TAboutBox : public QDialog {
  Q_OBJECT

 public:
  // How long each line stays, in milliseconds.
  static constexpr int LineInterval = 5000;

  explicit TAboutBox(QWidget* Parent = nullptr);

  QFrame* Bevel1;           // frame around the picture
  TImage* Image1;           // the product picture
  QLabel* Label1;           // contact line, visible at first
  QLabel* Label2;           // credits line, hidden at first
  QPushButton* OKButton;    // "关闭", the default button
  QTimer* Timer1;           // alternates the lines

  // Which line the next tick shows: true for Label1.
  bool LabelToggle = true;

  // LabelToggle becomes true and Timer1 starts; the visible line stays.
  void FormShow();
  // Shows Label1 and hides Label2 when LabelToggle is true, the other way
  // round when false; then inverts LabelToggle.
  void Timer1Timer();
  // Stops Timer1 and closes the box with the result Accepted.
  void OKButtonClick();

  // Tests only: the interval FormShow gives Timer1 instead of LineInterval.
  void SetIntervalForTests(int Milliseconds) { Interval_ = Milliseconds; }

  // Stops Timer1 on every way the box closes (the button, Esc, the title
  // bar's close button), so no tick changes the lines while it is hidden.
  void done(int Result) override;

 protected:
  void showEvent(QShowEvent* Event) override;

 private:
  int Interval_ = LineInterval;
};
