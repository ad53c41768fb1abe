// The device's file system: one Linux folder plays the handheld's "\".
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/base/Win32Types.h"

namespace platform {

// The folder behind "\": $SLATEWAY_DEVICE_ROOT, else $XDG_DATA_HOME/slateway/device, else
// ~/.local/share/slateway/device. Created on first use.
//
// Choosing the root (first use, or SetDeviceRoot) makes it private to its user: the
// process umask becomes 077, so every folder made under it is 0700 and every file 0600;
// an existing root open to others is closed to them (group and other bits cleared), and
// when that cannot be done one line on stderr says so.
const std::filesystem::path& DeviceRoot();
// Points the device at another folder (tests give each case its own). Open handles and
// cached registry hives belong to the old root, so callers reset those first.
void SetDeviceRoot(const std::filesystem::path& root);

// Whether a file can be made in the device root: false on a read-only mount, a full disk
// or a root of another user (a file is made and removed to find out).
bool IsDeviceRootWritable();

// Maps a device path ("\My Documents\Inv 12.QVN"; "/" also separates, doubled separators
// are one, a relative path is taken from the root, ".." never climbs above the root) to
// the Linux path. Each existing component is found ignoring case; components that do not
// exist keep the case given, so files are created with the caller's spelling.
std::filesystem::path MapDevicePath(std::u16string_view devicePath);

// The device path of a Linux path under the root ("\" + components), or empty when the
// path lies outside the root.
std::u16string ToDevicePath(const std::filesystem::path& linuxPath);

// Writes `bytes` to `path` through a temporary file in the same folder, flushed and then
// renamed over the target, so a crash leaves the old file or the new one, never half of
// one. On failure the old file is untouched, the temporary is removed, the last error is
// set and false is returned.
// With `durable` false the data and the rename are not forced to the disk before the call
// returns (still atomic against a crash of the process); SyncFile finishes the job later.
//
// The first write into a folder in a run also removes what crashed writers left there:
// see RemoveStaleTemporaries.
bool WriteFileAtomic(const std::filesystem::path& path, std::string_view bytes, bool durable = true);
// The same for a file that must not exist yet: the written file takes the name only while
// no file holds it (in any letter case), so one that appeared since the caller looked is
// never replaced. Fails with ERROR_FILE_EXISTS when one is there, leaving it untouched.
bool WriteNewFileAtomic(const std::filesystem::path& path, std::string_view bytes);
// Removes the atomic writer's own temporaries from `folder` (names of its exact pattern,
// "." + name + ".tmp-" + six letters or digits) that no live writer holds: those of saves
// that were killed. Any other file is left alone. Returns how many were removed.
int RemoveStaleTemporaries(const std::filesystem::path& folder);
// The same in `root` and every folder below it (links to folders are not followed); the
// program calls it on the device root when it starts.
int RemoveStaleTemporariesUnder(const std::filesystem::path& root);
// Forces a file's data and its folder entry to the disk.
bool SyncFile(const std::filesystem::path& path);
// The same for a device path.
BOOL WriteDeviceFileAtomic(LPCWSTR devicePath, const void* bytes, DWORD count);

// Maps errno to the nearest system error code.
DWORD ErrorFromErrno(int err);

}  // namespace platform
