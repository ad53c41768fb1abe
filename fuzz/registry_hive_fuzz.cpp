// Any bytes as the current user's hive file: the registry reads it or sets it aside and
// starts empty; every key and value it holds enumerates and reads; a value written reads
// back, also after the hive is read again from the file the write left; and that file,
// read and written once more, comes out the same.
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>

#include "fuzz/FuzzDevice.h"

namespace {

using fuzzing::Require;

constexpr char kHive[] = "Windows/Registry/HKEY_CURRENT_USER.reg";
// Enough to visit what a real hive holds; deeper keys are still read by the registry
// itself, only this walk stops.
constexpr int kMaxWalkDepth = 24;
constexpr int kMaxWalkKeys = 2000;

// Reads every value of `key` and walks its subkeys.
void Walk(HKEY key, int depth, int& visited) {
  if (++visited > kMaxWalkKeys) return;
  DWORD subkeys = 0, values = 0;
  Require(RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                           nullptr, nullptr) == ERROR_SUCCESS);
  for (DWORD i = 0; i < values; ++i) {
    WCHAR name[256];
    DWORD cch = 256, type = 0, bytes = 0;
    LONG rc = RegEnumValueW(key, i, name, &cch, nullptr, &type, nullptr, &bytes);
    // A name longer than the buffer, or one holding a nul, cannot be asked for by name.
    if (rc != ERROR_SUCCESS || std::char_traits<char16_t>::length(name) != cch) continue;
    std::string data(bytes, '\0');
    DWORD got = bytes;
    Require(RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &got) ==
            ERROR_SUCCESS);
    Require(got == bytes);
  }
  if (depth >= kMaxWalkDepth) return;
  for (DWORD i = 0; i < subkeys; ++i) {
    WCHAR name[256];
    DWORD cch = 256;
    if (RegEnumKeyExW(key, i, name, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
        std::char_traits<char16_t>::length(name) != cch)
      continue;
    HKEY sub = nullptr;
    Require(RegOpenKeyExW(key, name, 0, KEY_READ, &sub) == ERROR_SUCCESS);
    Walk(sub, depth + 1, visited);
    RegCloseKey(sub);
  }
}

void WriteAnswer(DWORD answer) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  Require(RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Fuzz", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                          &disposition) == ERROR_SUCCESS);
  Require(RegSetValueExW(key, u"Answer", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&answer), sizeof answer) ==
          ERROR_SUCCESS);
  RegCloseKey(key);
}

DWORD ReadAnswer() {
  HKEY key = nullptr;
  Require(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Fuzz", 0, KEY_READ, &key) == ERROR_SUCCESS);
  DWORD answer = 0, type = 0, bytes = sizeof answer;
  Require(RegQueryValueExW(key, u"Answer", nullptr, &type, reinterpret_cast<BYTE*>(&answer), &bytes) ==
          ERROR_SUCCESS);
  Require(type == REG_DWORD && bytes == sizeof answer);
  RegCloseKey(key);
  return answer;
}

std::string HiveText() {
  std::ifstream in(fuzzing::FuzzDevice::Get().Root() / kHive, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::FuzzDevice& device = fuzzing::FuzzDevice::Get();
  device.Reset(kHive, data, size);

  int visited = 0;
  Walk(HKEY_CURRENT_USER, 0, visited);

  WriteAnswer(42);
  Require(ReadAnswer() == 42);
  const std::string written = HiveText();
  Require(!written.empty());

  // What the registry wrote, it reads again: parse -> write -> parse gives the same text.
  platform::ReloadRegistry();
  Require(ReadAnswer() == 42);
  WriteAnswer(42);
  Require(HiveText() == written);
  Require(platform::OpenRegistryKeyCount() == 0);
  return 0;
}
