// Printer contexts: made for a printer named by the page set-up dialog and spoken to only
// through driver escapes (the portable printer's card reader).
#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>

#include "platform/base/Base.h"
#include "platform/gdi/GdiInternal.h"
#include "platform/kernel/DeviceRoot.h"

using namespace platform::gdi;

namespace {

std::u16string PortFile(std::u16string port) {
  while (!port.empty() && port.back() == u':') port.pop_back();
  return u"\\Printer Output\\" + port + u".txt";
}

// The next line of the printer's replies, without its line end; false when none waits.
bool NextReply(Dc& dc, std::string& line) {
  std::ifstream in(platform::MapDevicePath(PortFile(dc.printerPort) + u".reply"), std::ios::binary);
  if (!in) return false;
  in.seekg(dc.replyOffset);
  if (!std::getline(in, line)) return false;
  dc.replyOffset += static_cast<long long>(line.size()) + (in.eof() ? 0 : 1);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return !line.empty();
}

}  // namespace

HDC CreateDCW(LPCWSTR, LPCWSTR, LPCWSTR port, const void*) {
  if (!port || !*port) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::lock_guard lock(Lock());
  HDC handle = NewDc(nullptr, true, false);
  FindDc(handle)->printerPort = port;
  return handle;
}

int ExtEscape(HDC handle, int escape, int inputSize, LPCSTR input, int, LPSTR) {
  std::lock_guard lock(Lock());
  Dc* dc = FindDc(handle);
  if (!dc || dc->printerPort.empty()) return -1;
  if (escape == QUERYESCSUPPORT) {
    if (!input || inputSize < 4) return -1;
    DWORD asked;
    std::memcpy(&asked, input, 4);
    return asked == static_cast<DWORD>(kCardReadEscape) ? 1 : 0;
  }
  if (escape != kCardReadEscape || !input || inputSize < static_cast<int>(sizeof(CardReadRequest))) return -1;
  CardReadRequest request;
  std::memcpy(&request, input, sizeof request);
  if (!request.reply || request.size == 0 || request.command != kCardReadCommand) return -1;
  std::string swipe;
  if (!NextReply(*dc, swipe)) return 0;
  size_t n = std::min<size_t>(swipe.size(), request.size - 1);
  std::memcpy(request.reply, swipe.data(), n);
  request.reply[n] = 0;
  return static_cast<int>(n);
}
