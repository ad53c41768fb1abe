#include "core/MessageBoxes.h"

#include "core/ResourceText.h"
#include "core/WaitCursor.h"
#include "platform/base/Base.h"
#include "platform/base/Format.h"
#include "platform/user/MessageBox.h"
#include "resources/resource_ids.h"

namespace {

constexpr size_t kLastErrorTextMaxChars = 255;

int Show(HWND owner, const std::u16string& text, UINT style) {
  return MessageBoxW(owner, text.c_str(), kProductName, style);
}

int ShowSuspended(HWND owner, const std::u16string& text, UINT style) {
  CWaitCursorSuspension suspension;
  return Show(owner, text, style);
}

std::u16string Fill(std::u16string_view format, platform::FormatArg arg) {
  return platform::FormatWide(format, {arg}, kMessageTextMaxChars);
}

std::u16string_view Text(LPCWSTR text) { return text ? std::u16string_view(text) : std::u16string_view(); }

}  // namespace

int MessageBoxFromResource(HWND owner, UINT id, UINT style) { return Show(owner, LoadResText(id), style); }

void ShowWarningMessage(HWND owner, UINT id) { ShowSuspended(owner, LoadResText(id), kStyleWarning); }

void ShowMemoryErrorMessage(HWND owner) { Show(owner, LoadResText(IDS_OUT_OF_MEMORY), kStyleWarning); }

bool AskYesNoRes(HWND owner, UINT id) { return Show(owner, LoadResText(id), kStyleYesNoWarning) == IDYES; }

bool ShowWarningResText(HWND owner, UINT id, LPCWSTR text) {
  return ShowSuspended(owner, Fill(LoadResText(id), text), kStyleWarning) == IDYES;
}

bool AskYesNoResValue(HWND owner, UINT id, DWORD value) {
  return ShowSuspended(owner, Fill(LoadResText(id), value), kStyleYesNoWarning) == IDYES;
}

bool AskYesNoResValue(HWND owner, UINT id, LPCWSTR text) {
  return ShowSuspended(owner, Fill(LoadResText(id), text), kStyleYesNoWarning) == IDYES;
}

void ShowErrorResValue(HWND owner, UINT id, DWORD value) {
  ShowSuspended(owner, Fill(LoadResText(id), value), kStyleStop);
}

bool ShowFormattedInfoMessage(HWND owner, UINT id, LPCWSTR text) {
  return ShowSuspended(owner, Fill(LoadResText(id), text), kStyleInformation) == IDYES;
}

void ShowUpdateError(HWND owner, LPCWSTR name) {
  ShowSuspended(owner, Fill(u"Error updating %s.", name), kStyleWarning);
}

void ShowWarningFmtValue(HWND owner, LPCWSTR format, DWORD value) {
  ShowSuspended(owner, Fill(Text(format), value), kStyleWarning);
}

bool AskYesNoFmtText(HWND owner, LPCWSTR format, LPCWSTR text) {
  return ShowSuspended(owner, Fill(Text(format), text), kStyleYesNoWarning) == IDYES;
}

void ShowInfoFmtValue(HWND owner, LPCWSTR format, DWORD value) {
  ShowSuspended(owner, Fill(Text(format), value), kStyleInformation);
}

DWORD ShowLastErrorBox(std::u16string format) {
  DWORD code = GetLastError();
  std::u16string detail = platform::FormatWide(format, {code}, kLastErrorTextMaxChars);
  std::u16string text = platform::FormatWide(u"Error %ld occurred.  %s", {code, detail}, kMessageTextMaxChars);
  Show(nullptr, text, kStyleWarning);
  return code;
}
