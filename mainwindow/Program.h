// The life of the program's process: the language library, one instance only, the two
// edit histories and the main window, the message loop, and the end in order.
//
//   CProgram program;
//   if (program.Start(commandLine) == ProgramStart::Started) exitCode = program.Run();
//
// Start runs on any device root without a display (every window is the platform's own),
// so a test can start the whole program, look at it, and close it with WM_CLOSE.
#pragma once

#include <memory>
#include <string_view>

#include "platform/base/Win32Types.h"
#include "platform/ipc/Ipc.h"

class CCommandProcessor;
class CMainFrame;

enum class ProgramStart {
  Started,
  NoResourceLibrary,  // told in a message box (kResourceLibraryMissingText); ends with 0
  AlreadyRunning,     // the running instance was brought to the front
  Stopped,            // the main window's start-up stopped (GetMainFrameStep tells where)
};

inline constexpr char16_t kResourceLibraryMissingText[] = u"Failed to load resources library. Please re-install.";
// Told once at start-up after the settings file was found damaged and mended (a copy of
// the damaged file is kept beside it).
inline constexpr char16_t kSettingsRepairedText[] =
    u"Slateway's settings file was damaged and has been repaired: %u damaged line(s) could not be read and were "
    u"left out, the rest of your settings were kept.  Please check your settings under Tools > Options.";
inline constexpr char16_t kSettingsResetText[] =
    u"Slateway's settings file was damaged and could not be read, so the settings have been set back to their "
    u"defaults.  Please check your settings under Tools > Options.";

// Told once at start-up when nothing can be written where the device keeps its files.
inline constexpr char16_t kReadOnlyDeviceText[] =
    u"Slateway cannot keep any changes: the device folder %s cannot be written.  You can look at your documents "
    u"and lists, but nothing you change, add or receive from the desktop will be saved.  Make the folder writable "
    u"and start Slateway again.";

class CProgram {
 public:
  CProgram();
  ~CProgram();
  CProgram(const CProgram&) = delete;
  CProgram& operator=(const CProgram&) = delete;

  ProgramStart Start(std::u16string_view commandLine);
  // The message loop until WM_QUIT, then the end: the language library freed and the main
  // window object deleted. The quit message's code. An end asked of the process
  // (platform::RequestProcessEnd) quits the loop and closes the main window first.
  int Run();
  // Ends what Start built without a loop (a start that stopped, or a test's tear-down).
  void End();

  CMainFrame* GetMainFrame() const { return m_mainFrame.get(); }
  CCommandProcessor* GetDocumentHistory() const { return m_documentHistory.get(); }
  CCommandProcessor* GetListHistory() const { return m_listHistory.get(); }

 private:
  bool InitInstance(std::u16string_view commandLine);
  // The window of the program that holds the instance lock, once it shows one; null when
  // none comes within a while.
  static HWND WaitForRunningWindow();
  // One message when a settings file was found damaged and mended.
  void TellSettingsRepairs();
  // One message when the device's folder cannot be written.
  void TellReadOnlyDevice();

  platform::CDeviceLock m_instanceLock;
  bool m_libraryLoaded = false;
  HINSTANCE m_previousLibrary = nullptr;
  std::unique_ptr<CCommandProcessor> m_documentHistory;
  std::unique_ptr<CCommandProcessor> m_listHistory;
  std::unique_ptr<CMainFrame> m_mainFrame;
};

// The whole life in one call: Start, then Run when the start succeeded, with SIGTERM, SIGINT
// and SIGHUP asking for the end meanwhile. The exit code: 1 for a start-up that stopped.
int RunSlateway(std::u16string_view commandLine);
