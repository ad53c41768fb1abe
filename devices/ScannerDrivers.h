// The drivers of the handheld's three built-in bar-code scanners. Each loads its maker's
// library from "\Windows\" at run time and binds its entry points by name; a missing
// library or entry point is told in a box and leaves the driver unloaded, and the program
// runs on without a scanner.
#pragma once

#include <string>

#include "devices/InputDevice.h"
#include "platform/module/Module.h"

// What the three drivers share: the library and its entry points, and the loaded and
// opened states. The destructor gives back only what was taken.
class CScannerDriver : public CInputDevice {
 public:
  using CInputDevice::CInputDevice;
  bool IsLoaded() const { return m_loaded; }
  bool IsOpened() const { return m_opened; }

 protected:
  // Loads `library` and looks up every name into `procs`; on a failure shows
  // `noLibrary` or `noFunction` and frees what it loaded.
  bool LoadAndBind(LPCWSTR library, const char* const* names, FARPROC* procs, size_t count,
                   LPCWSTR noLibrary, LPCWSTR noFunction);
  void FreeScannerLibrary();
  void ShowError(const std::u16string& text) const;
  // Posts the next-scan message in continuous mode while `window` is visible.
  void RequestNextScan(HWND window) const;

  HMODULE m_module = nullptr;
  bool m_loaded = false;
  bool m_opened = false;
};

class CSocketScanner : public CScannerDriver {
 public:
  CSocketScanner(HINSTANCE instance, HWND notify, BYTE continuous, BYTE qtyPrompt);
  ~CSocketScanner() override;
  bool Load() override;
  void Unload() override;
  bool Open(HWND parent) override;
  bool Close(int flag) override;
  bool GetData(WPARAM wParam, LPARAM lParam, HWND window, std::u16string& text) override;
  bool Trigger(int start) override;
  bool Release() override { return true; }

 private:
  using Call0 = long (*)();
  using CallDevice = long (*)(long);
  // A failing call named `function`, with the library's text for `code`.
  void ReportFailure(const char16_t* function, long code) const;

  Call0 m_init = nullptr, m_deinit = nullptr;
  long (*m_errToText)(long, WCHAR*, DWORD) = nullptr;
  CallDevice m_openDevice = nullptr, m_closeDevice = nullptr, m_abort = nullptr, m_trigger = nullptr;
  long (*m_getData)(long, WCHAR*, long*) = nullptr;
  long (*m_requestDataEvents)(long, HWND, UINT) = nullptr;
};

class CSymbolScanner : public CScannerDriver {
 public:
  CSymbolScanner(HINSTANCE instance, HWND notify, BYTE continuous, BYTE qtyPrompt);
  ~CSymbolScanner() override;
  bool Load() override;
  void Unload() override;
  bool Open(HWND parent) override;
  bool Close(int flag) override;
  // Reads the label the library wrote into the buffer; in continuous mode asks for the
  // next scan, and while `window` is visible issues the next read.
  bool GetData(WPARAM wParam, LPARAM lParam, HWND window, std::u16string& text) override;
  bool Trigger(int start) override;
  bool Release() override;
  void SetContinuous(BYTE continuous) override;

  static constexpr DWORD kBufferSize = 7095;
  static constexpr DWORD kStatusTriggerEvent = 0xA000001D;
  static constexpr DWORD kStatusDeviceFailure = 0xA000000B;
  static constexpr DWORD kStatusNoData = 0xA000001E;

 private:
  bool IssueRead();
  void DropDevice();

  DWORD (*m_open)(LPCWSTR, HANDLE*) = nullptr;
  DWORD (*m_close)(HANDLE) = nullptr;
  DWORD (*m_enable)(HANDLE) = nullptr;
  void* (*m_allocate)(DWORD) = nullptr;
  DWORD (*m_readLabel)(HANDLE, void*, HWND, UINT, DWORD, DWORD*) = nullptr;
  DWORD (*m_deallocate)(void*) = nullptr;
  DWORD (*m_flush)(HANDLE) = nullptr;
  DWORD (*m_disable)(HANDLE) = nullptr;
  DWORD (*m_softTrigger)(HANDLE, DWORD) = nullptr;

  HANDLE m_device = nullptr;
  BYTE* m_buffer = nullptr;  // the library's
  bool m_readPending = false;
};

class CGrabbaScanner : public CScannerDriver {
 public:
  CGrabbaScanner(HINSTANCE instance, HWND notify, BYTE continuous, BYTE qtyPrompt);
  ~CGrabbaScanner() override;
  bool Load() override;
  void Unload() override;
  bool Open(HWND parent) override;
  bool Close(int flag) override;
  bool GetData(WPARAM wParam, LPARAM lParam, HWND window, std::u16string& text) override;
  // Loads and opens the scanner first when needed.
  bool Trigger(int start) override;
  bool Release() override;
  void SetContinuous(BYTE continuous) override;

 private:
  // True when `code` is success; otherwise the step's failure is told.
  bool Check(int code, const char16_t* step) const;

  int (*m_open)() = nullptr;
  int (*m_close)() = nullptr;
  int (*m_enable)() = nullptr;
  int (*m_disable)() = nullptr;
  int (*m_getModel)(int*) = nullptr;
  int (*m_trigger)(int) = nullptr;
  int (*m_getLength)(int*) = nullptr;
  int (*m_setNotification)(int, int, HWND, UINT) = nullptr;
  int (*m_setBarcodeNotification)(int, int, HWND, UINT) = nullptr;
  int (*m_getUnicode)(WCHAR*, int) = nullptr;
};
