#pragma once
#include <thread>

// Asks the scheduler to run the calling thread ahead of ordinary threads (first-in first-out
// real-time scheduling at a low real-time priority, below a sound server's own threads). False
// when the system does not allow it; the thread then runs on as it was.
bool RaiseThreadToRealTime() noexcept;
// The same for another thread of this process.
bool RaiseThreadToRealTime(std::thread::native_handle_type thread) noexcept;
