#include "platform/base/Faults.h"

#include <array>
#include <mutex>

namespace platform {
namespace {
struct FaultState {
  int skip = 0;
  int times = 0;
};
std::mutex g_faultMutex;
std::array<FaultState, static_cast<size_t>(Fault::Count)> g_faults;
}  // namespace

void InjectFault(Fault fault, int skip, int times) {
  std::lock_guard lock(g_faultMutex);
  g_faults[static_cast<size_t>(fault)] = {skip, times};
}

void ClearFaults() {
  std::lock_guard lock(g_faultMutex);
  g_faults.fill({});
}

bool ShouldFail(Fault fault) {
  std::lock_guard lock(g_faultMutex);
  FaultState& f = g_faults[static_cast<size_t>(fault)];
  if (f.times <= 0) return false;
  if (f.skip > 0) {
    --f.skip;
    return false;
  }
  --f.times;
  return true;
}

}  // namespace platform
