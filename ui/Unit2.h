// The progress dialog of a calculation: remaining-time estimate, the search
// node being worked on, pieces placed so far and the stop button. It owns
// the stop request the layout search reads.
#pragma once

#include <QDialog>
#include <chrono>
#include <cstdint>
#include <functional>
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
  bool StopRequested() const { return StopRequested_; }
  // Milliseconds of a coarse monotonic clock: cheap enough to read at every
  // search node.
  static std::int64_t CoarseMillis();

  // Where the dialog takes the current time from (tests); the local clock
  // when unset.
  void SetClock(std::function<TDateTime()> Now);

  // The progress operations of a calculation. ProcessMessages and the
  // search's repaints are throttled: they do their work at most about every
  // 20 ms, so that a search node costs next to nothing; a repaint after the
  // bar moved always brings the texts up to date. What changed is drawn by
  // the next processing of messages.
  void SetProgressRange(std::int32_t Min, std::int32_t Max);
  void SetProgressPosition(std::int32_t Position);
  void ShowProgress();
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
  bool StopRequested_ = false;
  std::string NodeText_;
  bool NodeTextShown_ = true;
  std::int64_t LastProcess_ = 0;  // CoarseMillis of the last ProcessMessages
  std::int64_t LastPaint_ = 0;    // CoarseMillis of the last repaint
  std::int32_t PaintedPosition_ = -1;
};

// The progress link of the window program: the dialog's operations and the
// main window's refresh after each job.
//
// The window is only drawn when messages are processed, so refreshing it
// more often than that is work nobody sees: a refresh asked for after a job
// is done just before the next processing of messages, and at the end of
// the calculation at the latest.
class TProgressLink final : public IProgressLink {
 public:
  TProgressLink(TForm2& Dialog, std::function<void()> ShowTask)
      : Dialog_(Dialog), ShowTask_(std::move(ShowTask)) {}

  void SetProgressRange(std::int32_t Min, std::int32_t Max) override { Dialog_.SetProgressRange(Min, Max); }
  void SetProgressPosition(std::int32_t Position) override { Dialog_.SetProgressPosition(Position); }
  void ShowProgress() override { Dialog_.ShowProgress(); }
  void RepaintProgress() override { Dialog_.RepaintProgress(); }
  void CloseProgress() override {
    FlushShowTask();
    Dialog_.CloseProgress();
  }
  void SetNodeText(std::string_view Path) override { Dialog_.SetNodeText(Path); }
  void ProcessMessages() override {
    if (!Dialog_.MessagesDue()) return;
    // Redrawing the main window takes longer than the dialog: a few times a
    // second is all a person can follow.
    if (TForm2::CoarseMillis() - LastShowTask_ >= ShowTaskIntervalMs) FlushShowTask();
    Dialog_.ProcessMessages();
  }
  bool StopRequested() const override { return Dialog_.StopRequested(); }
  void ShowTask() override { ShowTaskPending_ = true; }

 private:
  static constexpr std::int64_t ShowTaskIntervalMs = 200;

  void FlushShowTask() {
    if (!ShowTaskPending_) return;
    ShowTaskPending_ = false;
    LastShowTask_ = TForm2::CoarseMillis();
    if (ShowTask_) ShowTask_();
  }

  TForm2& Dialog_;
  std::function<void()> ShowTask_;
  bool ShowTaskPending_ = false;
  std::int64_t LastShowTask_ = 0;  // CoarseMillis of the last main window refresh
};
