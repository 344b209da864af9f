#include "Unit2.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <algorithm>
#include <ctime>
#include <utility>

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

  ShowTimer_ = new QTimer(this);
  ShowTimer_->setSingleShot(true);
  connect(ShowTimer_, &QTimer::timeout, this, [this] {
    Started_ = true;
    ShowProgress();
    Started_ = false;
  });
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
  const bool Changed = ProgressBar1->minimum() != Min || ProgressBar1->maximum() != std::max(Min, Max);
  ProgressBar1->setRange(Min, std::max(Min, Max));
  // A new range while the dialog is up is a new stage of the work (the
  // optimiser's, after its exact plan): the estimate starts again from it
  // rather than measuring it by the first stage's pace.
  if (Changed && isVisible()) {
    StartTime = Now();
    StartPosition = Min;
  }
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

void TForm2::ShowProgressAfter(std::int32_t DelayMs) {
  if (isVisible()) {
    Prepared_ = false;
    ShowProgress();
    return;
  }
  if (!std::exchange(Prepared_, false))
    FormShow();
  else if (StopRequested_)
    return;  // stopped before the calculation got this far: nothing comes up
  ShowTimer_->start(DelayMs);
}

void TForm2::PrepareProgress() {
  FormShow();
  Prepared_ = true;
}

bool TForm2::ShowPending() const { return ShowTimer_->isActive(); }

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

void TForm2::CloseProgress() { RequestStop(); }

void TForm2::RequestStop() {
  // A hidden window that was shown before may close without an event.
  ShowTimer_->stop();
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
  // A delayed showing started the clock when the calculation did.
  if (!Event->spontaneous() && !Started_) FormShow();
}

void TForm2::closeEvent(QCloseEvent* Event) {
  // Also before a delayed showing: the stop counts, and nothing comes up.
  ShowTimer_->stop();
  FormClose();
  Event->accept();
}

// Escape closes the dialog as its close button does.
void TForm2::reject() { close(); }

TProgressLink::TProgressLink(TForm2& Dialog, std::function<void()> Handover)
    : Dialog_(Dialog), Handover_(std::move(Handover)) {
  if (QThread::currentThread() == Dialog_.thread()) Dialog_.PrepareProgress();
}

TProgressLink::~TProgressLink() = default;

void TProgressLink::OnGui(const std::function<void()>& Work) {
  if (QThread::currentThread() == Dialog_.thread()) {
    Work();
    return;
  }
  // The hand-over in both directions, in terms the standard library's
  // memory model (and ThreadSanitizer) knows: what this thread wrote before
  // is seen by Work, what Work wrote is seen here afterwards.
  std::atomic<int> Turn{1};
  Turn.store(1, std::memory_order_release);
  QMetaObject::invokeMethod(
      &Dialog_,
      [&] {
        (void)Turn.load(std::memory_order_acquire);
        Work();
        Turn.store(2, std::memory_order_release);
      },
      Qt::BlockingQueuedConnection);
  (void)Turn.load(std::memory_order_acquire);
}

void TProgressLink::OnGuiLater(std::function<void()> Work) {
  if (QThread::currentThread() == Dialog_.thread()) {
    Work();
    return;
  }
  // Queued calls for one object run in the order they were made; one for a
  // dialog that is gone is dropped.
  QMetaObject::invokeMethod(&Dialog_, std::move(Work), Qt::QueuedConnection);
}

void TProgressLink::SetProgressRange(std::int32_t Min, std::int32_t Max) {
  std::lock_guard<std::mutex> Lock(State_->Mutex);
  State_->Min = Min;
  State_->Max = Max;
}

void TProgressLink::SetProgressPosition(std::int32_t Position) {
  std::lock_guard<std::mutex> Lock(State_->Mutex);
  State_->Position = Position;
}

