#include "platform/user/MessageBox.h"

#include <cstdio>
#include <deque>
#include <mutex>

#include "platform/base/Base.h"

namespace {

constexpr size_t kLogLength = 256;

std::mutex g_lock;
platform::MessageBoxHandler* g_handler = nullptr;
std::deque<platform::MessageBoxRecord> g_log;

// The buttons of a style in order, or an empty list when the style names none we know.
std::vector<int> Buttons(UINT style) {
  switch (style & MB_TYPEMASK) {
    case MB_OK: return {IDOK};
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
    default: return {};
  }
}

void Record(const platform::MessageBoxRecord& box) {
  std::lock_guard guard(g_lock);
  g_log.push_back(box);
  while (g_log.size() > kLogLength) g_log.pop_front();
}

}  // namespace

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  if (Buttons(type).empty()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  platform::MessageBoxRecord box;
  box.owner = owner;
  box.text = text ? text : u"";
  box.caption = caption ? caption : u"Error";
  box.style = type;

  platform::MessageBoxHandler* handler = nullptr;
  {
    std::lock_guard guard(g_lock);
    handler = g_handler;
  }
  if (handler) {
    box.result = handler->OnMessageBox(box);
    // A handler that answers with a button the box does not have gets the default.
    if (!platform::IsMessageBoxButton(type, box.result)) box.result = platform::DefaultMessageBoxButton(type);
  } else {
    box.result = platform::DefaultMessageBoxButton(type);
    std::fprintf(stderr, "[message box] %s: %s (style 0x%x, answered %d)\n", platform::ToUtf8(box.caption).c_str(),
                 platform::ToUtf8(box.text).c_str(), type, box.result);
  }
  Record(box);
  return box.result;
}

namespace platform {

MessageBoxHandler* SetMessageBoxHandler(MessageBoxHandler* handler) {
  std::lock_guard guard(g_lock);
  MessageBoxHandler* previous = g_handler;
  g_handler = handler;
  return previous;
}

int DefaultMessageBoxButton(UINT style) {
  std::vector<int> buttons = Buttons(style);
  if (buttons.empty()) return 0;
  size_t index = (style & MB_DEFMASK) >> 8;
  return index < buttons.size() ? buttons[index] : buttons[0];
}

bool IsMessageBoxButton(UINT style, int answer) {
  for (int button : Buttons(style))
    if (button == answer) return true;
  return false;
}

std::vector<MessageBoxRecord> MessageBoxLog() {
  std::lock_guard guard(g_lock);
  return {g_log.begin(), g_log.end()};
}

void ClearMessageBoxLog() {
  std::lock_guard guard(g_lock);
  g_log.clear();
}

}  // namespace platform
