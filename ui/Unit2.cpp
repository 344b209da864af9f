#include "Unit2.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <ctime>

#include "LocaleText.h"
#include "WindowFlags.h"

namespace {

// The throttle of message processing and of the search's repaints.
constexpr std::int64_t PumpIntervalMs = 20;

}  // namespace

TForm2::TForm2(QWidget* Parent)
    : QDialog(Parent, FixedDialogFlags | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("Form2"));
  setWindowTitle(QStringLiteral("计算进度"));
  setModal(false);
  QFont Font(QStringLiteral("宋体"));
  Font.setPixelSize(12);
  setFont(Font);
  setFixedSize(555, 125);
  // The keyboard stays with the main window, which takes Escape as the stop
  // button; a click on the dialog gives it the keyboard.
  setAttribute(Qt::WA_ShowWithoutActivating);

  Label1 = new QLabel(QStringLiteral("估计剩余时间:"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setGeometry(8, 16, 537, 13);
  Label2 = new QLabel(QStringLiteral("搜索节点:"), this);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label2->setGeometry(8, 40, 537, 13);
  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
  ProgressBar1->setGeometry(8, 64, 537, 25);
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  ProgressBar1->setTextVisible(false);
  Button1 = new QPushButton(QStringLiteral("停止"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setGeometry(472, 96, 75, 25);

  connect(Button1, &QPushButton::clicked, this, &TForm2::Button1Click);
}

void TForm2::SetClock(std::function<TDateTime()> Now) { Clock_ = std::move(Now); }

TDateTime TForm2::Now() const { return Clock_ ? Clock_() : CurrentDateTime(); }

std::int64_t TForm2::CoarseMillis() {
  // The coarse clock is read from memory without a system call: cheap enough
  // to ask at every search node.
  timespec Now{};
  ::clock_gettime(CLOCK_MONOTONIC_COARSE, &Now);
  return static_cast<std::int64_t>(Now.tv_sec) * 1000 + Now.tv_nsec / 1000000;
}

void TForm2::SetProgressRange(std::int32_t Min, std::int32_t Max) {
  ProgressBar1->setRange(Min, std::max(Min, Max));
}

void TForm2::SetProgressPosition(std::int32_t Position) {
  // A position outside the range sticks to its end, as a progress bar does.
  // The bar would draw itself at once at every job; it is drawn with the
  // next processing of messages instead.
  ProgressBar1->setUpdatesEnabled(false);
  ProgressBar1->setValue(std::clamp(Position, ProgressBar1->minimum(), ProgressBar1->maximum()));
  ProgressBar1->setUpdatesEnabled(true);
}

void TForm2::ShowProgress() {
  if (QScreen* Screen = screen()) {
    const QRect Area = Screen->availableGeometry();
    move(Area.center() - QPoint(width() / 2, height() / 2));
  }
  if (isVisible())
    FormShow();
  else
    show();
  raise();
}

void TForm2::RepaintProgress() {
  const std::int32_t Position = ProgressBar1->value();
  const std::int64_t Now = CoarseMillis();
  if (Position == PaintedPosition_ && Now - LastPaint_ < PumpIntervalMs) return;
  PaintedPosition_ = Position;
  LastPaint_ = Now;
  if (!NodeTextShown_) {
    Label2->setText(QString::fromUtf8(NodeText_.data(), static_cast<qsizetype>(NodeText_.size())));
    NodeTextShown_ = true;
  }
  // The texts are brought up to date here; they reach the screen with the
  // next processing of messages, at most about 20 ms later. Drawing them at
  // once would draw the whole dialog after every job, which costs small
  // calculations more than their search.
  FormPaint();
}

void TForm2::CloseProgress() {
  close();
  StopRequested_ = true;
}

void TForm2::SetNodeText(std::string_view Path) {
  NodeText_.assign(Path);
  NodeTextShown_ = false;
}

bool TForm2::MessagesDue() const { return CoarseMillis() - LastProcess_ >= PumpIntervalMs; }

void TForm2::ProcessMessages() {
  const std::int64_t Now = CoarseMillis();
  if (Now - LastProcess_ < PumpIntervalMs) return;
  LastProcess_ = Now;
  QCoreApplication::processEvents();
}

void TForm2::FormShow() {
  StartTime = Now();
  PaintTime = StartTime;
  StopRequested_ = false;
  StartPosition = ProgressBar1->value();
  PaintedPosition_ = -1;
  // The first messages are handled one interval after showing: a
  // calculation that is over sooner is spared drawing a dialog that would
  // only flicker.
  LastProcess_ = CoarseMillis();
}

void TForm2::FormPaint() {
  PaintTime = Now();
  const std::int32_t Position = ProgressBar1->value();
  if (Position <= StartPosition) return;
  const double Remaining = (PaintTime - StartTime) / static_cast<double>(Position - StartPosition) *
                           static_cast<double>(ProgressBar1->maximum() - Position);
  const QLocale Locale = QLocale::system();
  Label1->setText(QStringLiteral("估计剩余时间：") + DurationText(Remaining, DurationFormat(Locale), Locale));
}

void TForm2::Button1Click() { close(); }

void TForm2::FormClose() { StopRequested_ = true; }

void TForm2::showEvent(QShowEvent* Event) {
  QDialog::showEvent(Event);
  if (!Event->spontaneous()) FormShow();
}

void TForm2::closeEvent(QCloseEvent* Event) {
  FormClose();
  Event->accept();
}

// Escape closes the dialog as its close button does.
void TForm2::reject() { close(); }
