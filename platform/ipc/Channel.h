// Internal to ipc/: where the sockets live and the frames that cross them.
//
// One request a connection: the sender writes a header and `size` bytes, the receiver
// answers with one reply and closes. Both ends are this library on one machine, so the
// frames are the structures' bytes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "platform/base/UniqueHandle.h"
#include "platform/base/Win32Types.h"
#include "platform/kernel/MsgQueue.h"

namespace platform::ipc {

// An open POSIX descriptor.
struct FdTraits {
  using Handle = int;
  static int Invalid() { return -1; }
  static void Close(int fd) { ::close(fd); }
};
using UniqueFd = CUniqueHandle<FdTraits>;

constexpr std::uint32_t kFrameMagic = 0x50495753;  // "SWIP"
constexpr std::uint32_t kReplyMagic = 0x52495753;  // "SWIR"

enum class Request : std::uint32_t { Find = 1, Send = 2, Activate = 3 };

struct FrameHeader {
  std::uint32_t magic = kFrameMagic;
  std::uint32_t kind = 0;
  std::uint64_t hwnd = 0;    // the receiver's own handle
  std::uint32_t msg = 0;
  std::uint32_t sender = 0;  // the sending process
  std::uint64_t wParam = 0;
  std::uint64_t data = 0;    // COPYDATASTRUCT::dwData
  std::uint32_t size = 0;    // bytes that follow
  std::uint32_t reserved = 0;
};
static_assert(sizeof(FrameHeader) == 48);

enum class ReplyStatus : std::uint32_t { Done = 0, Refused = 1 };

struct ReplyFrame {
  std::uint32_t magic = kReplyMagic;
  std::uint32_t status = 0;
  std::int64_t value = 0;
};
static_assert(sizeof(ReplyFrame) == 16);

// The folder of the sockets, made (user-only) when missing.
std::filesystem::path SocketFolder();
// The socket of process `pid`.
std::filesystem::path SocketPath(DWORD pid);

// A connected socket to process `pid`, or -1 (errno set; ECONNREFUSED or ENOENT: nobody
// listens there).
int ConnectTo(DWORD pid);
// A listening socket at `path`, or -1.
int ListenAt(const std::filesystem::path& path);

// Writes all of `bytes`; false when the peer went away.
bool WriteAll(int fd, const void* bytes, size_t count);
// Reads exactly `count` bytes, waiting at most `milliseconds` in all (INFINITE: no
// limit); false on end of stream, error or time-out. `whileWaiting` runs between waits.
bool ReadAll(int fd, void* bytes, size_t count, DWORD milliseconds, void (*whileWaiting)() = nullptr);

// The Find request's body: a flag word (1: a class follows, 2: a title follows) and the
// texts given, each with its terminator. Decode is false for anything else.
std::vector<std::uint8_t> EncodeFind(LPCWSTR className, LPCWSTR windowName);
bool DecodeFind(const std::vector<std::uint8_t>& body, std::u16string& className, bool& hasClass,
                std::u16string& windowName, bool& hasTitle);

// A handle for window `local` of process `pid`, and back.
HWND ForeignHandle(DWORD pid, std::uint64_t local);
bool SplitForeignHandle(HWND hwnd, DWORD& pid, std::uint64_t& local);

}  // namespace platform::ipc
