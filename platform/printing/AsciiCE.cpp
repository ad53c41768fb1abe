// The text engine (raw bytes to a port) and the registration of both engine classes.
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/base/Base.h"
#include "platform/base/Guid.h"
#include "platform/kernel/DeviceRoot.h"
#include "platform/printing/PrintEngines.h"
#include "platform/registry/RegKeyHandle.h"

const IID IID_IPrinterCE = {0x5642FB84, 0x113D, 0x11D3, {0x9F, 0xBA, 0x00, 0xA0, 0xCC, 0x27, 0x5E, 0x38}};
const IID IID_IAsciiCE = {0xBF03F317, 0x6033, 0x4E3E, {0x89, 0xD8, 0xD7, 0xCC, 0x62, 0xD4, 0x7D, 0x6B}};
const CLSID CLSID_PrinterCE = {0x5642FB83, 0x113D, 0x11D3, {0x9F, 0xBA, 0x00, 0xA0, 0xCC, 0x27, 0x5E, 0x38}};
const CLSID CLSID_AsciiCE = {0xBF03F316, 0x6033, 0x4E3E, {0x89, 0xD8, 0xD7, 0xCC, 0x62, 0xD4, 0x7D, 0x6B}};

namespace {

constexpr WCHAR kPortsKey[] = u"Software\\PrEngineCE\\Ports";

LONG SetText(HKEY root, const std::u16string& path, LPCWSTR name, const std::u16string& text) {
  CRegKeyHandle key;
  DWORD disposition = 0;
  LONG rc = RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), &disposition);
  if (rc != ERROR_SUCCESS) return rc;
  return RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR)));
}

bool ReadText(HKEY root, LPCWSTR path, LPCWSTR name, std::u16string& text) {
  CRegKeyHandle key;
  if (RegOpenKeyExW(root, path, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return false;
  WCHAR buffer[MAX_PATH] = {};
  DWORD size = sizeof buffer - sizeof(WCHAR);
  DWORD type = 0;
  if (RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS ||
      type != REG_SZ)
    return false;
  text = buffer;
  return true;
}

const std::pair<const WCHAR*, const CLSID*> kClasses[] = {{kPrinterCEProgId, &CLSID_PrinterCE},
                                                          {kAsciiCEProgId, &CLSID_AsciiCE}};

}  // namespace

HRESULT RegisterPrintEngineClasses() {
  for (const auto& [progId, clsid] : kClasses) {
    std::u16string guid = platform::GuidToString(*clsid);
    LONG rc = SetText(HKEY_CLASSES_ROOT, std::u16string(progId) + u"\\CLSID", nullptr, guid);
    if (rc == ERROR_SUCCESS) rc = SetText(HKEY_CLASSES_ROOT, u"CLSID\\" + guid + u"\\ProgID", nullptr, progId);
    if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(static_cast<DWORD>(rc));
  }
  return S_OK;
}

HRESULT UnregisterPrintEngineClasses() {
  for (const auto& [progId, clsid] : kClasses) {
    std::u16string guid = platform::GuidToString(*clsid);
    for (const std::u16string& path : {std::u16string(progId) + u"\\CLSID", std::u16string(progId),
                                       u"CLSID\\" + guid + u"\\ProgID", u"CLSID\\" + guid}) {
      LONG rc = RegDeleteKeyW(HKEY_CLASSES_ROOT, path.c_str());
      if (rc != ERROR_SUCCESS && rc != static_cast<LONG>(ERROR_FILE_NOT_FOUND))
        return HRESULT_FROM_WIN32(static_cast<DWORD>(rc));
    }
  }
  return S_OK;
}

HRESULT CLSIDFromProgID(LPCOLESTR progId, CLSID* clsid) {
  if (!progId || !clsid) return E_INVALIDARG;
  std::u16string text;
  if (!ReadText(HKEY_CLASSES_ROOT, (std::u16string(progId) + u"\\CLSID").c_str(), nullptr, text))
    return CO_E_CLASSSTRING;
  return SUCCEEDED(CLSIDFromString(text.c_str(), clsid)) ? S_OK : CO_E_CLASSSTRING;
}

HRESULT CoCreateInstance(const CLSID& clsid, void* outer, DWORD, const IID& iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (outer) return E_INVALIDARG;
  std::u16string ignored;
  std::u16string path = u"CLSID\\" + platform::GuidToString(clsid) + u"\\ProgID";
  if (!ReadText(HKEY_CLASSES_ROOT, path.c_str(), nullptr, ignored)) return REGDB_E_CLASSNOTREG;
  HRESULT injected = platform::printing::Conditions().createResult;
  if (FAILED(injected)) return injected;
  if (clsid == CLSID_PrinterCE) {
    if (!(iid == IID_IPrinterCE)) return E_NOINTERFACE;
    *object = new CPrinterCE();
    return S_OK;
  }
  if (clsid == CLSID_AsciiCE) {
    if (!(iid == IID_IAsciiCE)) return E_NOINTERFACE;
    *object = new CAsciiCE();
    return S_OK;
  }
  return REGDB_E_CLASSNOTREG;
}

// ---- The text engine -----------------------------------------------------------------------

CAsciiCE::~CAsciiCE() { ClosePort(); }

ULONG CAsciiCE::Release() {
  delete this;
  return 0;
}

HRESULT CAsciiCE::GetVersion(LONG* version) {
  *version = platform::printing::Conditions().version;
  return S_OK;
}

HRESULT CAsciiCE::SetMode(LONG mode) {
  m_mode = mode;
  return S_OK;
}

HRESULT CAsciiCE::OpenPort(LONG portId, LONG, LONG, LONG, LONG* result) {
  *result = 0;
  ClosePort();
  std::u16string name = platform::ToUtf16(std::to_string(portId));
  std::u16string port;
  if (!ReadText(HKEY_LOCAL_MACHINE, kPortsKey, name.c_str(), port) || port.empty())
    port = u"\\Printer Output\\Port" + name + u".txt";
  if (port.starts_with(u"/dev/")) {
    std::string device = platform::ToUtf8(port);
    m_fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_fd < 0) return S_OK;
    m_device = true;
    if (isatty(m_fd)) {
      // Bytes pass as they are: no echo, no line editing, no newline translation.
      termios settings{};
      if (tcgetattr(m_fd, &settings) == 0) {
        cfmakeraw(&settings);
        tcsetattr(m_fd, TCSANOW, &settings);
      }
    }
  } else {
    std::filesystem::path file = platform::MapDevicePath(port);
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    m_fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (m_fd < 0) return S_OK;
    m_device = false;
    m_replyPath = file.string() + ".reply";
    m_replyOffset = 0;
  }
  *result = -1;
  return S_OK;
}

