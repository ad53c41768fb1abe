// Waits in a test for something another thread or process brings about. The limit is only
// there so that a fault ends the test instead of hanging it: it is far longer than the
// event ever takes, however loaded the machine, so no test's result hangs on its speed.
#pragma once

#include <chrono>
#include <thread>

namespace platform::testing {

inline constexpr std::chrono::seconds kEventLimit{60};

// Asks `happened` until it answers true (true) or the limit passes (false).
template <typename Condition>
bool Eventually(Condition happened, std::chrono::steady_clock::duration limit = kEventLimit) {
  const auto until = std::chrono::steady_clock::now() + limit;
  for (;;) {
    if (happened()) return true;
    if (std::chrono::steady_clock::now() >= until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

}  // namespace platform::testing
