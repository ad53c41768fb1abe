// Ending the process on request: a termination signal reaches the program's end handler, a
// request made before there was a handler reaches the first one, and a process that does not
// end is ended at the deadline. Each case runs in a child process, as the deadline ends the
// whole process.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>

#include "platform/process/ProcessEnd.h"
#include "platform/testing/Eventually.h"

namespace {

// The child's exit code, or -1 when a signal ended it.
int ExitCodeOf(pid_t child) {
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ProcessEnd, ATerminationSignalReachesTheHandlerOnceAndEndsNothingByItself) {
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    platform::CTerminationSignals signals;
    std::atomic<int> calls{0};
    platform::SetEndRequestHandler([&calls] { ++calls; });
    [[maybe_unused]] ssize_t written = ::write(ready[1], "r", 1);
    // The program's own thread ends the process once it was asked: here, as soon as the
    // handler ran, after a second signal has had its chance to call it again.
    while (calls == 0) ::usleep(1000);
    ::usleep(100 * 1000);
    platform::SetEndRequestHandler({});
    ::_exit(signals.IsWatching() && calls == 1 ? 0 : 1);
  }
  char byte;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);
  ::kill(child, SIGTERM);
  ::kill(child, SIGINT);
  EXPECT_EQ(ExitCodeOf(child), 0) << "the handler ran once and the child ended by itself";
  ::close(ready[0]);
  ::close(ready[1]);
}

TEST(ProcessEnd, AProcessThatDoesNotEndIsEndedAtTheDeadline) {
  int handed[2];
  ASSERT_EQ(::pipe(handed), 0);
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = ::fork();
  if (child == 0) {
    platform::RequestProcessEnd();
    // Asked before any handler: the first handler hears of it, and then nothing ends.
    platform::SetEndRequestHandler([&handed] { [[maybe_unused]] ssize_t n = ::write(handed[1], "h", 1); });
    ::sleep(30);
    ::_exit(0);
  }
  char byte = 0;
  EXPECT_EQ(::read(handed[0], &byte, 1), 1);
  EXPECT_EQ(ExitCodeOf(child), platform::kEndDeadlineExitCode);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, platform::kEndDeadline);
  EXPECT_LT(took, platform::testing::kEventLimit);  // ended, not left running
  ::close(handed[0]);
  ::close(handed[1]);
}

}  // namespace
