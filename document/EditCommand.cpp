#include "document/EditCommand.h"

#include "core/Parcel.h"
#include "platform/user/Window.h"

// ---- CEditCommand -------------------------------------------------------------------------

CEditCommand::CEditCommand(LPCWSTR name) { SetName(name); }
CEditCommand::~CEditCommand() = default;

bool CEditCommand::Do(bool) { return false; }
bool CEditCommand::Undo() { return false; }
bool CEditCommand::CanUndo() const { return false; }
bool CEditCommand::CanRedo() const { return false; }

void CEditCommand::SetName(LPCWSTR name) { m_name = name ? CBstr(std::u16string_view(name)) : CBstr(); }

// ---- CBoundedCommandStack ------------------------------------------------------------------

std::unique_ptr<CEditCommand> CBoundedCommandStack::Push(std::unique_ptr<CEditCommand> command) {
  std::unique_ptr<CEditCommand> oldest;
  if (m_capacity == 0) return command;
  if (m_entries.size() >= m_capacity) {
    oldest = std::move(m_entries.front());
    m_entries.pop_front();
  }
  m_entries.push_back(std::move(command));
  return oldest;
}

std::unique_ptr<CEditCommand> CBoundedCommandStack::Pop() {
  if (m_entries.empty()) return nullptr;
  std::unique_ptr<CEditCommand> top = std::move(m_entries.back());
  m_entries.pop_back();
  return top;
}

void CBoundedCommandStack::Clear() {
  while (!m_entries.empty()) m_entries.pop_back();
}

// ---- CCommandProcessor ---------------------------------------------------------------------

CCommandProcessor::CCommandProcessor(unsigned depth) : m_depth(depth), m_pending(depth), m_undo(depth), m_redo(depth) {}

CCommandProcessor::~CCommandProcessor() { Clear(); }

void CCommandProcessor::AddListener(HWND window) {
  if (m_listenerCount < 2) m_listeners[m_listenerCount++] = window;
}

void CCommandProcessor::NotifyListeners() {
  for (int i = 0; i < m_listenerCount; ++i) PostMessageW(m_listeners[i], kMsgHistoryChanged, 0, 0);
}

bool CCommandProcessor::Submit(std::unique_ptr<CEditCommand> command) {
  // A full pending stack gives up its oldest entry, which nobody would run: it goes.
  m_pending.Push(std::move(command));
  return true;
}

bool CCommandProcessor::ExecutePending() {
  std::unique_ptr<CEditCommand> command = m_pending.Pop();
  if (!command) return false;
  // The command is off every stack while it runs, so that a command it submits from
  // inside its Do runs and enters the history before it.
  if (!command->Do(false)) return false;
  if (command->CanUndo()) {
    // A new change makes the undone commands stale: their saved values and line places
    // describe a document that no longer exists, so they are not kept for Redo.
    m_redo.Clear();
    m_undo.Push(std::move(command));
  } else {
    command.reset();
    Clear();
  }
  NotifyListeners();
  return true;
}

bool CCommandProcessor::Undo() {
  std::unique_ptr<CEditCommand> command = m_undo.Pop();
  if (!command) return false;
  if (!command->Undo()) return false;
  m_redo.Push(std::move(command));
  NotifyListeners();
  return true;
}

bool CCommandProcessor::Redo() {
  std::unique_ptr<CEditCommand> command = m_redo.Pop();
  if (!command) return false;
  if (!command->Do(true)) return false;
  m_undo.Push(std::move(command));
  NotifyListeners();
  return true;
}

const CBstr* CCommandProcessor::GetUndoName() const {
  CEditCommand* top = m_undo.Top();
  return top ? &top->GetName() : nullptr;
}

const CBstr* CCommandProcessor::GetRedoName() const {
  CEditCommand* top = m_redo.Top();
  return top ? &top->GetName() : nullptr;
}

void CCommandProcessor::Clear() {
  m_undo.Clear();
  m_redo.Clear();
}

// ---- Message 1125 --------------------------------------------------------------------------

LRESULT HandleEditCommandMessage(CCommandProcessor& processor, WPARAM wParam, LPARAM lParam) {
  switch (wParam) {
    case kEditCommandRun: {
      std::unique_ptr<CEditCommand> command = CParcelDesk::Redeem<CEditCommand>(lParam);
      if (!command) return 0;
      processor.Submit(std::move(command));
      return processor.ExecutePending() ? 1 : 0;
    }
    case kEditCommandUndo:
      return processor.Undo() ? 1 : 0;
    case kEditCommandRedo:
      return processor.Redo() ? 1 : 0;
    default:
      return 0;
  }
}

LRESULT SendEditCommand(HWND historyWindow, std::unique_ptr<CEditCommand> command) {
  if (!command || !historyWindow || !IsWindow(historyWindow)) return 0;
  return SendParcel(historyWindow, kMsgEditCommand, kEditCommandRun, std::move(command));
}
