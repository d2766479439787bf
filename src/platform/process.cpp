#include "platform/process.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <string>

int CurrentProcessId() {
  return int(::getpid());
}

namespace {
// The state letter in /proc/<pid>/stat, after the command name in brackets (which may itself
// hold brackets and spaces); 0 where /proc cannot tell.
char StateOf(int pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  const std::string line{std::istreambuf_iterator<char>(stat), {}};
  const size_t end = line.rfind(')');
  return end != std::string::npos && end + 2 < line.size() ? line[end + 2] : 0;
}
}  // namespace

// Signal 0 only checks: a process that exists but belongs to someone else answers EPERM.
bool ProcessRunning(int pid) {
  if (pid <= 0) return false;
  if (::kill(pid_t(pid), 0) != 0 && errno != EPERM) return false;
  return StateOf(pid) != 'Z';
}

int ProcessIdFrom(std::string_view digits) {
  if (digits.empty() || digits.size() > 9 ||
      !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return 0;
  return std::stoi(std::string(digits));
}
