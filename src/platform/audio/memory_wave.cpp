#include "platform/audio/memory_wave.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace {

using Direction = WaveSystem::Direction;
using Clock = MemoryWaveSystem::Clock;

int Index(Direction d) {
  return d == Direction::In ? 0 : 1;
}

Clock::duration FrameTime(int64_t frames) {
  return std::chrono::duration_cast<Clock::duration>(
      std::chrono::nanoseconds(frames * 1'000'000'000 / kSampleRate));
}

}  // namespace

struct MemoryWaveSystem::State {
  explicit State(MemoryWaveOptions o) : Options(std::move(o)) {}

  // From played frame First on, the frames left the card at Start + their distance to First.
  struct Span {
    int64_t First;
    Clock::time_point Start;
  };

  const MemoryWaveOptions Options;
  mutable std::mutex Mutex;
  int Opens[2] = {};
  int Unprepares[2] = {};
  int Closes[2] = {};
  int Opened[2] = {-1, -1};
  std::vector<int16_t> Played;
  std::vector<Span> Spans;
  Clock::time_point RecordStart;

  void Count(int (&counter)[2], Direction d) {
    std::lock_guard lock(Mutex);
    ++counter[Index(d)];
  }
};

namespace {

using State = MemoryWaveSystem::State;

class MemoryDevice final : public WaveDevice {
 public:
  MemoryDevice(std::shared_ptr<State> state, Direction direction)
      : state_(std::move(state)),
        direction_(direction),
        stalled_(direction == Direction::In && state_->Options.StalledInput),
        slowdown_(direction == Direction::In ? state_->Options.InputSlowdown : 1),
        started_(direction == Direction::Out),
        origin_(Clock::now()) {
    if (state_->Options.Pace == WavePace::RealTime && !stalled_)
      worker_ = std::thread([this] { Work(); });
  }
  ~MemoryDevice() override { Stop(); }

  void Queue(WaveHeader& block) override {
    if (!block.Claim() || stalled_) return;
    {
      std::lock_guard lock(mutex_);
      queue_.push_back({&block, Clock::now()});
    }
    Advance();
  }

  void Start() override {
    if (direction_ != Direction::In) return;
    {
      std::lock_guard lock(mutex_);
      started_ = true;
      origin_ = Clock::now();
    }
    {
      std::lock_guard lock(state_->Mutex);
      state_->RecordStart = origin_;
    }
    Advance();
  }

  void Unprepare(WaveHeader&) override { state_->Count(state_->Unprepares, direction_); }

  void SetDoorbell(WaveDoorbell* bell) override { completion_.SetDoorbell(bell); }
  uint64_t Dropouts() const override { return dropouts_.load(std::memory_order_relaxed); }
  uint64_t SilentFrames() const override { return silent_.load(std::memory_order_relaxed); }
  bool Lost() const override { return lost_.load(std::memory_order_acquire); }

  std::string Close() override {
    Stop();
    state_->Count(state_->Closes, direction_);
    return state_->Options.CloseError;
  }

 private:
  // Lets the queued blocks move: at once when not paced, else by waking the worker.
  void Advance() {
    if (worker_.joinable()) {
      wake_.notify_one();
      return;
    }
    std::unique_lock lock(mutex_);
    while (started_ && !queue_.empty()) {
      if (direction_ == Direction::In && ++completed_ > state_->Options.LostAfterBlocks &&
          state_->Options.LostAfterBlocks > 0) {
        lost_.store(true, std::memory_order_release);
        return;
      }
      WaveHeader& block = *queue_.front().Block;
      queue_.pop_front();
      Move(block, Clock::now());
      completion_.Complete(block);
    }
  }

  // The worker: each block takes its length of real time on a card clock that keeps running
  // while the card starves for blocks (input arriving then is lost, output is silent). A block
  // handed over after its card time has come starts when it arrives, even when this worker
  // itself woke late and so found it already waiting.
  void Work() {
    std::unique_lock lock(mutex_);
    for (;;) {
      wake_.wait(lock, [this] { return stop_ || (started_ && !queue_.empty()); });
      if (stop_) return;
      const auto [blockPointer, queued] = queue_.front();
      WaveHeader& block = *blockPointer;
      if (queued > CardTime(position_)) {
        // Rounded up, so that no frame starts before it arrived.
        const auto elapsed = (queued - origin_) * kSampleRate / slowdown_;
        // Silence before the first block is the start, not an interruption.
        const int64_t resumed = std::max(position_, int64_t(elapsed / std::chrono::seconds(1)) + 1);
        if (position_ > 0) {
          dropouts_.fetch_add(1, std::memory_order_relaxed);
          silent_.fetch_add(uint64_t(resumed - position_), std::memory_order_relaxed);
        }
        position_ = resumed;
      }
      const Clock::time_point start = CardTime(position_);
      if (wake_.wait_until(lock, CardTime(position_ + Frames(block)), [this] { return stop_; }))
        return;
      queue_.pop_front();
      Move(block, start);
      completion_.Complete(block);
    }
  }

  Clock::time_point CardTime(int64_t frame) const { return origin_ + FrameTime(frame) * slowdown_; }

  static int64_t Frames(const WaveHeader& block) { return block.Samples() / kWaveChannels; }

  // Records into the block from the card position on, or captures it as played from `start` on.
  void Move(WaveHeader& block, Clock::time_point start) {
    if (direction_ == Direction::In)
      Record(block);
    else
      Capture(block, start);
    position_ += Frames(block);
  }

  void Record(WaveHeader& block) const {
    const std::vector<int16_t>& source = state_->Options.Input;
    const int64_t first = position_ * kWaveChannels;
    for (uint32_t i = 0; i < block.Samples(); ++i) {
      const int64_t at = first + i;
      block.Data[i] = at < static_cast<int64_t>(source.size()) ? source[at] : 0;
    }
  }

  void Capture(const WaveHeader& block, Clock::time_point start) {
    std::lock_guard lock(state_->Mutex);
    state_->Spans.push_back({static_cast<int64_t>(state_->Played.size() / kWaveChannels), start});
    state_->Played.insert(state_->Played.end(), block.Data, block.Data + block.Samples());
  }

  void Stop() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    wake_.notify_one();
    if (worker_.joinable()) worker_.join();
  }

  const std::shared_ptr<State> state_;
  const Direction direction_;
  const bool stalled_;
  const int slowdown_;
  std::mutex mutex_;
  std::condition_variable wake_;
  struct Queued {
    WaveHeader* Block;
    Clock::time_point At;
  };
  std::deque<Queued> queue_;
  bool started_;
  bool stop_ = false;
  Clock::time_point origin_;  // card frame 0
  int64_t position_ = 0;      // card frames moved so far
  WaveCompletion completion_;
  std::atomic<uint64_t> dropouts_{0};
  std::atomic<uint64_t> silent_{0};  // output frames played as silence between blocks
  int completed_ = 0;                // input blocks, for LostAfterBlocks
  std::atomic<bool> lost_{false};
  std::thread worker_;
};

}  // namespace

