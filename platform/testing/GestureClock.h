// Moves the test clock on while the shell's gesture recogniser waits for the pen, so a
// pen held down in a test becomes a tap-and-hold without any real time passing.
#pragma once

#include "platform/kernel/Clock.h"
#include "platform/user/Window.h"

namespace platform::testing {

// While alive, each idle turn of the recogniser's wait advances the test clock by `step`
// milliseconds, at most `limit` in all (so a wait that never ends cannot hang a test).
class GestureClock : public platform::IdleHandler {
 public:
  explicit GestureClock(DWORD step = 100, DWORD limit = 2000) : m_step(step), m_limit(limit) {
    m_previous = platform::SetIdleHandler(this);
  }
  ~GestureClock() override { platform::SetIdleHandler(m_previous); }
  GestureClock(const GestureClock&) = delete;
  GestureClock& operator=(const GestureClock&) = delete;

  bool OnIdle(HWND, const std::u16string& what) override {
    if (what != u"gesture" || m_moved >= m_limit) return false;
    platform::TestClock::Advance(m_step);
    m_moved += m_step;
    return true;
  }
  // How far the clock was moved.
  DWORD Moved() const { return m_moved; }

 private:
  DWORD m_step;
  DWORD m_limit;
  DWORD m_moved = 0;
  platform::IdleHandler* m_previous;
};

}  // namespace platform::testing
