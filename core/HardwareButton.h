// One of the device's application buttons taken from the shell for the program: found by
// the name the shell shows for it, let go by the shell and, unless only released,
// registered as a hot key of a program window.
#pragma once

#include "platform/base/Bstr.h"
#include "platform/platform.h"

class CHardwareButton {
 public:
  // The shell keeps one entry per button: HKEY_LOCAL_MACHINE kKeysPath + "<number>" with
  // the values "Name" and "ResetCmd"; entry n is the virtual key kFirstKey - 1 + n.
  static constexpr const WCHAR* kKeysPath = u"Software\\Microsoft\\Shell\\Keys\\";
  static constexpr UINT kFirstKey = 193;
  static constexpr UINT kLastKey = 200;
  // The modifiers the buttons are taken and registered with: MOD_WIN | MOD_KEYUP.
  static constexpr UINT kModifiers = 0x1008;

  CHardwareButton();
  virtual ~CHardwareButton();
  CHardwareButton(const CHardwareButton&) = delete;
  CHardwareButton& operator=(const CHardwareButton&) = delete;

  // Reads the first entry; see GetNextKey.
  bool GetFirstKey(CBstr& name, CBstr& resetCommand);
  // Reads the entry of the current index and advances it: "Name" into `name` and, when
  // that was read, "ResetCmd" into `resetCommand` (empty when missing). False when the
  // entry or its name is missing; the outputs are then untouched.
  bool GetNextKey(CBstr& name, CBstr& resetCommand);

  // The virtual key of the button whose shell name equals `buttonName` (cut before a " ("
  // remark; case matters); 0 when there is none.
  UINT FindKey(CBstr buttonName);
  // Finds the button whose shell name equals `buttonName` (cut before a " (" remark;
  // case matters), makes the shell let it go and, unless `releaseOnly`, registers it as
  // hot key of `window` with the key as id. No such button: nothing happens.
  void BindButton(HWND window, CBstr buttonName, bool releaseOnly);
  // Ends every button's hot key of `window` (those BindButton registered, by any object),
  // so a window that is going away leaves no button bound to it.
  static void UnbindAll(HWND window);

 private:
  CBstr m_keyPrefix;
  int m_nextIndex = 1;
};
