// A progress link that records every call, and can ask to stop after a
// given number of search nodes.
#pragma once

#include <string>
#include <vector>

#include "ProgressLink.h"

namespace testdata {

class TRecordingLink final : public IProgressLink {
 public:
  // Calls in order, e.g. "range 0 20", "position 1", "show", "repaint",
  // "close", "task"; node texts and message processing are counted instead.
  std::vector<std::string> Calls;
  std::vector<std::string> NodeTexts;
  long MessageRounds = 0;
  // StopRequested() turns true once this many message rounds have been
  // processed (never when negative); ShowProgress clears a stop.
  long StopAfterRounds = -1;

  void SetProgressRange(std::int32_t Min, std::int32_t Max) override {
    Calls.push_back("range " + std::to_string(Min) + " " + std::to_string(Max));
  }
  void SetProgressPosition(std::int32_t Position) override { Calls.push_back("position " + std::to_string(Position)); }
  void ShowProgress() override {
    Calls.push_back("show");
    Stopped_ = false;
  }
  void RepaintProgress() override {
    if (!Calls.empty() && Calls.back() == "node") return;  // node repaints are counted with the node
    Calls.push_back("repaint");
  }
  void CloseProgress() override {
    Calls.push_back("close");
    Stopped_ = true;
  }
  void SetNodeText(std::string_view Path) override {
    NodeTexts.emplace_back(Path);
    if (Calls.empty() || Calls.back() != "node") Calls.push_back("node");
  }
  void ProcessMessages() override {
    ++MessageRounds;
    if (StopAfterRounds >= 0 && MessageRounds >= StopAfterRounds) Stopped_ = true;
  }
  bool StopRequested() const override { return Stopped_; }
  void ShowTask() override { Calls.push_back("task"); }

 private:
  bool Stopped_ = false;
};

}  // namespace testdata
