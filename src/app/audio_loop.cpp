#include "app/audio_loop.h"

#include <chrono>
#include <thread>

TAudioLoop::TAudioLoop(WaveDevice& in, WaveDevice& out, Blocks& inBuf, Blocks& outBuf, Hooks hooks)
    : in_(in), out_(out), inBuf_(inBuf), outBuf_(outBuf), hooks_(std::move(hooks)) {}

int TAudioLoop::Run() {
  for (TSampleBuffer& block : inBuf_) in_.Queue(block.Header());
  in_.Start();
  for (int i = 0; i < kBlockCount; ++i) {
    TakeBack(in_, inBuf_[i]);
    Process(i);
    Requeue(i);
  }
  int i = 0;
  for (; !hooks_.Terminating(); i = (i + 1) % kBlockCount) {
    TakeBack(in_, inBuf_[i]);
    TakeBack(out_, outBuf_[i]);
    Process(i);
    Requeue(i);
  }
  for (int n = 0; n < kBlockCount; ++n, i = (i + 1) % kBlockCount) {
    TakeBack(in_, inBuf_[i]);
    TakeBack(out_, outBuf_[i]);
  }
  return 0;
}

// A late block is processed as if it had completed, so the patch keeps its pace. While the
// device still holds the block, its memory is the device's: the cycle then reads silence
// instead of the recording block, or writes a scratch block instead of the playback block.
void TAudioLoop::Process(int i) {
  const TSampleBuffer& in = inBuf_[i].Header().IsHeld() ? silence_ : inBuf_[i];
  TSampleBuffer& out = outBuf_[i].Header().IsHeld() ? scratch_ : outBuf_[i];
  hooks_.Process(in, out);
}

// Queueing a block that its device still holds is ignored, so a late block cannot upset the
// queues.
void TAudioLoop::Requeue(int i) {
  in_.Queue(inBuf_[i].Header());
  out_.Queue(outBuf_[i].Header());
}

bool TAudioLoop::WaitDone(const WaveHeader& header) {
  for (int look = 0; look < kPollLooks; ++look) {
    if (header.IsDone()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
  }
  hooks_.Beep();
  return false;
}

void TAudioLoop::TakeBack(WaveDevice& device, TSampleBuffer& block) {
  if (WaitDone(block.Header())) device.Unprepare(block.Header());
}
