#include "platform/process.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

namespace {
// A process counts as running until it has ended, whether its parent has collected it or not.
TEST(Process, AnEndedProcessRunsNoMoreThoughUncollected) {
  const pid_t sleeper = ::fork();
  if (sleeper == 0) {
    ::pause();
    std::_Exit(0);
  }
  const pid_t ended = ::fork();
  if (ended == 0) std::_Exit(0);
  siginfo_t info{};
  ASSERT_EQ(::waitid(P_PID, id_t(ended), &info, WEXITED | WNOWAIT), 0);  // a zombie now
  EXPECT_TRUE(ProcessRunning(CurrentProcessId()));
  EXPECT_TRUE(ProcessRunning(sleeper));
  EXPECT_FALSE(ProcessRunning(ended));
  EXPECT_FALSE(ProcessRunning(0));
  ::kill(sleeper, SIGKILL);
  ::waitpid(sleeper, nullptr, 0);
  ::waitpid(ended, nullptr, 0);
  EXPECT_FALSE(ProcessRunning(ended));
}
}  // namespace
