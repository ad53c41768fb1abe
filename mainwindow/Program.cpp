#include "mainwindow/Program.h"

#include "core/WindowMessages.h"
#include "core/ResourceLibrary.h"
#include "core/ResourceText.h"
#include "document/EditCommand.h"
#include "mainwindow/MainFrame.h"
#include "platform/base/Format.h"
#include "platform/platform.h"

CProgram::CProgram() = default;

CProgram::~CProgram() { End(); }

ProgramStart CProgram::Start(std::u16string_view commandLine) {
  // A missing library is told by the loader itself, in the fixed English text.
  m_previousLibrary = GetResourceInstance();
  if (!LoadResourceLibrary()) {
    SetResourceInstance(m_previousLibrary);
    return ProgramStart::NoResourceLibrary;
  }
  m_libraryLoaded = true;
  // An end asked from outside (a termination signal, a display gone) reaches the loop as
  // a quit, which every modal loop on the way passes on; Run then closes what is open.
  const DWORD thread = GetCurrentThreadId();
  platform::SetEndRequestHandler([thread] { PostThreadMessageW(thread, WM_QUIT, 0, 0); });
  // One instance: a second start shows the first and ends; its command line is dropped.
  // The lock decides in one step which of two programs started at once goes on; the
  // window search alone would let both through before either window exists.
  if (!m_instanceLock.TryTake(kMainWindowClass) || FindWindowW(kMainWindowClass, nullptr)) {
    if (HWND running = WaitForRunningWindow()) SetForegroundWindow(running);
    End();
    return ProgramStart::AlreadyRunning;
  }
  if (!InitInstance(commandLine)) {
    End();
    return ProgramStart::Stopped;
  }
  TellSettingsRepairs();
  TellReadOnlyDevice();
  // The relay of the desktop companion finds the main window from its own process; one
  // that started this program hears at once that it can.
  if (platform::ShareWindowsWithOtherProcesses()) {
    if (HANDLE reachable = CreateEventW(nullptr, TRUE, FALSE, kProgramReachableEvent)) {
      SetEvent(reachable);
      CloseHandle(reachable);
    }
  }
  return ProgramStart::Started;
}

void CProgram::TellReadOnlyDevice() {
  // Said before the first save can fail, and once: every later failure says its own part.
  if (platform::IsDeviceRootWritable()) return;
  const std::u16string text = platform::FormatWide(kReadOnlyDeviceText, {platform::DeviceRoot().u16string()});
  MessageBoxW(m_mainFrame->GetHwnd(), text.c_str(), u"Slateway", MB_OK | MB_ICONEXCLAMATION);
}

HWND CProgram::WaitForRunningWindow() {
  // The holder of the lock may still be starting: its window comes once its start-up ends.
  constexpr DWORD kLongestWait = 10000;
  constexpr DWORD kStep = 50;
  for (DWORD waited = 0;; waited += kStep) {
    if (HWND running = FindWindowW(kMainWindowClass, nullptr)) return running;
    // Asked to end meanwhile (a termination signal): it ends at once, as a start would.
    if (waited >= kLongestWait || platform::ProcessEndRequested()) return nullptr;
    Sleep(kStep);
  }
}

void CProgram::TellSettingsRepairs() {
  // Told once, by the program, whichever process found the damage.
  const platform::RegistryRepairs repairs = platform::TakeRegistryRepairs();
  if (!repairs.Any()) return;
  const std::u16string text =
      repairs.hivesStartedEmpty
          ? std::u16string(kSettingsResetText)
          : platform::FormatWide(kSettingsRepairedText, {repairs.skippedLines});
  MessageBoxW(m_mainFrame->GetHwnd(), text.c_str(), u"Slateway", MB_OK | MB_ICONEXCLAMATION);
}

bool CProgram::InitInstance(std::u16string_view commandLine) {
  m_documentHistory = std::make_unique<CCommandProcessor>(kDocumentHistoryDepth);
  m_listHistory = std::make_unique<CCommandProcessor>(kListHistoryDepth);
  m_mainFrame = std::make_unique<CMainFrame>(GetModuleHandleW(nullptr), commandLine, *m_documentHistory,
                                             *m_listHistory);
  // A start-up that stopped leaves no window, and a loop without one would never end.
  return m_mainFrame->GetStartupStep() == StartupStep::Started && m_mainFrame->GetHwnd();
}

int CProgram::Run() {
  // The program's own module holds no accelerator table, so every message goes straight
  // to its window; the main window handles its one shortcut (Ctrl+Q) itself.
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  // Asked to end with the main window still open: it closes as its WM_CLOSE would (the
  // open document is saved), only without questions, as nobody is there to answer them.
  if (platform::ProcessEndRequested() && m_mainFrame && IsWindow(m_mainFrame->GetHwnd()))
    m_mainFrame->CloseForEnd();
  End();
  return static_cast<int>(msg.wParam);
}

void CProgram::End() {
  platform::SetEndRequestHandler({});
  // No other process's command reaches a main window that is going away.
  platform::StopSharingWindows();
  const bool hadWindow = m_mainFrame != nullptr;
  m_mainFrame.reset();
  // Ended without its loop: the quit the destroyed window posted has no loop to end, and
  // must not end the next loop of this thread.
  MSG quit;
  if (hadWindow) PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
  if (m_libraryLoaded) {
    // Whatever library was in use before this start is in use again afterwards.
    HINSTANCE library = GetResourceInstance();
    SetResourceInstance(m_previousLibrary);
    if (library) FreeLibrary(library);
    m_libraryLoaded = false;
  }
  m_listHistory.reset();
  m_documentHistory.reset();
  m_instanceLock.Release();
}

int RunSlateway(std::u16string_view commandLine) {
  // A termination signal ends the program as a close would, within the end's deadline.
  platform::CTerminationSignals signals;
  CProgram program;
  switch (program.Start(commandLine)) {
    case ProgramStart::Started: return program.Run();
    // A start-up that stopped (the database would not open, say) did not do what was asked.
    case ProgramStart::Stopped: return 1;
    default: return 0;
  }
}
