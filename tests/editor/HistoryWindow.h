// A window that owns a history as the program's main window does: message 1125 runs,
// undoes or redoes on the processor given.
#pragma once

#include "document/EditCommand.h"
#include "platform/user/Window.h"

namespace editor_test {

class HistoryWindow {
 public:
  explicit HistoryWindow(CCommandProcessor& history) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.lpszClassName = u"HistoryWindow";
    RegisterClassW(&wc);
    s_history = &history;
    m_window = CreateWindowExW(0, u"HistoryWindow", u"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  }
  ~HistoryWindow() {
    DestroyWindow(m_window);
    s_history = nullptr;
  }
  HistoryWindow(const HistoryWindow&) = delete;
  HistoryWindow& operator=(const HistoryWindow&) = delete;
  operator HWND() const { return m_window; }

 private:
  static LRESULT Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kMsgEditCommand && s_history) return HandleEditCommandMessage(*s_history, wParam, lParam);
    return DefWindowProcW(window, message, wParam, lParam);
  }
  static inline CCommandProcessor* s_history = nullptr;
  HWND m_window = nullptr;
};

}  // namespace editor_test
