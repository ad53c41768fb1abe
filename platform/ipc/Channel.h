// Internal to ipc/: where the sockets live and the frames that cross them.
//
// One request a connection: the sender writes a header and `size` bytes, the receiver
// answers with one reply and closes. Both ends are this library on one machine, so the
// frames are the structures' bytes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
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

// The messages that may cross: they carry no pointer or handle of the sender, or (WM_COPYDATA)
// bytes that are copied across.
bool MayCrossProcesses(UINT msg);

// Gathers one request from a connection's bytes as they arrive, and checks it before any
// of it reaches a window: a header of a known kind, no larger than allowed, then a body
// that fits its kind (a Find body that decodes, bytes only with WM_COPYDATA, none with
// Activate). Whether the window it names still lives is left to the one who carries it out.
class CRequestReader {
 public:
  enum class State { Reading, Complete, Refused };

  // How many more bytes the request needs (0 once it is complete or refused).
  size_t Wanted() const;
  // Takes the next `count` bytes (at most Wanted()).
  void Take(const std::uint8_t* bytes, size_t count);

  State GetState() const { return m_state; }
  const FrameHeader& Header() const { return m_header; }
  const std::vector<std::uint8_t>& Body() const { return m_body; }

 private:
  void HeaderDone();
  void BodyDone();

  State m_state = State::Reading;
  FrameHeader m_header;
  size_t m_headerBytes = 0;
  std::vector<std::uint8_t> m_body;
  size_t m_bodyBytes = 0;
};

// Carries out a complete request that CRequestReader accepted, against this process's
// windows, and writes the reply to `fd`, the sender's connection. A Send runs on the
// window's thread and waits for it; called on that thread, it runs at once.
void AnswerRequest(int fd, const FrameHeader& header, const std::vector<std::uint8_t>& body);

// The folder of the sockets, events and locks, made (user-only) when missing: the root's
// ".platform/ipc", or, when that cannot be written, a folder of the user's runtime folder
// ($XDG_RUNTIME_DIR/slateway, else /tmp/slateway-<uid>) named after the root.
std::filesystem::path SocketFolder();
// A name of any characters as a file name: each UTF-8 byte in two hex digits.
std::string HexFileName(std::u16string_view name);
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
