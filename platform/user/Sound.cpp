#include "platform/user/Sound.h"

#include <mutex>

#include "platform/base/Base.h"
#include "platform/kernel/Files.h"
#include "platform/module/Module.h"

namespace {

std::mutex g_lock;
std::vector<platform::SoundRecord> g_log;

bool IsIntegerName(LPCWSTR name) { return (reinterpret_cast<ULONG_PTR>(name) >> 16) == 0; }

std::u16string NameText(LPCWSTR name) {
  if (!name) return {};
  if (IsIntegerName(name)) return u"#" + platform::ToUtf16(std::to_string(reinterpret_cast<ULONG_PTR>(name)));
  return name;
}

BOOL Play(LPCWSTR sound, HMODULE module, DWORD flags) {
  if (!sound) return TRUE;
  if ((flags & SND_RESOURCE) == SND_RESOURCE) {
    if (FindResourceW(module, sound, u"WAVE")) return TRUE;
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return FALSE;
  }
  if (flags & SND_FILENAME) {
    if (IsIntegerName(sound)) return FALSE;
    DWORD attributes = GetFileAttributesW(sound);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  }
  return TRUE;
}

}  // namespace

BOOL PlaySoundW(LPCWSTR sound, HMODULE module, DWORD flags) {
  BOOL result = Play(sound, module, flags);
  std::lock_guard guard(g_lock);
  g_log.push_back({NameText(sound), module, flags, result});
  return result;
}

namespace platform {

std::vector<SoundRecord> SoundLog() {
  std::lock_guard guard(g_lock);
  return g_log;
}

void ClearSoundLog() {
  std::lock_guard guard(g_lock);
  g_log.clear();
}

}  // namespace platform
