#include "devices/ScannerDrivers.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <iterator>
#include <string>

#include "core/MessageBoxes.h"
#include "devices/DeviceBox.h"
#include "platform/platform.h"

namespace {

// The Socket and Symbol scanners need a moment between the steps of starting.
constexpr DWORD kStepPause = 250;
constexpr long kSocketDevice = 1;

constexpr const char* kSocketNames[] = {"ScanInit",         "ScanDeinit",           "ScanErrToText",
                                        "ScanOpenDevice",   "ScanCloseDevice",      "ScanGetData",
                                        "ScanSetGoodReadSound", "ScanAbort",        "ScanRequestDataEvents",
                                        "ScanGetDevInfo",   "ScanGetStatus",        "ScanTrigger"};
constexpr const char* kSymbolNames[] = {"SCAN_Open",           "SCAN_Close",         "SCAN_Enable",
                                        "SCAN_AllocateBuffer_W", "SCAN_ReadLabelMsg_W", "SCAN_DeallocateBuffer_W",
                                        "SCAN_Flush",          "SCAN_Disable",       "SCAN_SetSoftTrigger"};
constexpr const char* kGrabbaNames[] = {"GrabbaOpen",          "GrabbaClose",          "GrabbaBarcodeEnable",
                                        "GrabbaBarcodeDisable", "GrabbaGetModel",      "GrabbaBarcodeTrigger",
                                        "GrabbaBarcodeGetData", "GrabbaBarcodeGetLength", "GrabbaSetNotificationType",
                                        "GrabbaBarcodeSetNotificationType", "GrabbaBarcodeGetUnicodeString"};

template <class F>
void Bind(F& slot, FARPROC proc) {
  slot = reinterpret_cast<F>(proc);
}

// One Socket scanner start at a time in the process.
std::atomic<bool> g_socketOpening{false};

DWORD Word(const BYTE* buffer, size_t index) {
  DWORD value;
  std::memcpy(&value, buffer + index * 4, 4);
  return value;
}

}  // namespace

// ---- CScannerDriver -----------------------------------------------------------------------

bool CScannerDriver::LoadAndBind(LPCWSTR library, const char* const* names, FARPROC* procs, size_t count,
                                 LPCWSTR noLibrary, LPCWSTR noFunction) {
  m_module = LoadLibraryW(library);
  if (!m_module) {
    ShowError(noLibrary);
    return false;
  }
  for (size_t i = 0; i < count; ++i) {
    procs[i] = GetProcAddress(m_module, names[i]);
    if (!procs[i]) {
      ShowError(noFunction);
      FreeScannerLibrary();
      return false;
    }
  }
  return true;
}

void CScannerDriver::FreeScannerLibrary() {
  if (m_module) FreeLibrary(m_module);
  m_module = nullptr;
  m_loaded = false;
}

void CScannerDriver::ShowError(const std::u16string& text) const {
  MessageBoxW(m_notify, text.c_str(), kProductName, MB_OK | MB_ICONEXCLAMATION);
}

void CScannerDriver::RequestNextScan(HWND window) const {
  if (m_continuous && IsWindowVisible(window)) PostMessageW(m_notify, kMsgStartNextScan, 0, 0);
}

// ---- CSocketScanner -----------------------------------------------------------------------

CSocketScanner::CSocketScanner(HINSTANCE instance, HWND notify, BYTE continuous, BYTE qtyPrompt)
    : CScannerDriver(instance, notify, continuous, qtyPrompt, kDeviceSocketScanner) {}

CSocketScanner::~CSocketScanner() {
  if (m_opened) Close(1);
  if (m_module) Unload();
}

void CSocketScanner::ReportFailure(const char16_t* function, long code) const {
  WCHAR reason[256] = {};
  if (m_errToText) m_errToText(code, reason, 256);
  std::u16string text = u"A scanner error has occured.  The Socket library function '";
  text += function;
  text += u"' reports: '";
  text += reason;
  text += u"'.";
  if (std::u16string_view(function) == u"ScanOpenDevice") text += u" Try soft-resetting the device if the problem persists.";
  ShowError(text);
}

