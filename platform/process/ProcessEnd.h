// Ending the process when asked from outside its own thread: a termination signal (SIGTERM,
// SIGINT, SIGHUP) or a display that went away. The program says how it ends, as its close
// would, with SetEndRequestHandler; whatever its threads are doing, the process is gone
// kEndDeadline after the first request: still there then, it says so on stderr and ends at
// once with kEndDeadlineExitCode.
#pragma once

#include <chrono>
#include <functional>

namespace platform {

inline constexpr std::chrono::milliseconds kEndDeadline{900};
inline constexpr int kEndDeadlineExitCode = 3;

// Runs on the thread that asks for the end: it only hands the end to the program's own
// thread (posts a message) and returns.
using EndRequestHandler = std::function<void()>;

// Installs the handler (empty: none). An end asked for before there was a handler is handed
// to the new one at once. When this returns, the old handler runs no more.
void SetEndRequestHandler(EndRequestHandler handler);

// Asks the process to end, from any thread (never from a signal handler). The first request
// starts the deadline and reaches the handler; later ones change nothing.
void RequestProcessEnd();
// Whether the process was asked to end.
bool ProcessEndRequested();

// Turns SIGTERM, SIGINT and SIGHUP into end requests while it lives: the signal handler only
// writes to a pipe, which a watcher thread of this object reads. The signals get their
// default action back afterwards.
class CTerminationSignals {
 public:
  CTerminationSignals();
  ~CTerminationSignals();
  CTerminationSignals(const CTerminationSignals&) = delete;
  CTerminationSignals& operator=(const CTerminationSignals&) = delete;

  // False when the signals could not be taken (they keep their default action).
  bool IsWatching() const { return m_watching; }

 private:
  bool m_watching = false;
};

}  // namespace platform
