// The settings file commands of the main window: the program's registry settings written
// to a file the user names, and read back from one.
#include <memory>

#include "core/CustomSettings.h"
#include "core/MessageBoxes.h"
#include "core/Preferences.h"
#include "core/ProgressWnd.h"
#include "core/RegistryKey.h"
#include "core/ResourceText.h"
#include "core/WindowMessages.h"
#include "document/SettingsXml.h"
#include "mainwindow/MainFrame.h"
#include "platform/shell/FileDialogs.h"
#include "resources/resource_ids.h"

namespace {

constexpr char16_t kSettingsFilter[] = u"oat (*.oat)\0*.oat\0";
constexpr size_t kFileBuffer = 260;
constexpr DWORD kFileOffered = 130;

}  // namespace

void CMainFrame::ShowSettingsProgress(UINT statusId) {
  CProgressWnd& progress = DesktopProgress();
  progress.Show(CBstr(kProductName), false);
  progress.SetStatusId(statusId, false);
}

bool CMainFrame::ExportSettings(HWND owner) {
  WCHAR file[kFileBuffer] = u"Slateway.oat";
  OPENFILENAMEW ofn;
  ofn.lStructSize = 76;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = kSettingsFilter;
  ofn.lpstrFile = file;
  ofn.nMaxFile = kFileOffered;
  ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
  if (!GetSaveFileNameW(&ofn)) return false;
  ShowSettingsProgress(IDS_SETTINGS_EXPORTING);
  CSettingsXml settings(owner, nullptr);
  const bool exported = settings.Export(CBstr(file));
  PostMessageW(m_hwnd, kMsgProgressClosed, 0, 0);
  if (exported)
    MessageBoxFromResource(owner, IDS_FILE_SAVED, kStyleInformation);
  else  // a full storage, or a folder that cannot be written: the user learns the file is not there
    ShowWarningResText(owner, IDS_FILE_NOT_WRITTEN, file);
  return exported;
}

bool CMainFrame::ImportSettings(HWND owner, std::u16string_view path, bool silent, bool reloadCustomSettings) {
  WCHAR file[kFileBuffer] = {};
  std::u16string chosen(path);
  if (chosen.empty()) {
    OPENFILENAMEW ofn;
    ofn.lStructSize = 76;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = kSettingsFilter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = kFileBuffer;
    ofn.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    if (GetOpenFileNameW(&ofn)) chosen = file;
  }
  if (chosen.empty()) return false;
  CRegistryKey customKey(HKEY_CURRENT_USER, u"Software\\VendelSoftware\\Slateway\\CustomSettings");
  CSettingsXml settings(owner, &customKey);
  if (!silent) ShowSettingsProgress(IDS_SETTINGS_IMPORTING);
  int count = 0;
  const bool imported = settings.Import(CBstr(chosen), &count);
  if (imported) {
    if (m_preferences) m_preferences->LoadCachedFlags();
    if (reloadCustomSettings && m_customSettings) m_customSettings->Load();
  }
  if (!silent) {
    PostMessageW(m_hwnd, kMsgProgressClosed, 0, 0);
    if (imported) MessageBoxFromResource(owner, IDS_SETTINGS_IMPORTED, kStyleInformation);
  }
  return imported;
}
