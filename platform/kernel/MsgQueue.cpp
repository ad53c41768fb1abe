#include "platform/kernel/MsgQueue.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/base/Base.h"
#include "platform/kernel/KernelObjects.h"

namespace {

// One queue shared by the handles opened on it.
struct Queue {
  std::mutex lock;
  std::condition_variable changed;
  std::deque<std::vector<BYTE>> messages;
  DWORD maxMessages = 0;
  DWORD maxSize = 0;
  bool allowBroken = false;
  int readers = 0;
  int writers = 0;
};

// Named queues are found again while any handle holds them.
std::mutex g_namesLock;
std::map<std::u16string, std::weak_ptr<Queue>> g_names;

class QueueHandle final : public platform::kernel::KernelObject {
 public:
  QueueHandle(std::shared_ptr<Queue> q, bool read) : queue(std::move(q)), reader(read) {
    std::lock_guard guard(queue->lock);
    (reader ? queue->readers : queue->writers)++;
  }
  ~QueueHandle() override {
    std::lock_guard guard(queue->lock);
    (reader ? queue->readers : queue->writers)--;
    queue->changed.notify_all();
  }
  std::shared_ptr<Queue> queue;
  bool reader;
};

class PowerRequest final : public platform::kernel::KernelObject {
 public:
  std::shared_ptr<Queue> queue;
  DWORD flags = 0;
};

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

// Waits on `q` (locked by `guard`) until `ready` holds or `timeout` ms pass.
template <typename Ready>
bool WaitFor(Queue& q, std::unique_lock<std::mutex>& guard, DWORD timeout, Ready ready) {
  if (timeout == INFINITE) {
    q.changed.wait(guard, ready);
    return true;
  }
  return q.changed.wait_for(guard, std::chrono::milliseconds(timeout), ready);
}

bool Broken(const Queue& q, bool reading) {
  return !q.allowBroken && (reading ? q.writers == 0 : q.readers == 0);
}

}  // namespace

