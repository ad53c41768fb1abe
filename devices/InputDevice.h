// The one interface behind which the program drives a bar-code scanner or a magnetic card
// reader. A driver talks to its device and reports by messages posted to its notify
// window; the window's owner then asks the driver for the data.
//
//   Load, Open(window), then Trigger/GetData (scanners) or ReadCard (readers) any number
//   of times, Close(1), Unload, delete. Before the handheld suspends: Release, Close(1)
//   and, for kinds other than 0, Unload; Load and Open bring the device back.
#pragma once

#include <memory>
#include <string>

#include "core/WindowMessages.h"
#include "platform/base/Bstr.h"
#include "platform/base/Win32Types.h"

enum InputDeviceKind : int {
  kDeviceSocketScanner = 0,
  kDeviceSymbolScanner = 1,
  kDeviceGrabbaScanner = 2,
  kDeviceCardReader = 3,
};

// What a swiped card gives: the number, the holder's name, the expiry's two-digit year and
// month, and the first track's text between its start and end marks.
struct CCardFields {
  CBstr cardNumber;
  CBstr holderName;
  CBstr expiryYear;
  CBstr expiryMonth;
  CBstr trackText;
};

class CInputDevice {
 public:
  // `instance` is the program's; `notify` receives the driver's messages.
  CInputDevice(HINSTANCE instance, HWND notify, BYTE continuous, BYTE qtyPrompt, int kind);
  virtual ~CInputDevice() = default;
  CInputDevice(const CInputDevice&) = delete;
  CInputDevice& operator=(const CInputDevice&) = delete;

  virtual bool Load() = 0;
  virtual void Unload() = 0;
  // Opens the device under `parent`, showing the device box while it starts.
  virtual bool Open(HWND parent) = 0;
  // True when the device was open.
  virtual bool Close(int flag) = 0;
  // The last scan, on the data message (its parameters) received by `window`.
  virtual bool GetData(WPARAM wParam, LPARAM lParam, HWND window, std::u16string& text) = 0;
  // `start` 1 starts a scan.
  virtual bool Trigger(int start) = 0;
  // Gives the device up before the handheld suspends or the program loses the foreground.
  virtual bool Release() = 0;
  virtual BYTE IsContinuous() const { return m_continuous; }
  virtual void SetContinuous(BYTE continuous) { m_continuous = continuous; }
  virtual BYTE GetQtyPrompt() const { return m_qtyPrompt; }
  virtual void SetQtyPrompt(BYTE qtyPrompt) { m_qtyPrompt = qtyPrompt; }
  virtual BYTE GetState() const { return m_state; }
  virtual bool ReadCard(CCardFields& fields);

  int GetKind() const { return m_kind; }
  HWND GetNotifyWindow() const { return m_notify; }
  // The editor takes the messages while it holds the driver.
  void SetNotifyWindow(HWND notify) { m_notify = notify; }

 protected:
  HINSTANCE m_instance;  // the program's (borrowed)
  BYTE m_continuous;
  BYTE m_qtyPrompt;
  HWND m_notify;
  BYTE m_state = 0;
  int m_kind;
};

// The drivers, chosen by the Preferences "ScannerMake" and "MagReaderMake". Null for
// "None" or a make this program does not know.
std::unique_ptr<CInputDevice> CreateScannerDriver(std::u16string_view make, HINSTANCE instance, HWND notify,
                                                  BYTE continuous, BYTE qtyPrompt);
std::unique_ptr<CInputDevice> CreateCardReaderDriver(std::u16string_view make, HINSTANCE instance, HWND notify);
