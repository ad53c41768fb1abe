#include "relay/Relay.h"

#include <chrono>
#include <thread>

#include "core/RegistryKey.h"
#include "core/WindowMessages.h"

namespace {

constexpr const WCHAR* kMainClass = u"Slateway";
constexpr const WCHAR* kMainTitle = u"Slateway";
constexpr const WCHAR* kDefaultProgramPath = u"\\Program Files\\VendelSoftware\\Slateway\\Slateway.exe";
constexpr const WCHAR* kProgramFile = u"Slateway.exe";
// The registry key class reads texts of at most this many characters.
constexpr size_t kLongestPath = 259;
// How long a freshly started program may take to open its main window (a first start, a
// question at start-up). It sets the reachable event as soon as its window can be found,
// which ends the wait at once.
constexpr DWORD kLongestStart = 60000;
// Between two looks for the window: the event's wait is cut into these.
constexpr DWORD kLookAgain = 100;

struct RelayWord {
  const char16_t* word;
  std::optional<RelayMessage> message;
};

// In the order the words are compared.
const RelayWord kWords[] = {
    {u"RETRIEVING_INVOICES", RelayMessage{DesktopCommand::Templates, false}},
    {u"UPDATE_QB_JOBS", RelayMessage{DesktopCommand::UpdateJobs, false}},
    {u"UPDATE_QB_JOBS_SILENT", RelayMessage{DesktopCommand::UpdateJobsSilent, false}},
    {u"UPDATE_QB_ITEMS", RelayMessage{DesktopCommand::UpdateLists, false}},
    {u"CONVERT_1_TO_2", RelayMessage{DesktopCommand::ConvertOneToTwo, false}},
    {u"GET_OWNER_INFO", RelayMessage{DesktopCommand::OwnerInfo, false}},
    {u"STOP", std::nullopt},
    {u"LOAD_DB_UPDATE", RelayMessage{DesktopCommand::LoadDatabaseUpdate, true}},
    {u"GET_DB", RelayMessage{DesktopCommand::CopyDatabase, true}},
    {u"OPEN_DB", RelayMessage{DesktopCommand::OpenDatabase, true}},
    {u"CLOSE_DB", RelayMessage{DesktopCommand::CloseDatabase, true}},
};

HWND FindMainWindow() { return FindWindowW(kMainClass, kMainTitle); }

// Starts the main program and waits until its window can be reached; null when it could
// not be started or its window did not come.
HWND StartMainProgram() {
  std::u16string path = GetMainProgramPath();
  // Made before the start, so that a program quicker than this one finds it to set.
  HANDLE reachable = CreateEventW(nullptr, TRUE, FALSE, kProgramReachableEvent);
  if (reachable) ResetEvent(reachable);
  PROCESS_INFORMATION info;
  STARTUPINFOW startup;
  if (!CreateProcessW(path.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    if (reachable) CloseHandle(reachable);
    MessageBoxW(nullptr, u"Could not start Slateway DedadErude Edition.  Please reinstall.", u"", MB_OK);
    MessageBoxW(nullptr, path.c_str(), u"Program path", MB_OK);
    return nullptr;
  }
  // A program that stopped at start-up, or found another already running, never sets the
  // event: the window is looked for between the waits.
  HWND main = nullptr;
  for (DWORD waited = 0; !(main = FindMainWindow()) && waited < kLongestStart; waited += kLookAgain) {
    if (!reachable) std::this_thread::sleep_for(std::chrono::milliseconds(kLookAgain));
    else if (WaitForSingleObject(reachable, kLookAgain) == WAIT_OBJECT_0) ResetEvent(reachable);
  }
  if (reachable) CloseHandle(reachable);
  return main;
}

const RelayWord* FindWord(std::u16string_view word) {
  for (const RelayWord& entry : kWords)
    if (word == entry.word) return &entry;
  return nullptr;
}

}  // namespace

std::optional<RelayMessage> RelayMessageFor(std::u16string_view word) {
  const RelayWord* entry = FindWord(word);
  return entry ? entry->message : std::nullopt;
}

bool IsRelayWord(std::u16string_view word) { return FindWord(word) != nullptr; }

std::u16string GetMainProgramPath() {
  CRegistryKey root;
  CBstr folder;
  if (!root.GetString(CBstr(u"ProgramPath"), folder)) return kDefaultProgramPath;
  std::u16string path(folder.c_str());
  if (path.empty() || path.size() > kLongestPath) return kDefaultProgramPath;
  // A folder recorded with its closing backslash gets no second one.
  if (path.back() != u'\\') path += u'\\';
  return path + kProgramFile;
}

RelayResult RunRelay(std::u16string_view word) {
  // A word nobody knows must not start the program on its way to being dropped.
  if (!IsRelayWord(word)) return kRelayUnknownWord;
  HWND main = FindMainWindow();
  if (!main && !(main = StartMainProgram())) return kRelayNoAnswer;
  std::optional<RelayMessage> message = RelayMessageFor(word);
  if (!message) return kRelayAnswered;
  std::u16string text(word);
  COPYDATASTRUCT copy;
  copy.dwData = static_cast<ULONG_PTR>(message->code);
  if (message->carriesWord) {
    copy.cbData = static_cast<DWORD>(text.size() * sizeof(WCHAR));
    copy.lpData = text.data();
  }
  // A send that reached nobody, or was not answered in time, leaves an error behind;
  // otherwise 0 is the program's answer that the command could not be carried out.
  SetLastError(ERROR_SUCCESS);
  LRESULT answer = SendMessageW(main, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy));
  // The last error tells the caller why there was no answer (ERROR_TIMEOUT: the program
  // took the command and is still at it).
  if (answer != 0) return kRelayAnswered;
  return GetLastError() != ERROR_SUCCESS ? kRelayNoAnswer : kRelayFailed;
}
