#include "platform/realtime.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>

namespace {
// JACK's own threads run at 10 and its clients' just below by default.
constexpr int kPriority = 5;
}  // namespace

bool RaiseThreadToRealTime(std::thread::native_handle_type thread) noexcept {
  sched_param param{};
  param.sched_priority = std::max(kPriority, sched_get_priority_min(SCHED_FIFO));
  return pthread_setschedparam(thread, SCHED_FIFO, &param) == 0;
}

bool RaiseThreadToRealTime() noexcept {
  return RaiseThreadToRealTime(pthread_self());
}
