// The undoable edit: every change of the open document (and of the item tree) is an
// object that knows how to apply itself, how to take itself back and what it is called.
// The command processor keeps a bounded history of them and runs them.
//
// A command handed to a processor belongs to it from then on. The processor keeps the
// commands that can be undone on its undo stack (at most `depth`; the oldest goes when a
// new one comes) and the undone ones on its redo stack; a command that cannot be undone
// empties both stacks once it has run, because the commands kept there would otherwise
// take back or re-apply state that it has replaced.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/WindowMessages.h"
#include "platform/base/Bstr.h"
#include "platform/base/Win32Types.h"

// wParam of 1125.
inline constexpr WPARAM kEditCommandRun = 0;
inline constexpr WPARAM kEditCommandUndo = 1;
inline constexpr WPARAM kEditCommandRedo = 2;

inline constexpr unsigned kDocumentHistoryDepth = 10;
inline constexpr unsigned kListHistoryDepth = 1;

class CEditCommand {
 public:
  // A copy of `name` is kept; null leaves the command without a name.
  explicit CEditCommand(LPCWSTR name = nullptr);
  virtual ~CEditCommand();
  CEditCommand(const CEditCommand&) = delete;
  CEditCommand& operator=(const CEditCommand&) = delete;

  // Applies the change; `isRedo` is false the first time and true when the command is
  // applied again from the redo stack. False when nothing was applied (a refused change,
  // a cancelled question): the processor then drops the command. Base: false.
  virtual bool Do(bool isRedo);
  // Takes the change back. Base: false.
  virtual bool Undo();
  // Whether the command may be kept in the history; a command that can be undone can also
  // be redone. Base: false.
  virtual bool CanUndo() const;
  virtual bool CanRedo() const;
  // The text the Edit menu shows after "Undo " and "Redo " (null when none was given).
  const CBstr& GetName() const { return m_name; }
  // Replaces the name with a copy of `name`; null leaves the command without a name.
  void SetName(LPCWSTR name);

 private:
  CBstr m_name;
};

// A stack of commands of fixed capacity that, when full, gives up its oldest entry to
// make room for a new one.
class CBoundedCommandStack {
 public:
  explicit CBoundedCommandStack(unsigned capacity) : m_capacity(capacity) {}
  // Stores the command on top. On a full stack the oldest entry is taken out first and
  // returned to the caller (else null).
  std::unique_ptr<CEditCommand> Push(std::unique_ptr<CEditCommand> command);
  // The top command taken off, or null on an empty stack.
  std::unique_ptr<CEditCommand> Pop();
  // The top command (still owned by the stack), or null.
  CEditCommand* Top() const { return m_entries.empty() ? nullptr : m_entries.back().get(); }
  unsigned Count() const { return static_cast<unsigned>(m_entries.size()); }
  unsigned Capacity() const { return m_capacity; }
  // Deletes every command, newest first.
  void Clear();

 private:
  unsigned m_capacity;
  std::deque<std::unique_ptr<CEditCommand>> m_entries;  // oldest first
};

class CCommandProcessor {
 public:
  explicit CCommandProcessor(unsigned depth);
  virtual ~CCommandProcessor();
  CCommandProcessor(const CCommandProcessor&) = delete;
  CCommandProcessor& operator=(const CCommandProcessor&) = delete;

  // Stores the window to be told (message 1153) after every change of the stacks; at most
  // two are kept, a third is ignored.
  void AddListener(HWND window);
  // Takes the command over and puts it on the pending stack; always true.
  bool Submit(std::unique_ptr<CEditCommand> command);
  // Runs the pending command. True when it ran; false when there was none or its Do
  // failed (the command is then deleted and nothing else changes).
  bool ExecutePending();
  // Takes the newest command back and keeps it for Redo; false when there is none or its
  // Undo failed (then it is deleted).
  bool Undo();
  // Applies the newest undone command again; false when there is none or it failed (then
  // it is deleted).
  bool Redo();
  bool CanUndo() const { return m_undo.Count() != 0; }
  bool CanRedo() const { return m_redo.Count() != 0; }
  // The name of the command the next Undo / Redo would take (null text when none).
  const CBstr* GetUndoName() const;
  const CBstr* GetRedoName() const;
  // Deletes every command of the undo and the redo stack; tells no listener.
  void Clear();

  unsigned GetDepth() const { return m_depth; }
  unsigned GetUndoCount() const { return m_undo.Count(); }
  unsigned GetRedoCount() const { return m_redo.Count(); }

 private:
  void NotifyListeners();

  unsigned m_depth;
  CBoundedCommandStack m_pending;
  CBoundedCommandStack m_undo;
  CBoundedCommandStack m_redo;
  HWND m_listeners[2] = {};
  int m_listenerCount = 0;
};

// The handling of message 1125 by the window that owns `processor`: wParam 0 runs the
// command whose parcel ticket is lParam (the processor takes it over), 1 undoes, 2 redoes. The result of
// the processor operation (1 or 0).
LRESULT HandleEditCommandMessage(CCommandProcessor& processor, WPARAM wParam, LPARAM lParam);

// Hands the command to the window that owns a history (message 1125, wParam 0, the
// command as a parcel). The window takes it over; when there is no such window, or it did
// not take the command, the command is deleted here. The
// window's result (0 as well when there was no window).
LRESULT SendEditCommand(HWND historyWindow, std::unique_ptr<CEditCommand> command);