bool CSocketScanner::Load() {
  if (m_loaded) return true;
  FARPROC p[std::size(kSocketNames)];
  if (!LoadAndBind(u"\\Windows\\ScanAPI.dll", kSocketNames, p, std::size(kSocketNames),
                   u"Failed to load the Socket scanner library. Please install the Socket SocketScan software and try again.",
                   u"Failed to acquire Socket Scanner function(s). Please contact Technical Support"))
    return false;
  Bind(m_init, p[0]);
  Bind(m_deinit, p[1]);
  Bind(m_errToText, p[2]);
  Bind(m_openDevice, p[3]);
  Bind(m_closeDevice, p[4]);
  Bind(m_getData, p[5]);
  Bind(m_abort, p[7]);
  Bind(m_requestDataEvents, p[8]);
  Bind(m_trigger, p[11]);
  if (long code = m_init()) {
    ReportFailure(u"ScanInit", code);
    FreeScannerLibrary();
    return false;
  }
  m_loaded = true;
  return true;
}

void CSocketScanner::Unload() {
  if (m_opened) Close(1);
  if (m_loaded) {
    m_abort(kSocketDevice);
    if (long code = m_deinit()) ReportFailure(u"ScanDeInit", code);
  }
  FreeScannerLibrary();
}

bool CSocketScanner::Open(HWND parent) {
  if (m_opened) return true;
  if (!m_loaded) return false;
  if (g_socketOpening.exchange(true)) return false;
  {
    CDeviceBox box(parent, u"Starting Socket scanner...", 2);
    if (long code = m_openDevice(kSocketDevice)) {
      ReportFailure(u"ScanOpenDevice", code);
    } else {
      Sleep(kStepPause);
      box.Step();
      if (long code = m_requestDataEvents(kSocketDevice, m_notify, kMsgScanData)) {
        ReportFailure(u"ScanRequestDataEvents", code);
        m_closeDevice(kSocketDevice);
      } else {
        Sleep(kStepPause);
        box.Step();
        m_opened = true;
      }
    }
  }
  g_socketOpening = false;
  return m_opened;
}

bool CSocketScanner::Close(int) {
  if (!m_opened) return false;
  m_opened = false;
  m_abort(kSocketDevice);
  if (long code = m_closeDevice(kSocketDevice)) ReportFailure(u"ScanCloseDevice", code);
  return true;
}

bool CSocketScanner::GetData(WPARAM, LPARAM, HWND window, std::u16string& text) {
  text.clear();
  if (!m_opened) return false;
  WCHAR buffer[256] = {};
  long length = 256;
  if (long code = m_getData(kSocketDevice, buffer, &length)) {
    ReportFailure(u"ScanGetData", code);
    return false;
  }
  text.assign(buffer, static_cast<size_t>(std::clamp(length, 0L, 255L)));
  RequestNextScan(window);
  return true;
}

bool CSocketScanner::Trigger(int) {
  if (!m_loaded || !m_opened) return false;
  if (long code = m_trigger(kSocketDevice)) {
    ReportFailure(u"ScanTrigger", code);
    return false;
  }
  return true;
}

// ---- CSymbolScanner -----------------------------------------------------------------------

CSymbolScanner::CSymbolScanner(HINSTANCE instance, HWND notify, BYTE continuous, BYTE qtyPrompt)
    : CScannerDriver(instance, notify, continuous, qtyPrompt, kDeviceSymbolScanner) {}

CSymbolScanner::~CSymbolScanner() {
  if (m_opened) Close(1);
  FreeScannerLibrary();
}

bool CSymbolScanner::Load() {
  if (m_loaded) return true;
  FARPROC p[std::size(kSymbolNames)];
  if (!LoadAndBind(u"\\Windows\\ScnAPI32.dll", kSymbolNames, p, std::size(kSymbolNames),
                   u"Failed to load Symbol scanner library. Check if this is a Symbol device or contact technical support for assistance.",
                   u"Failed to locate Symbol function(s). Please contact Technical Support"))
    return false;
  Bind(m_open, p[0]);
  Bind(m_close, p[1]);
  Bind(m_enable, p[2]);
  Bind(m_allocate, p[3]);
  Bind(m_readLabel, p[4]);
  Bind(m_deallocate, p[5]);
  Bind(m_flush, p[6]);
  Bind(m_disable, p[7]);
  Bind(m_softTrigger, p[8]);
  m_loaded = true;
  return true;
}

