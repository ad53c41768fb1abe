// A modeless window that shows a long operation running on the message loop's thread: a
// title, one status line and one button. The operation calls SetStatus between its steps;
// each call lets the pending messages through, so the screen stays alive and the user can
// press the button. It reads "Abort" while the work runs and "Ok" once it has finished or
// stopped; "Ok" closes the window and posts kMsgProgressClosed to the notify window.
//
//   CProgressWnd progress(resources, owner, mainWindow);
//   progress.Show(title, true);
//   for (step : steps) { if (!progress.SetStatus(text)) break; ...work... }
//   progress.SetStatusId(IDS_..., true);
#pragma once

#include <functional>

#include "core/WindowMessages.h"
#include "core/WindowObject.h"
#include "platform/base/Bstr.h"
#include "platform/platform.h"

// Handles every pending message of the thread, keyboard messages through the dialog that
// `dialog` names at the time (it may go while messages run), until none is left or `stop`
// says so. A quit request is left for the main loop.
void PumpPendingMessages(const std::function<HWND()>& dialog, const std::function<bool()>& stop = {});

class CProgressWnd : public CDialogObject<CProgressWnd> {
 public:

  CProgressWnd(HINSTANCE resources, HWND notify, HWND parent);
  virtual ~CProgressWnd() = default;

  // Clears the abort flag. A window already shown only gets its button relabelled
  // "Abort"; otherwise the window is made, owned by the parent's window, with `title`
  // and the button shown or hidden, and the operation counts as running.
  bool Show(const CBstr& title, bool showButton);
  // Lets pending messages through, then: 0 when the user asked to stop (the status line
  // says so and the button becomes "Ok"); else shows `text` (when given) and answers 1.
  int SetStatus(const CBstr* text);
  int SetStatus(const CBstr& text) { return SetStatus(&text); }
  // As SetStatus with the text of string resource `id`; `finished` shows the button as
  // "Ok" and ends the running state.
  int SetStatusId(UINT id, bool finished);
  // Removes and handles every pending message of the thread; answers the abort flag.
  bool PumpMessages();

  void SetAbort(bool abort);
  bool IsAborted() const { return m_aborted; }
  bool IsRunning() const { return m_running; }

  INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  void SetButton(bool finished);
  void OnButton();

  HINSTANCE m_resources;
  HWND m_notify;
  HWND m_parent;
  bool m_showButton = true;
  bool m_running = false;
  bool m_aborted = false;
  // The button's role: true once it reads "Ok" and closes the window.
  bool m_buttonCloses = false;
  bool m_pumping = false;
};
