// Helper threads for the layout search: the trials of its top level are
// spread over them and the calculation's own thread, and their results are
// taken in the order a single thread would have found them, so the plan is
// the same for any number of threads.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

class TSearchTeam {
 public:
  // Threads in all, the calculation's own included (1..MaxThreads); starts
  // Threads - 1 helper threads, which wait for work until the team goes.
  explicit TSearchTeam(std::int32_t Threads);
  ~TSearchTeam();
  TSearchTeam(const TSearchTeam&) = delete;
  TSearchTeam& operator=(const TSearchTeam&) = delete;

  static constexpr std::int32_t MaxThreads = 64;

  std::int32_t Threads() const { return static_cast<std::int32_t>(Helpers_.size()) + 1; }

  // Has every helper run Work(h), h = 1..Threads() - 1, and returns at once.
  // The caller runs its own share and then waits with WaitFor.
  void Start(std::function<void(std::int32_t)> Work);
  // Waits at most Timeout for the helpers to finish the work; true once they
  // have. Rethrows what a helper threw.
  bool WaitFor(std::chrono::milliseconds Timeout);

 private:
  void Serve(std::int32_t Helper);

  std::vector<std::thread> Helpers_;
  std::mutex Mutex_;
  std::condition_variable Wake_, Done_;
  std::function<void(std::int32_t)> Work_;
  std::uint64_t Round_ = 0;
  std::int32_t Busy_ = 0;
  bool Quit_ = false;
  std::exception_ptr Failure_;
};

// Threads a calculation uses unless told otherwise: the machine's cores, at
// most 8.
std::int32_t DefaultThreadCount();