void CSymbolScanner::Unload() {
  if (m_opened) Close(1);
  FreeScannerLibrary();
}

// Gives back the buffer and the device, whatever of them was taken.
void CSymbolScanner::DropDevice() {
  if (m_device) m_disable(m_device);
  if (m_buffer) m_deallocate(m_buffer);
  if (m_device) m_close(m_device);
  m_buffer = nullptr;
  m_device = nullptr;
  m_readPending = false;
}

bool CSymbolScanner::IssueRead() {
  m_readPending = m_readLabel(m_device, m_buffer, m_notify, kMsgScanData, 0, nullptr) == 0;
  return m_readPending;
}

bool CSymbolScanner::Open(HWND parent) {
  if (m_opened) return true;
  if (!m_loaded) return false;
  CDeviceBox box(parent, u"Starting Symbol scanner...", 3);
  if (m_open(u"SCN1:", &m_device) != 0) {
    m_device = nullptr;
    ShowError(u"SCAN_Open failed");
    return false;
  }
  Sleep(kStepPause);
  box.Step();
  if (m_enable(m_device) != 0) {
    ShowError(u"SCAN_Enable");
    DropDevice();
    return false;
  }
  Sleep(kStepPause);
  box.Step();
  m_buffer = static_cast<BYTE*>(m_allocate(kBufferSize));
  if (!m_buffer) {
    ShowError(u"SCAN_AllocateBuffer");
    DropDevice();
    return false;
  }
  Sleep(kStepPause);
  box.Step();
  IssueRead();
  m_opened = true;
  return true;
}

bool CSymbolScanner::Release() {
  if (!m_opened) return false;
  m_flush(m_device);
  m_readPending = false;
  return true;
}

bool CSymbolScanner::Close(int) {
  if (!m_opened) return false;
  Release();
  DropDevice();
  m_opened = false;
  return true;
}

bool CSymbolScanner::Trigger(int start) {
  if (!m_opened) return false;
  if (!m_readPending) return IssueRead();
  if (start) {
    m_softTrigger(m_device, 0);
    m_softTrigger(m_device, 1);
  }
  return true;
}

bool CSymbolScanner::GetData(WPARAM wParam, LPARAM lParam, HWND window, std::u16string& text) {
  text.clear();
  if (!m_opened) return false;
  m_softTrigger(m_device, 0);
  m_readPending = false;
  DWORD headerSize = Word(m_buffer, 1);
  DWORD offset = Word(m_buffer, 3);
  DWORD status = Word(m_buffer, 6);
  bool take = headerSize < 28;
  if (!take) {
    if (status == kStatusTriggerEvent) {
      SendMessageW(m_notify, kMsgTriggerStatus, wParam, lParam);
      return false;
    }
    if (status == kStatusDeviceFailure) {
      ShowError(u"Symbol Scanner device failure");
      return false;
    }
    take = status == 0;
  }
  if (headerSize < 16) offset = 148;
  // The header comes from the library: the text must start and end inside the buffer.
  if (take && offset + 2 <= kBufferSize) {
    size_t room = (kBufferSize - offset) / 2;
    for (size_t i = 0; i < room; ++i) {
      char16_t c;
      std::memcpy(&c, m_buffer + offset + i * 2, 2);
      if (c == 0) {
        text.resize(i);
        std::memcpy(text.data(), m_buffer + offset, i * 2);
        break;
      }
    }
  }
  RequestNextScan(window);
  if (IsWindowVisible(window)) IssueRead();
  return !text.empty();
}

void CSymbolScanner::SetContinuous(BYTE continuous) {
  CInputDevice::SetContinuous(continuous);
  if (continuous) PostMessageW(m_notify, kMsgStartNextScan, 0, 0);
}

// ---- CGrabbaScanner -----------------------------------------------------------------------

