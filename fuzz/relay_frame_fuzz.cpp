// Any bytes as what another process writes on its connection to this process's windows
// (the relay's frames): the first byte chooses how many bytes arrive at a time (1-64), the
// second whether the header's window is replaced by a live window of this process (odd) so
// the request can reach it; the rest is the connection. The request is refused, left
// incomplete or carried out; a WM_COPYDATA that reaches the window carries exactly the
// bytes the header announced, and every request carried out is answered with one reply.
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz/FuzzDevice.h"
#include "platform/ipc/Channel.h"
#include "platform/ipc/Ipc.h"
#include "platform/user/Window.h"

namespace {

using fuzzing::Require;
using platform::ipc::CRequestReader;

struct Seen {
  int copies = 0;
  DWORD bytes = 0;
  unsigned sum = 0;
} g_seen;

LRESULT ReceiverProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_COPYDATA) {
    const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    ++g_seen.copies;
    g_seen.bytes = copy->cbData;
    Require(copy->cbData == 0 || copy->lpData);
    // Every byte announced is read, so a short buffer shows under the sanitizer.
    for (DWORD i = 0; i < copy->cbData; ++i) g_seen.sum += static_cast<const uint8_t*>(copy->lpData)[i];
    return 1;
  }
  // The window stays for the next input.
  if (msg == WM_CLOSE) return 0;
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND Receiver() {
  static HWND window = [] {
    WNDCLASSW wc;
    wc.lpfnWndProc = ReceiverProc;
    wc.lpszClassName = u"Slateway";
    RegisterClassW(&wc);
    return CreateWindowExW(0, u"Slateway", u"Slateway", 0, 0, 0, 240, 320, nullptr, nullptr, nullptr, nullptr);
  }();
  return window;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::FuzzDevice::Get();
  HWND window = Receiver();
  Require(window != nullptr);
  if (size < 2 || size > 2 + sizeof(platform::ipc::FrameHeader) + platform::kMaxCopyDataBytes + 16) return 0;
  const size_t chunk = 1 + data[0] % 64;
  const bool aimed = data[1] & 1;
  std::vector<uint8_t> bytes(data + 2, data + size);
  const size_t handleAt = offsetof(platform::ipc::FrameHeader, hwnd);
  if (aimed && bytes.size() >= handleAt + sizeof(std::uint64_t)) {
    const auto handle = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(window));
    std::memcpy(bytes.data() + handleAt, &handle, sizeof(handle));
  }

  CRequestReader request;
  for (size_t at = 0; at < bytes.size() && request.Wanted() > 0;) {
    const size_t n = std::min({chunk, request.Wanted(), bytes.size() - at});
    request.Take(bytes.data() + at, n);
    at += n;
  }
  if (request.GetState() != CRequestReader::State::Complete) return 0;
  Require(request.Body().size() == request.Header().size);

  int ends[2];
  Require(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) == 0);
  g_seen = Seen();
  platform::ipc::AnswerRequest(ends[0], request.Header(), request.Body());
  platform::ipc::ReplyFrame reply;
  Require(::recv(ends[1], &reply, sizeof(reply), MSG_DONTWAIT) == static_cast<ssize_t>(sizeof(reply)));
  Require(reply.magic == platform::ipc::kReplyMagic);
  if (g_seen.copies) Require(g_seen.copies == 1 && g_seen.bytes == request.Header().size);
  ::close(ends[0]);
  ::close(ends[1]);
  // What the request left in the window's queue (activation messages) goes now.
  platform::PumpMessages();
  return 0;
}
