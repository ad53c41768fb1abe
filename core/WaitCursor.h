// The program's wait cursor: one nesting count for the whole program, so that nested
// long operations show the wait cursor until the outermost one ends.
//
// Count 0 shows the arrow. The count is signed: a message box shown while no wait
// cursor is up lowers it to -1 and raises it back to 0 without showing anything.
#pragma once

// With `force`: count 1 and the wait cursor shown. Otherwise the count goes up by one
// and the wait cursor is shown when it became 1.
void BeginWaitCursor(bool force = false);
// With `force`: the arrow shown and count 0. Otherwise the count goes down by one and
// the arrow is shown when it was 1.
void EndWaitCursor(bool force = false);
// The current nesting count.
int GetWaitCursorCount();

// Lets a message box show the arrow while the wait cursor is up: lowers the count by one
// for its lifetime (arrow when it was 1) and raises it again at the end (wait cursor when
// it is back at 1).
class CWaitCursorSuspension {
 public:
  CWaitCursorSuspension() { EndWaitCursor(); }
  ~CWaitCursorSuspension() { BeginWaitCursor(); }
  CWaitCursorSuspension(const CWaitCursorSuspension&) = delete;
  CWaitCursorSuspension& operator=(const CWaitCursorSuspension&) = delete;
};

// The wait cursor for the length of a scope. End() takes it down early (a message box or
// a question comes next); Begin() puts it up again. Each is harmless when repeated.
class CWaitCursorScope {
 public:
  CWaitCursorScope() { BeginWaitCursor(); }
  ~CWaitCursorScope() { End(); }
  void Begin() {
    if (!m_on) BeginWaitCursor();
    m_on = true;
  }
  void End() {
    if (m_on) EndWaitCursor();
    m_on = false;
  }
  CWaitCursorScope(const CWaitCursorScope&) = delete;
  CWaitCursorScope& operator=(const CWaitCursorScope&) = delete;

 private:
  bool m_on = true;
};
