// How the calculation talks to whoever watches it: progress, the search
// node, pending window messages, the stop request and refreshing the task.
#pragma once

#include <cstdint>
#include <string_view>

class IProgressLink {
 public:
  virtual ~IProgressLink() = default;

  // Range of the progress bar: minimum 0, maximum the total quantity.
  virtual void SetProgressRange(std::int32_t Min, std::int32_t Max) = 0;
  // Pieces placed so far (1 at the start of a calculation).
  virtual void SetProgressPosition(std::int32_t Position) = 0;
  // Shows the display without blocking; afterwards StopRequested() is false
  // and the remaining-time clock starts from the current position.
  virtual void ShowProgress() = 0;
  // Redraws the display at once, remaining-time estimate included.
  virtual void RepaintProgress() = 0;
  // Hides the display; afterwards StopRequested() is true.
  virtual void CloseProgress() = 0;
  // The path of the search node being worked on (UTF-8).
  virtual void SetNodeText(std::string_view Path) = 0;
  // Lets queued window messages (the stop button, repaints) be handled.
  virtual void ProcessMessages() = 0;
  // True once the user asked to stop during this calculation.
  virtual bool StopRequested() const = 0;
  // Has the main window show the task as it now stands.
  virtual void ShowTask() = 0;
};

// The link used when no window exists: does nothing, never asks to stop.
class TNullProgressLink final : public IProgressLink {
 public:
  void SetProgressRange(std::int32_t, std::int32_t) override {}
  void SetProgressPosition(std::int32_t) override {}
  void ShowProgress() override {}
  void RepaintProgress() override {}
  void CloseProgress() override {}
  void SetNodeText(std::string_view) override {}
  void ProcessMessages() override {}
  bool StopRequested() const override { return false; }
  void ShowTask() override {}
};
