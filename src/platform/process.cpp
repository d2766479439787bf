#include "platform/process.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>

int CurrentProcessId() {
  return int(::getpid());
}

// Signal 0 only checks: a process that exists but belongs to someone else answers EPERM.
bool ProcessRunning(int pid) {
  if (pid <= 0) return false;
  return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}
