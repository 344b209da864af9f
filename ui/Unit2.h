// The progress dialog of a calculation: remaining-time estimate, the search
// node being worked on, pieces placed so far and the stop button. It owns
// the stop request the layout search reads.
#pragma once

#include <QDialog>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "PlanRecord.h"
#include "ProgressLink.h"

class QLabel;
class QProgressBar;
class QPushButton;

class TForm2 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm2(QWidget* Parent = nullptr);

  QLabel* Label1;              // remaining-time estimate
  QLabel* Label2;              // search node
  QProgressBar* ProgressBar1;  // pieces placed out of all pieces
  QPushButton* Button1;        // "停止"

  // Local time when the dialog was last shown and of the latest paint, in
  // days from 1899-12-30; the bar's position when it was last shown.
  TDateTime StartTime = 0;
  TDateTime PaintTime = 0;
  std::int32_t StartPosition = 0;

  // True from the dialog's closing (for any reason) until it is shown again.
  // Safe to read from any thread.
  bool StopRequested() const { return StopRequested_.load(); }
  // Milliseconds of a coarse monotonic clock: cheap enough to read at every
  // search node.
  static std::int64_t CoarseMillis();

  // Where the dialog takes the current time from (tests); the local clock
  // when unset.
  void SetClock(std::function<TDateTime()> Now);

  // The progress operations of a calculation. A range set while the dialog
  // is shown starts the estimate's clock again from the range's minimum. ProcessMessages and the
  // search's repaints are throttled: they do their work at most about every
  // 20 ms, so that a search node costs next to nothing; a repaint after the
  // bar moved always brings the texts up to date. What changed is drawn by
  // the next processing of messages.
  void SetProgressRange(std::int32_t Min, std::int32_t Max);
  void SetProgressPosition(std::int32_t Position);
  void ShowProgress();
  // As ShowProgress, but the dialog comes up only once DelayMs have passed
  // without CloseProgress, so that a calculation over sooner does not flash
  // a window; its clock and the stop request start at once, unless
  // PrepareProgress started them already.
  void ShowProgressAfter(std::int32_t DelayMs);
  // Starts the clock and clears the stop request on the GUI thread before a
  // calculation starts, whose orders to the dialog arrive later: a stop
  // asked for in between is kept, and the showing that follows does not
  // clear it again.
  void PrepareProgress();
  // True while a delayed showing is still to come.
  bool ShowPending() const;
  // What the stop button does, also before a delayed showing: the dialog
  // closes or does not come up, and StopRequested is set.
  void RequestStop();
  void RepaintProgress();
  void CloseProgress();
  void SetNodeText(std::string_view Path);
  void ProcessMessages();
  // True when ProcessMessages would handle messages now.
  bool MessagesDue() const;

  // Handlers.
  void FormShow();
  void FormPaint();
  void Button1Click();
  void FormClose();

 protected:
  void showEvent(QShowEvent* Event) override;
  void closeEvent(QCloseEvent* Event) override;
  void reject() override;

 private:
  using TClock = std::chrono::steady_clock;

  TDateTime Now() const;

  std::function<TDateTime()> Clock_;
  std::atomic<bool> StopRequested_{false};
  std::string NodeText_;
  bool NodeTextShown_ = true;
  std::int64_t LastProcess_ = 0;  // CoarseMillis of the last ProcessMessages
  std::int64_t LastPaint_ = 0;    // CoarseMillis of the last repaint
  std::int32_t PaintedPosition_ = -1;
  QTimer* ShowTimer_ = nullptr;   // the delayed showing
  bool Prepared_ = false;         // PrepareProgress came before the showing
  bool Started_ = false;          // FormShow ran for the showing to come
};

// The progress link of the window program. The calculation runs on a thread
// of its own and calls the link there; the dialog is served on its own
// thread (the GUI thread): progress, node texts and repaints are handed over
// a few times a second at most, showing the dialog and closing it wait until
// the dialog has done so, and the stop request is read from the dialog as it
// stands. The dialog comes up a tenth of a second after the calculation
// starts, unless it ended sooner: a dialog that would only flash costs a
// short calculation more than its search. Called on the GUI thread itself,
// every operation runs directly.
//
// The main window is refreshed after a job at most about five times a
// second, the first time an interval after the dialog was shown: Handover
// then runs on the GUI thread while the calculation waits, so it may read
// the calculation's task. A refresh still due when the dialog closes is
// left to the caller, which takes the task over after the calculation.
class TProgressLink final : public IProgressLink {
 public:
  TProgressLink(TForm2& Dialog, std::function<void()> Handover);
  ~TProgressLink() override;

  void SetProgressRange(std::int32_t Min, std::int32_t Max) override;
  void SetProgressPosition(std::int32_t Position) override;
  void ShowProgress() override;
  void RepaintProgress() override;
  void CloseProgress() override;
  void SetNodeText(std::string_view Path) override;
  void ProcessMessages() override;
  bool StopRequested() const override { return Dialog_.StopRequested(); }
  void ShowTask() override;

 private:
  static constexpr std::int64_t HandoverIntervalMs = 200;
  static constexpr std::int32_t ShowDelayMs = 100;

  // What the calculation last told the dialog, for the GUI thread to apply.
  struct TState {
    std::mutex Mutex;
    std::int32_t Min = 0, Max = 0, Position = 0;
    std::string Node;
    bool NodeNew = false;
    bool Repaint = false;
    std::atomic<bool> Posted{false};
  };

  void Post();
  static void Apply(TForm2& Dialog, TState& State);
  // Runs Work on the GUI thread and waits for it.
  void OnGui(const std::function<void()>& Work);
  // Has Work run on the GUI thread, in order with the other calls.
  void OnGuiLater(std::function<void()> Work);
  void Handover();

  TForm2& Dialog_;
  std::function<void()> Handover_;
  std::shared_ptr<TState> State_ = std::make_shared<TState>();
  // The calculation's thread only.
  std::int32_t PostedPosition_ = -1;
  std::int64_t LastPost_ = 0;
  bool HandoverPending_ = false;
  std::int64_t LastHandover_ = 0;
};
