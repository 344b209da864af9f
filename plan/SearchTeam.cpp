#include "SearchTeam.h"

#include <algorithm>

TSearchTeam::TSearchTeam(std::int32_t Threads) {
  const std::int32_t Count = std::clamp<std::int32_t>(Threads, 1, MaxThreads);
  Helpers_.reserve(static_cast<std::size_t>(Count - 1));
  for (std::int32_t h = 1; h < Count; ++h) Helpers_.emplace_back([this, h] { Serve(h); });
}

TSearchTeam::~TSearchTeam() {
  {
    std::unique_lock<std::mutex> Lock(Mutex_);
    // Work still running refers to its caller's data: it ends first.
    Done_.wait(Lock, [this] { return Busy_ == 0; });
    Quit_ = true;
  }
  Wake_.notify_all();
  for (std::thread& T : Helpers_) T.join();
}

void TSearchTeam::Start(std::function<void(std::int32_t)> Work) {
  {
    std::lock_guard<std::mutex> Lock(Mutex_);
    Work_ = std::move(Work);
    Busy_ = static_cast<std::int32_t>(Helpers_.size());
    ++Round_;
  }
  Wake_.notify_all();
}

bool TSearchTeam::WaitFor(std::chrono::milliseconds Timeout) {
  std::unique_lock<std::mutex> Lock(Mutex_);
  if (!Done_.wait_for(Lock, Timeout, [this] { return Busy_ == 0; })) return false;
  if (Failure_) std::rethrow_exception(std::exchange(Failure_, nullptr));
  return true;
}

void TSearchTeam::Serve(std::int32_t Helper) {
  std::uint64_t Seen = 0;
  for (;;) {
    std::function<void(std::int32_t)> Work;
    {
      std::unique_lock<std::mutex> Lock(Mutex_);
      Wake_.wait(Lock, [&] { return Quit_ || Round_ != Seen; });
      if (Quit_) return;
      Seen = Round_;
      Work = Work_;
    }
    std::exception_ptr Failure;
    try {
      Work(Helper);
    } catch (...) {
      Failure = std::current_exception();
    }
    {
      std::lock_guard<std::mutex> Lock(Mutex_);
      if (Failure && !Failure_) Failure_ = Failure;
      if (--Busy_ == 0) Done_.notify_all();
    }
  }
}

std::int32_t DefaultThreadCount() {
  const unsigned Cores = std::thread::hardware_concurrency();
  return static_cast<std::int32_t>(std::clamp(Cores, 1u, 8u));
}
