#include "devices/CardReaders.h"

#include "core/MessageBoxes.h"
#include "core/TextHelpers.h"
#include "devices/DeviceBox.h"
#include "devices/PrintEngine.h"
#include "platform/platform.h"
#include "platform/printing/PageSetup.h"

namespace {

constexpr char16_t kConnecting[] = u"Connecting to card reader...";
// The page set-up dialog asked for the default printer without being shown.
constexpr DWORD kReturnDefaultFlags = 0x51B;
constexpr DWORD kCitizenSteps = 3;
constexpr DWORD kCitizenStepPause = 10;

// The text from after the first "%" up to the "?" that ends the track.
std::u16string TrackBetweenMarks(const std::u16string& text) {
  size_t start = text.find(u'%');
  start = start == std::u16string::npos ? 0 : start + 1;
  size_t end = text.find(u'?', start);
  return text.substr(start, end == std::u16string::npos ? std::u16string::npos : end - start);
}

}  // namespace

bool CCardReader::ParseTrack(const std::u16string& reply, CCardFields& fields) {
  CBstr track(reply), holder, number, month, year;
  // A track without every part gives no card fields.
  if (!ParseCardTrack(track, holder, number, month, year)) return false;
  fields.cardNumber = number;
  fields.holderName = holder;
  fields.expiryYear = year;
  fields.expiryMonth = month;
  fields.trackText = CBstr(TrackBetweenMarks(reply));
  return true;
}

void CCardReader::ShowFailure(LPCWSTR text) const {
  MessageBoxW(m_notify, text, kProductName, MB_OK | MB_ICONEXCLAMATION);
}

// ---- CCitizenCardReader -------------------------------------------------------------------

CCitizenCardReader::CCitizenCardReader(HINSTANCE instance, HWND notify) : CCardReader(instance, notify) {}

CCitizenCardReader::~CCitizenCardReader() { Close(1); }

bool CCitizenCardReader::Open(HWND parent) {
  if (m_dc) return true;
  CDeviceBox box(parent, kConnecting, kCitizenSteps);
  PAGESETUPDLGW setup{};
  setup.lStructSize = sizeof setup;
  setup.hwndOwner = parent;
  setup.Flags = kReturnDefaultFlags;
  if (PageSetupDlgW(&setup)) {
    auto* names = static_cast<const DEVNAMES*>(GlobalLock(setup.hDevNames));
    auto* text = static_cast<const WCHAR*>(static_cast<const void*>(names));
    m_dc = CreateDCW(text + names->wDriverOffset, text + names->wDeviceOffset, text + names->wOutputOffset,
                     GlobalLock(setup.hDevMode));
    GlobalUnlock(setup.hDevNames);
    GlobalUnlock(setup.hDevMode);
    GlobalFree(setup.hDevNames);
    GlobalFree(setup.hDevMode);
  }
  for (DWORD i = 0; i < kCitizenSteps; ++i) {
    Sleep(kCitizenStepPause);
    box.Step();
  }
  if (!m_dc)
    ShowFailure(u"Connection to Citizen CMP-10 failed. Make sure the device is on, the Print Utility is installed, "
                u"and the port is configured properly.");
  return m_dc != nullptr;
}

bool CCitizenCardReader::Close(int) {
  if (!m_dc) return false;
  DeleteDC(m_dc);
  m_dc = nullptr;
  return true;
}

bool CCitizenCardReader::Release() {
  Close(1);
  return true;
}

bool CCitizenCardReader::ReadCard(CCardFields& fields) {
  if (!m_dc) return false;
  BYTE reply[kReplySize] = {};
  DWORD escape = kCardReadEscape;
  if (ExtEscape(m_dc, QUERYESCSUPPORT, sizeof escape, reinterpret_cast<LPCSTR>(&escape), 0, nullptr) <= 0)
    return false;
  CardReadRequest request{reply, kReplySize, kCardReadCommand};
  if (ExtEscape(m_dc, kCardReadEscape, sizeof request, reinterpret_cast<LPCSTR>(&request), 0, nullptr) <= 0)
    return false;
  reply[kReplySize - 1] = 0;
  std::u16string text;
  for (const BYTE* c = reply; *c; ++c) text.push_back(static_cast<char16_t>(*c));
  return ParseTrack(text, fields);
}

// ---- CZebraCardReader ---------------------------------------------------------------------

CZebraCardReader::CZebraCardReader(HINSTANCE instance, HWND notify) : CCardReader(instance, notify) {}

CZebraCardReader::~CZebraCardReader() { Close(1); }

bool CZebraCardReader::Open(HWND parent) {
  if (m_engine) return true;
  CDeviceBox box(parent, kConnecting, 1);
  m_engine = std::make_unique<CPrintEngine>(nullptr);
  if (!m_engine->ConnectTextEngine(true)) m_engine.reset();
  box.Step();
  if (!m_engine)
    ShowFailure(u"Connection to Zebra Mag Card Reader failed. Make sure the device is on, and the port is configured "
                u"properly.");
  return m_engine != nullptr;
}

bool CZebraCardReader::Close(int) {
  if (!m_engine) return false;
  if (CAsciiCE* port = m_engine->GetTextEngine()) port->ClosePort();
  m_engine->DisconnectTextEngine();
  m_engine.reset();
  return true;
}

// The port is closed before the engine goes, as Close does, so the printer is never left
// holding a half-open port.
bool CZebraCardReader::Release() {
  Close(1);
  return true;
}

void CZebraCardReader::Write(std::string_view command) {
  CAsciiCE* port = m_engine->GetTextEngine();
  LONG written = 0;
  port->WriteBytes(reinterpret_cast<const BYTE*>(command.data()), static_cast<LONG>(command.size()), &written);
  port->Flush();
}

bool CZebraCardReader::ReadCard(CCardFields& fields) {
  if (!m_engine || !m_engine->GetTextEngine()) return false;
  Write("! UTILITIES");
  Write("MCR 120 T1 T2");
  std::u16string reply;
  for (int i = 0; i < kReadTries && reply.empty(); ++i) {
    LONG result = 0, count = 0;
    std::u16string text;
    m_engine->GetTextEngine()->ReadBytes(255, 0, 0, 2000, &result, &count, &text);
    if (count > 0) reply = text.substr(0, static_cast<size_t>(count));
  }
  if (reply.empty()) {
    Write("! UTILITIES");
    Write("MCR-CAN");
    Write("PRINT");
    return false;
  }
  Write("BEEP 1");
  // Track 1 runs from "T1:" to the end of its line or to "T2:".
  size_t t1 = reply.find(u"T1:");
  if (t1 == std::u16string::npos) return false;
  std::u16string track = reply.substr(t1 + 3);
  track = track.substr(0, std::min({track.find(u'\r'), track.find(u'\n'), track.find(u"T2:")}));
  return ParseTrack(track, fields);
}
