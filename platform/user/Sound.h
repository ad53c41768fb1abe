// Sounds: PlaySoundW of the pen device's multimedia library. Headless, nothing is heard;
// every call is recorded (sound name or resource id, module, flags, answer) so tests can
// read what would have played.
#pragma once

#include <string>
#include <vector>

#include "platform/base/Win32Types.h"

// PlaySoundW flags.
constexpr DWORD SND_SYNC = 0x0000;
constexpr DWORD SND_ASYNC = 0x0001;
constexpr DWORD SND_NODEFAULT = 0x0002;
constexpr DWORD SND_MEMORY = 0x0004;
constexpr DWORD SND_LOOP = 0x0008;
constexpr DWORD SND_NOSTOP = 0x0010;
constexpr DWORD SND_NOWAIT = 0x00002000;
constexpr DWORD SND_ALIAS = 0x00010000;
constexpr DWORD SND_FILENAME = 0x00020000;
constexpr DWORD SND_RESOURCE = 0x00040004;

// Plays a sound. With SND_RESOURCE, `sound` names a "WAVE" resource of `module`: TRUE when
// the module holds it, FALSE (ERROR_RESOURCE_NAME_NOT_FOUND) otherwise. With
// SND_FILENAME, TRUE when the device file exists. A null sound stops what plays: TRUE.
// Other forms (aliases, memory images) are accepted as played.
BOOL PlaySoundW(LPCWSTR sound, HMODULE module, DWORD flags);

namespace platform {

struct SoundRecord {
  std::u16string sound;  // the name, or "#<id>" for an integer resource id; empty for stop
  HMODULE module = nullptr;
  DWORD flags = 0;
  BOOL result = FALSE;
};

// Every PlaySoundW since the last reset, oldest first.
std::vector<SoundRecord> SoundLog();
void ClearSoundLog();

}  // namespace platform
