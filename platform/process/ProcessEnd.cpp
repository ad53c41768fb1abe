#include "platform/process/ProcessEnd.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>

namespace platform {
namespace {

constexpr int kTerminationSignals[] = {SIGTERM, SIGINT, SIGHUP};
constexpr size_t kSignalCount = sizeof(kTerminationSignals) / sizeof(kTerminationSignals[0]);
// How long the watcher sleeps at most between looks at its stop flag.
constexpr int kWatchTick = 100;

std::mutex g_handlerLock;
EndRequestHandler g_handler;  // guarded by g_handlerLock
bool g_handed = false;        // guarded: the request reached a handler
std::atomic<bool> g_requested{false};

// Written before the deadline is armed, so that its signal handler only writes it.
char g_deadlineText[160];
size_t g_deadlineLength = 0;

void OnDeadline(int) {
  ssize_t written = ::write(STDERR_FILENO, g_deadlineText, g_deadlineLength);
  (void)written;
  ::_exit(kEndDeadlineExitCode);
}

void StartDeadline() {
  int length = std::snprintf(g_deadlineText, sizeof(g_deadlineText),
                             "%s: still running %lld ms after it was asked to end; ending now\n",
                             program_invocation_short_name, static_cast<long long>(kEndDeadline.count()));
  g_deadlineLength = length > 0 ? std::min(static_cast<size_t>(length), sizeof(g_deadlineText) - 1) : 0;
  struct sigaction action {};
  action.sa_handler = OnDeadline;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGALRM, &action, nullptr);
  itimerval timer{};
  timer.it_value.tv_sec = static_cast<time_t>(kEndDeadline.count() / 1000);
  timer.it_value.tv_usec = static_cast<suseconds_t>(kEndDeadline.count() % 1000 * 1000);
  ::setitimer(ITIMER_REAL, &timer, nullptr);
}

// The watcher of the termination signals: the handler writes the signal's number into the
// pipe, the watcher thread reads it and asks for the end.
struct SignalWatch {
  int pipe[2] = {-1, -1};
  std::thread watcher;
  std::atomic<bool> stop{false};
  struct sigaction previous[kSignalCount] = {};
};
std::mutex g_watchLock;
std::unique_ptr<SignalWatch> g_watch;  // guarded by g_watchLock; one watch at a time
std::atomic<int> g_signalPipe{-1};

void OnTerminationSignal(int signal) {
  const int saved = errno;
  const char byte = static_cast<char>(signal);
  ssize_t written = ::write(g_signalPipe.load(), &byte, 1);
  (void)written;
  errno = saved;
}

void Watch(SignalWatch* watch) {
  while (!watch->stop) {
    pollfd in{watch->pipe[0], POLLIN, 0};
    if (::poll(&in, 1, kWatchTick) <= 0) continue;
    char byte = 0;
    if (::read(watch->pipe[0], &byte, 1) == 1) RequestProcessEnd();
  }
}

}  // namespace

void SetEndRequestHandler(EndRequestHandler handler) {
  std::lock_guard guard(g_handlerLock);
  g_handler = std::move(handler);
  if (g_handler && g_requested && !g_handed) {
    g_handed = true;
    g_handler();
  }
}

void RequestProcessEnd() {
  if (g_requested.exchange(true)) return;
  StartDeadline();
  std::lock_guard guard(g_handlerLock);
  if (!g_handler) return;
  g_handed = true;
  g_handler();
}

bool ProcessEndRequested() { return g_requested; }

CTerminationSignals::CTerminationSignals() {
  std::lock_guard guard(g_watchLock);
  if (g_watch) return;
  auto watch = std::make_unique<SignalWatch>();
  if (::pipe2(watch->pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  g_signalPipe = watch->pipe[1];
  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (size_t i = 0; i < kSignalCount; ++i) ::sigaction(kTerminationSignals[i], &action, &watch->previous[i]);
  watch->watcher = std::thread(Watch, watch.get());
  g_watch = std::move(watch);
  m_watching = true;
}

CTerminationSignals::~CTerminationSignals() {
  if (!m_watching) return;
  std::lock_guard guard(g_watchLock);
  SignalWatch* watch = g_watch.get();
  for (size_t i = 0; i < kSignalCount; ++i) ::sigaction(kTerminationSignals[i], &watch->previous[i], nullptr);
  watch->stop = true;
  watch->watcher.join();
  g_signalPipe = -1;
  ::close(watch->pipe[0]);
  ::close(watch->pipe[1]);
  g_watch.reset();
}

}  // namespace platform
