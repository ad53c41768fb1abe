// Starting our own programs from the device's program folder.
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <mutex>
#include <string>
#include <vector>

#include "platform/base/Base.h"
#include "platform/ipc/Ipc.h"
#include "platform/kernel/DeviceRoot.h"

extern char** environ;

namespace {

std::mutex g_lock;
// Programs started and not yet seen to end; each launch collects those that have ended,
// so none lingers as a zombie for long.
std::vector<pid_t> g_started;

bool IsProgram(const std::filesystem::path& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::filesystem::path ProgramFile(std::u16string_view devicePath) {
  std::filesystem::path path = platform::MapDevicePath(devicePath);
  if (IsProgram(path)) return path;
  std::u16string name(devicePath);
  constexpr std::u16string_view kSuffix = u".exe";
  if (name.size() > kSuffix.size() &&
      platform::EqualsIgnoreCase(std::u16string_view(name).substr(name.size() - kSuffix.size()), kSuffix)) {
    name.resize(name.size() - kSuffix.size());
    path = platform::MapDevicePath(name);
    if (IsProgram(path)) return path;
  }
  return {};
}

void CollectEnded() {
  for (auto it = g_started.begin(); it != g_started.end();) {
    int status = 0;
    it = ::waitpid(*it, &status, WNOHANG) != 0 ? g_started.erase(it) : std::next(it);
  }
}

}  // namespace

namespace platform {

DWORD LaunchOwnProgram(const ProcessLaunch& launch) {
  std::filesystem::path program = ProgramFile(launch.application);
  if (program.empty()) return ERROR_FILE_NOT_FOUND;
  std::string path = program.string();
  std::string argument = ToUtf8(launch.commandLine);
  std::vector<char*> argv = {path.data()};
  if (!argument.empty()) argv.push_back(argument.data());
  argv.push_back(nullptr);
  // The program sees this device, whatever the environment said.
  std::string root = "SLATEWAY_DEVICE_ROOT=" + DeviceRoot().string();
  std::vector<char*> env;
  for (char** e = environ; e && *e; ++e)
    if (std::string_view(*e).rfind("SLATEWAY_DEVICE_ROOT=", 0) != 0) env.push_back(*e);
  env.push_back(root.data());
  env.push_back(nullptr);

  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  // Its own session: the program outlives the one that started it.
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  pid_t pid = 0;
  int error = ::posix_spawn(&pid, path.c_str(), nullptr, &attributes, argv.data(), env.data());
  posix_spawnattr_destroy(&attributes);
  if (error != 0) return ErrorFromErrno(error);
  std::lock_guard guard(g_lock);
  CollectEnded();
  g_started.push_back(pid);
  return ERROR_SUCCESS;
}

}  // namespace platform