HANDLE CreateMsgQueue(LPCWSTR name, LPMSGQUEUEOPTIONS options) {
  if (!options || options->dwSize != sizeof(MSGQUEUEOPTIONS) || options->cbMaxMessage == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::shared_ptr<Queue> queue;
  bool existed = false;
  {
    std::lock_guard guard(g_namesLock);
    if (name && *name) {
      auto& slot = g_names[name];
      queue = slot.lock();
      existed = queue != nullptr;
      if (!queue) slot = queue = std::make_shared<Queue>();
    } else {
      queue = std::make_shared<Queue>();
    }
  }
  if (!existed) {
    std::lock_guard guard(queue->lock);
    queue->maxMessages = options->dwMaxMessages;
    queue->maxSize = options->cbMaxMessage;
    queue->allowBroken = options->dwFlags & MSGQUEUE_ALLOW_BROKEN;
  }
  HANDLE h = platform::kernel::InsertObject(std::make_shared<QueueHandle>(queue, options->bReadAccess != FALSE));
  SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return h;
}

BOOL ReadMsgQueue(HANDLE handle, LPVOID buffer, DWORD bufferSize, LPDWORD bytesRead, DWORD timeout, DWORD* flags) {
  auto h = platform::kernel::FindObjectOf<QueueHandle>(handle);
  if (!h || !h->reader) return Fail(ERROR_INVALID_HANDLE);
  if (!buffer || !bytesRead) return Fail(ERROR_INVALID_PARAMETER);
  Queue& q = *h->queue;
  std::unique_lock guard(q.lock);
  if (!WaitFor(q, guard, timeout, [&] { return !q.messages.empty() || Broken(q, true); }))
    return Fail(ERROR_TIMEOUT);
  if (q.messages.empty()) return Fail(ERROR_PIPE_NOT_CONNECTED);
  const std::vector<BYTE>& m = q.messages.front();
  if (m.size() > bufferSize) return Fail(ERROR_INSUFFICIENT_BUFFER);
  std::memcpy(buffer, m.data(), m.size());
  *bytesRead = static_cast<DWORD>(m.size());
  if (flags) *flags = 0;
  q.messages.pop_front();
  q.changed.notify_all();
  return TRUE;
}

namespace {

BOOL Write(Queue& q, const BYTE* bytes, DWORD size, DWORD timeout) {
  std::unique_lock guard(q.lock);
  if (size > q.maxSize) return Fail(ERROR_INSUFFICIENT_BUFFER);
  auto room = [&] { return q.maxMessages == 0 || q.messages.size() < q.maxMessages || Broken(q, false); };
  if (!WaitFor(q, guard, timeout, room)) return Fail(ERROR_TIMEOUT);
  if (Broken(q, false)) return Fail(ERROR_PIPE_NOT_CONNECTED);
  q.messages.emplace_back(bytes, bytes + size);
  q.changed.notify_all();
  return TRUE;
}

}  // namespace

BOOL WriteMsgQueue(HANDLE handle, LPCVOID buffer, DWORD size, DWORD timeout, DWORD) {
  auto h = platform::kernel::FindObjectOf<QueueHandle>(handle);
  if (!h || h->reader) return Fail(ERROR_INVALID_HANDLE);
  if (!buffer && size) return Fail(ERROR_INVALID_PARAMETER);
  return Write(*h->queue, static_cast<const BYTE*>(buffer), size, timeout);
}

BOOL CloseMsgQueue(HANDLE handle) {
  if (!platform::kernel::FindObjectOf<QueueHandle>(handle)) return Fail(ERROR_INVALID_HANDLE);
  platform::kernel::RemoveObject(handle);
  return TRUE;
}

DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds) {
  if (auto waitable = platform::kernel::FindObjectOf<platform::kernel::WaitableObject>(object))
    return waitable->Wait(milliseconds);
  auto h = platform::kernel::FindObjectOf<QueueHandle>(object);
  if (!h || !h->reader) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  Queue& q = *h->queue;
  std::unique_lock guard(q.lock);
  return WaitFor(q, guard, milliseconds, [&] { return !q.messages.empty(); }) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

HANDLE RequestPowerNotifications(HANDLE queue, DWORD flags) {
  auto h = platform::kernel::FindObjectOf<QueueHandle>(queue);
  if (!h || flags == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto request = std::make_shared<PowerRequest>();
  request->queue = h->queue;
  request->flags = flags;
  return platform::kernel::InsertObject(request);
}

BOOL StopPowerNotifications(HANDLE notification) {
  if (!platform::kernel::FindObjectOf<PowerRequest>(notification)) return Fail(ERROR_INVALID_HANDLE);
  platform::kernel::RemoveObject(notification);
  return TRUE;
}

namespace platform {

void InjectPowerTransition(PowerTransition transition) {
  std::u16string name = transition == PowerTransition::On ? u"on" : u"suspend";
  DWORD header[3] = {PBT_TRANSITION, transition == PowerTransition::On ? POWER_STATE_ON : POWER_STATE_SUSPEND,
                     static_cast<DWORD>((name.size() + 1) * sizeof(WCHAR))};
  std::vector<BYTE> record(sizeof(header) + header[2]);
  std::memcpy(record.data(), header, sizeof(header));
  std::memcpy(record.data() + sizeof(header), name.c_str(), header[2]);
  std::vector<std::shared_ptr<Queue>> targets;
  kernel::ForEachObject([&](kernel::KernelObject& object) {
    if (auto* r = dynamic_cast<PowerRequest*>(&object); r && (r->flags & PBT_TRANSITION)) targets.push_back(r->queue);
  });
  // The power manager never blocks on a slow reader: a full queue misses the record.
  for (auto& q : targets) Write(*q, record.data(), static_cast<DWORD>(record.size()), 0);
}

}  // namespace platform