CGrabbaScanner::CGrabbaScanner(HINSTANCE instance, HWND notify, BYTE continuous, BYTE qtyPrompt)
    : CScannerDriver(instance, notify, continuous, qtyPrompt, kDeviceGrabbaScanner) {}

CGrabbaScanner::~CGrabbaScanner() {
  if (m_opened) Close(1);
  if (m_module) Unload();
}

bool CGrabbaScanner::Check(int code, const char16_t* step) const {
  if (code == 0) return true;
  std::u16string text = u"A scanner error has occured.  The Grabba library reports: '";
  text += step;
  text += u", error ";
  text += platform::ToUtf16(std::to_string(code));
  text += u"'.";
  ShowError(text);
  return false;
}

bool CGrabbaScanner::Load() {
  if (m_loaded) return true;
  FARPROC p[std::size(kGrabbaNames)];
  if (!LoadAndBind(u"\\Windows\\Grabba.dll", kGrabbaNames, p, std::size(kGrabbaNames),
                   u"Failed to load the Grabba scanner library. Please install the Grabba driver and try again.",
                   u"Failed to acquire Grabba function(s). Please contact Technical Support"))
    return false;
  Bind(m_open, p[0]);
  Bind(m_close, p[1]);
  Bind(m_enable, p[2]);
  Bind(m_disable, p[3]);
  Bind(m_getModel, p[4]);
  Bind(m_trigger, p[5]);
  Bind(m_getLength, p[7]);
  Bind(m_setNotification, p[8]);
  Bind(m_setBarcodeNotification, p[9]);
  Bind(m_getUnicode, p[10]);
  if (!Check(m_open(), u"GrabbaOpenFunc failure")) {
    FreeScannerLibrary();
    return false;
  }
  m_loaded = true;
  return true;
}

void CGrabbaScanner::Unload() {
  if (m_opened) Close(1);
  if (m_loaded) Check(m_close(), u"Grabba Close Failure");
  FreeScannerLibrary();
}

bool CGrabbaScanner::Open(HWND parent) {
  if (m_opened) return true;
  if (!m_loaded) return false;
  CDeviceBox box(parent, u"Starting Grabba scanner...", 4);
  int model = 0;
  if (!Check(m_getModel(&model), u"Grabba Get Model Failure")) return false;
  box.Step();
  if (!Check(m_setBarcodeNotification(2, 0, m_notify, kMsgScanData), u"Could not set Grabba barcode notification type"))
    return false;
  box.Step();
  if (!Check(m_setNotification(2, 0, m_notify, kMsgScanData), u"Could not set Grabba notification type")) return false;
  box.Step();
  if (!Check(m_enable(), u"Could not set enable Grabba bar code scanner")) return false;
  box.Step();
  m_opened = true;
  return true;
}

bool CGrabbaScanner::Close(int) {
  if (!m_opened) return false;
  m_opened = false;
  Check(m_disable(), u"Could not set disable Grabba bar code scanner");
  return true;
}

bool CGrabbaScanner::Release() {
  if (!m_opened) return false;
  return m_trigger(0) == 0;
}

bool CGrabbaScanner::Trigger(int) {
  if (!m_loaded && !Load()) return false;
  if (!m_opened && !Open(m_notify)) return false;
  return Check(m_trigger(1), u"Grabba Scan Trigger failed");
}

bool CGrabbaScanner::GetData(WPARAM, LPARAM, HWND window, std::u16string& text) {
  text.clear();
  if (!m_opened) return false;
  int length = 0;
  if (!Check(m_getLength(&length), u"Grabba Barcode Get Data failure") || length < 0) return false;
  std::u16string buffer(static_cast<size_t>(length) + 1, u'\0');
  if (!Check(m_getUnicode(buffer.data(), length), u"Grabba Barcode Get Data failure")) return false;
  text.assign(buffer.c_str());
  RequestNextScan(window);
  return true;
}

void CGrabbaScanner::SetContinuous(BYTE continuous) {
  CInputDevice::SetContinuous(continuous);
  if (continuous) PostMessageW(m_notify, kMsgStartNextScan, 0, 0);
}