void TProgressLink::ShowProgress() {
  // Neither this nor closing waits for the GUI thread: a round trip to it
  // cost a short calculation a millisecond, waking the other core.
  OnGuiLater([&Dialog = Dialog_, State = State_] {
    Apply(Dialog, *State);
    Dialog.ShowProgressAfter(ShowDelayMs);
  });
  std::lock_guard<std::mutex> Lock(State_->Mutex);
  PostedPosition_ = State_->Position;
  // The first refresh too waits an interval: a short calculation hands its
  // task over once, at the end, instead of having the window redrawn on a
  // core it needs.
  LastHandover_ = TForm2::CoarseMillis();
}

void TProgressLink::RepaintProgress() {
  bool Moved = false;
  {
    std::lock_guard<std::mutex> Lock(State_->Mutex);
    State_->Repaint = true;
    Moved = State_->Position != PostedPosition_;
    PostedPosition_ = State_->Position;
  }
  // A moved bar is shown at once, but at most once an interval: drawn at
  // every job it would cost a short calculation more than its search. Node
  // texts wait for the next round.
  const std::int64_t Now = TForm2::CoarseMillis();
  if (Moved && Now - LastPost_ >= PumpIntervalMs) {
    LastPost_ = Now;
    Post();
  }
}

void TProgressLink::SetNodeText(std::string_view Path) {
  std::lock_guard<std::mutex> Lock(State_->Mutex);
  State_->Node.assign(Path);
  State_->NodeNew = true;
}

void TProgressLink::ProcessMessages() {
  // Called at every search node: most calls only read the coarse clock.
  const std::int64_t Now = TForm2::CoarseMillis();
  if (Now - LastPost_ < PumpIntervalMs) return;
  LastPost_ = Now;
  if (HandoverPending_ && Now - LastHandover_ >= HandoverIntervalMs) Handover();
  Post();
  if (QThread::currentThread() == Dialog_.thread()) Dialog_.ProcessMessages();
}

void TProgressLink::CloseProgress() {
  // A refresh still due is left to the caller, which takes the task over
  // once the calculation has returned.
  HandoverPending_ = false;
  OnGuiLater([&Dialog = Dialog_, State = State_] {
    Apply(Dialog, *State);
    Dialog.CloseProgress();
  });
}

void TProgressLink::ShowTask() {
  HandoverPending_ = true;
  if (TForm2::CoarseMillis() - LastHandover_ >= HandoverIntervalMs) Handover();
}

void TProgressLink::Handover() {
  HandoverPending_ = false;
  LastHandover_ = TForm2::CoarseMillis();
  if (Handover_) OnGui(Handover_);
}

void TProgressLink::Post() {
  if (QThread::currentThread() == Dialog_.thread()) {
    Apply(Dialog_, *State_);
    return;
  }
  if (State_->Posted.exchange(true)) return;
  // The state is shared with the queued call, which may run after the link
  // is gone; a call for a dialog that is gone is dropped.
  QMetaObject::invokeMethod(
      &Dialog_, [&Dialog = Dialog_, State = State_] { Apply(Dialog, *State); }, Qt::QueuedConnection);
}

void TProgressLink::Apply(TForm2& Dialog, TState& State) {
  std::int32_t Min, Max, Position;
  std::string Node;
  bool NodeNew, Repaint;
  {
    std::lock_guard<std::mutex> Lock(State.Mutex);
    State.Posted = false;
    Min = State.Min;
    Max = State.Max;
    Position = State.Position;
    NodeNew = std::exchange(State.NodeNew, false);
    if (NodeNew) Node = State.Node;
    Repaint = std::exchange(State.Repaint, false);
  }
  QProgressBar* Bar = Dialog.ProgressBar1;
  if (Bar->minimum() != Min || Bar->maximum() != std::max(Min, Max)) Dialog.SetProgressRange(Min, Max);
  if (Bar->value() != std::clamp(Position, Bar->minimum(), Bar->maximum())) Dialog.SetProgressPosition(Position);
  if (NodeNew) Dialog.SetNodeText(Node);
  if (Repaint) Dialog.RepaintProgress();
}