HRESULT CAsciiCE::WriteBytes(const BYTE* bytes, LONG count, LONG* written) {
  *written = 0;
  if (m_fd < 0 || count < 0) return S_OK;
  LONG sent = 0;
  while (sent < count) {
    ssize_t n = ::write(m_fd, bytes + sent, static_cast<size_t>(count - sent));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return S_OK;
    sent += static_cast<LONG>(n);
  }
  *written = sent;
  return S_OK;
}

HRESULT CAsciiCE::Flush() {
  if (m_fd >= 0 && m_device && isatty(m_fd)) tcdrain(m_fd);
  return S_OK;
}

HRESULT CAsciiCE::ReadBytes(LONG maxCount, LONG, LONG, LONG timeoutMs, LONG* result, LONG* count,
                            std::u16string* text) {
  *count = 0;
  *result = 0;
  if (text) text->clear();
  if (m_fd < 0 || maxCount <= 0) return S_OK;
  std::string bytes(static_cast<size_t>(maxCount), '\0');
  ssize_t n = 0;
  if (m_device) {
    pollfd wait{m_fd, POLLIN, 0};
    if (::poll(&wait, 1, timeoutMs) <= 0 || !(wait.revents & POLLIN)) return S_OK;
    n = ::read(m_fd, bytes.data(), bytes.size());
  } else {
    std::ifstream replies(m_replyPath, std::ios::binary);
    if (!replies) return S_OK;
    replies.seekg(m_replyOffset);
    replies.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    n = replies.gcount();
    m_replyOffset += n;
  }
  if (n <= 0) return S_OK;
  bytes.resize(static_cast<size_t>(n));
  *count = static_cast<LONG>(n);
  *result = -1;
  if (text)
    for (char c : bytes) text->push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
  return S_OK;
}

HRESULT CAsciiCE::ClosePort() {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
  return S_OK;
}
