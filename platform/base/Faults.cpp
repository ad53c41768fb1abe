#include "platform/base/Faults.h"

#include <unistd.h>

#include <array>
#include <atomic>
#include <mutex>

namespace platform {
namespace {
struct FaultState {
  int skip = 0;
  int times = 0;
};
std::mutex g_faultMutex;
std::array<FaultState, static_cast<size_t>(Fault::Count)> g_faults;
// How many faults have calls left to fail. Every allocation of the program asks, so the
// usual answer (none armed) is read without taking the mutex.
std::atomic<int> g_armed{0};

void Arm(FaultState& state, FaultState value) {
  bool was = state.times > 0, is = value.times > 0;
  state = value;
  if (was != is) g_armed.fetch_add(is ? 1 : -1, std::memory_order_release);
}
}  // namespace

void InjectFault(Fault fault, int skip, int times) {
  std::lock_guard lock(g_faultMutex);
  Arm(g_faults[static_cast<size_t>(fault)], {skip, times});
}

void ClearFaults() {
  std::lock_guard lock(g_faultMutex);
  for (FaultState& state : g_faults) Arm(state, {});
}

bool ShouldFail(Fault fault) {
  if (g_armed.load(std::memory_order_acquire) == 0) return false;
  std::lock_guard lock(g_faultMutex);
  FaultState& f = g_faults[static_cast<size_t>(fault)];
  if (f.times <= 0) return false;
  if (f.skip > 0) {
    --f.skip;
    return false;
  }
  if (--f.times == 0) g_armed.fetch_sub(1, std::memory_order_release);
  return true;
}

void CrashPoint() {
  if (ShouldFail(Fault::Crash)) ::_exit(kCrashExitCode);
}

}  // namespace platform
