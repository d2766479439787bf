#pragma once
#include <atomic>
#include <mutex>
#include <thread>

// The canvas lock. What it guards, and what the audio thread shares without it, is written where
// the canvas is declared (engine/canvas.h).
class TCriticalSection {
 public:
  void Enter() { m_.lock(); }
  void Leave() { m_.unlock(); }
  class Lock {
   public:
    explicit Lock(TCriticalSection& cs) : cs_(cs) { cs_.Enter(); }
    ~Lock() { cs_.Leave(); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

   private:
    TCriticalSection& cs_;
  };

 private:
  std::mutex m_;
};

// A worker thread running Run() until it returns; Terminate asks it to stop, WaitForExit joins.
class TThread {
 public:
  virtual ~TThread() { WaitForExit(); }
  // Also after an earlier run has ended and been waited for: the request to stop is cleared.
  void Start() {
    terminate_.store(false, std::memory_order_release);
    thread_ = std::thread([this] { exitCode_ = Run(); });
  }
  void Terminate() { terminate_.store(true, std::memory_order_release); }
  void WaitForExit() {
    if (thread_.joinable()) thread_.join();
  }
  bool Running() const { return thread_.joinable(); }
  int ExitCode() const { return exitCode_; }

 protected:
  virtual int Run() = 0;
  bool ShouldTerminate() const { return terminate_.load(std::memory_order_acquire); }

 private:
  std::thread thread_;
  std::atomic<bool> terminate_{false};
  int exitCode_ = 0;
};
