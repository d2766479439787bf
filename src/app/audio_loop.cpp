#include "app/audio_loop.h"

#include <algorithm>
#include <thread>

#include "platform/realtime.h"

namespace {
using Clock = std::chrono::steady_clock;
}

int TAudioLoop::ShortBlockCount(int frames) {
  frames = std::clamp(frames, kMinBlockFrames, kMaxBlockFrames);
  return std::max(3, (kReserveFrames + frames - 1) / frames);
}

TAudioLoop::TAudioLoop(WaveDevice& in, WaveDevice& out, Blocks& inBuf, Blocks& outBuf, Hooks hooks)
    : in_(in),
      out_(out),
      inBuf_(inBuf),
      outBuf_(outBuf),
      count_(kBlockCount),
      doorbell_(nullptr),
      hooks_(std::move(hooks)),
      skipped_(size_t(count_)) {}

TAudioLoop::TAudioLoop(WaveDevice& in, WaveDevice& out, std::span<TSampleBuffer> inBuf,
                       std::span<TSampleBuffer> outBuf, int frames, WaveDoorbell& doorbell,
                       Hooks hooks)
    : in_(in),
      out_(out),
      inBuf_(inBuf),
      outBuf_(outBuf),
      count_(int(std::min(inBuf.size(), outBuf.size()))),
      doorbell_(&doorbell),
      hooks_(std::move(hooks)),
      skipped_(size_t(count_)) {
  for (auto blocks : {inBuf_, outBuf_})
    for (TSampleBuffer& block : blocks) block.SetLength(frames);
  silence_.SetLength(frames);
  scratch_.SetLength(frames);
}

int TAudioLoop::Run() {
  const Clock::time_point start = Clock::now();
  if (doorbell_) {
    // A short block leaves only a few milliseconds for the wake-up: an ordinary thread that the
    // system lets wait behind others for that long loses sound.
    figures_.RealTime = RaiseThreadToRealTime();
    if (figures_.RealTime && hooks_.RealTime) hooks_.RealTime();
    in_.SetDoorbell(doorbell_);
    out_.SetDoorbell(doorbell_);
  }
  for (TSampleBuffer& block : inBuf_.first(size_t(count_))) in_.Queue(block.Header());
  in_.Start();
  for (int i = 0; i < count_ && !figures_.Lost; ++i) {
    TakeBack(in_, inBuf_[size_t(i)]);
    Process(i);
    Requeue(i);
  }
  int i = 0;
  for (; !hooks_.Terminating() && !figures_.Lost; i = (i + 1) % count_) {
    TakeBack(in_, inBuf_[size_t(i)]);
    TakeBackPlayed(i);
    Process(i);
    Requeue(i);
  }
  // A lost card completes nothing more: waiting for its blocks would only take seconds.
  for (int n = 0; n < count_ && !figures_.Lost; ++n, i = (i + 1) % count_) {
    TakeBack(in_, inBuf_[size_t(i)]);
    TakeBackPlayed(i);
  }
  figures_.Wall = Clock::now() - start;
  return 0;
}

// A late block is processed as if it had completed, so the patch keeps its pace. While the
// device still holds the block, its memory is the device's: the cycle then reads silence
// instead of the recording block, or writes a scratch block instead of the playback block.
void TAudioLoop::Process(int i) {
  const TSampleBuffer& in = inBuf_[size_t(i)].Header().IsHeld() ? silence_ : inBuf_[size_t(i)];
  processedIn_ = &in;
  TSampleBuffer& out = outBuf_[size_t(i)].Header().IsHeld() ? scratch_ : outBuf_[size_t(i)];
  const Clock::time_point start = Clock::now();
  hooks_.Process(in, out);
  figures_.Busy += Clock::now() - start;
  ++figures_.Blocks;
}

// Queueing a block that its device still holds is ignored, so a late block cannot upset the
// queues. A playback block left out to catch up is not handed over, so it is not taken back.
void TAudioLoop::Requeue(int i) {
  in_.Queue(inBuf_[size_t(i)].Header());
  skipped_[size_t(i)] = doorbell_ && CatchingUp();
  // Only this thread queues, so a block the card does not hold now is taken by it.
  const bool handed = !skipped_[size_t(i)] && !outBuf_[size_t(i)].Header().IsHeld();
  if (!skipped_[size_t(i)]) out_.Queue(outBuf_[size_t(i)].Header());
  Report(i, handed);
}

// After the queueing, so that the silence the card played before this block is all counted.
// Reading a block the card plays meanwhile is safe: both only read it.
void TAudioLoop::Report(int i, bool handed) {
  if (hooks_.Handed)
    hooks_.Handed(*processedIn_, handed ? &outBuf_[size_t(i)] : nullptr, out_.SilentFrames());
}

// After a late wake-up the output starved while the recording piled up; playing all of it would
// keep the sound late by that much for good. The blocks in flight — recorded and waiting, or
// queued and not yet played — stay the same from block to block while the loop keeps pace, and
// grow only by what the output missed. So after the output starved, playback blocks are left
// out until their number is back within kLagSlack of the least seen.
bool TAudioLoop::CatchingUp() {
  int lag = 0;
  for (int k = 0; k < count_; ++k)
    lag += int(inBuf_[size_t(k)].Header().IsDone()) + int(outBuf_[size_t(k)].Header().IsHeld());
  leastLag_ = std::min(leastLag_, lag);
  if (lag <= leastLag_ + kLagSlack) {
    dropoutsSeen_ = out_.Dropouts();
    return false;
  }
  if (out_.Dropouts() == dropoutsSeen_) return false;
  ++figures_.Skipped;
  return true;
}

// Polls in the default mode; in short-block mode sleeps until a completion rings. Either way a
// block that has not completed after kWaitLimit beeps.
// While a block is late, every kLostCheck the devices are asked whether they are gone.
bool TAudioLoop::WaitDone(const WaveHeader& header) {
  const Clock::time_point deadline = Clock::now() + kWaitLimit;
  Clock::time_point check = Clock::now() + kLostCheck;
  while (!header.IsDone()) {
    const Clock::time_point now = Clock::now();
    if (now >= deadline) return Late();
    if (now >= check) {
      if (in_.Lost() || out_.Lost()) return !(figures_.Lost = true);
      check = now + kLostCheck;
    }
    if (doorbell_)
      doorbell_->WaitUntil(std::min(deadline, check));
    else
      std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
  }
  return true;
}

bool TAudioLoop::Late() {
  ++figures_.Late;
  hooks_.Beep();
  return false;
}

void TAudioLoop::TakeBack(WaveDevice& device, TSampleBuffer& block) {
  if (WaitDone(block.Header())) device.Unprepare(block.Header());
}

void TAudioLoop::TakeBackPlayed(int i) {
  if (!skipped_[size_t(i)]) TakeBack(out_, outBuf_[size_t(i)]);
}