MemoryWaveSystem::MemoryWaveSystem(MemoryWaveOptions options)
    : state_(std::make_shared<State>(std::move(options))) {}
MemoryWaveSystem::~MemoryWaveSystem() = default;

int MemoryWaveSystem::DeviceCount(Direction d) {
  return d == Direction::In ? state_->Options.InDevices : state_->Options.OutDevices;
}

std::unique_ptr<WaveDevice> MemoryWaveSystem::Open(Direction d, std::string& error) {
  const std::string& failure =
      d == Direction::In ? state_->Options.InOpenError : state_->Options.OutOpenError;
  if (!failure.empty()) {
    error = failure;
    return nullptr;
  }
  int chosen = -1;
  if (const std::string& choice =
          d == Direction::In ? state_->Options.Choice.In : state_->Options.Choice.Out;
      !choice.empty()) {
    const std::optional<int> found = FindWaveDevice(List(), d, choice, error);
    if (!found) return nullptr;
    chosen = *found;
  }
  {
    std::lock_guard lock(state_->Mutex);
    state_->Opened[Index(d)] = chosen;
  }
  state_->Count(state_->Opens, d);
  return std::make_unique<MemoryDevice>(state_, d);
}

std::vector<WaveDeviceInfo> MemoryWaveSystem::List() {
  return state_->Options.Devices;
}

int MemoryWaveSystem::Opened(Direction d) const {
  std::lock_guard lock(state_->Mutex);
  return state_->Opened[Index(d)];
}

int MemoryWaveSystem::Opens(Direction d) const {
  std::lock_guard lock(state_->Mutex);
  return state_->Opens[Index(d)];
}

int MemoryWaveSystem::Unprepares(Direction d) const {
  std::lock_guard lock(state_->Mutex);
  return state_->Unprepares[Index(d)];
}

int MemoryWaveSystem::Closes(Direction d) const {
  std::lock_guard lock(state_->Mutex);
  return state_->Closes[Index(d)];
}

std::vector<int16_t> MemoryWaveSystem::Played() const {
  std::lock_guard lock(state_->Mutex);
  return state_->Played;
}

Clock::time_point MemoryWaveSystem::RecordedAt(int64_t frame) const {
  std::lock_guard lock(state_->Mutex);
  return state_->RecordStart + FrameTime(frame);
}

Clock::time_point MemoryWaveSystem::PlayedAt(int64_t frame) const {
  std::lock_guard lock(state_->Mutex);
  const auto& spans = state_->Spans;
  auto after = std::upper_bound(spans.begin(), spans.end(), frame,
                                [](int64_t f, const State::Span& s) { return f < s.First; });
  if (after == spans.begin()) return {};
  const State::Span& span = *std::prev(after);
  return span.Start + FrameTime(frame - span.First);
}
