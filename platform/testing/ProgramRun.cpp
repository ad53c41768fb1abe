#include "platform/testing/ProgramRun.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <thread>

#include <gtest/gtest.h>

#include "platform/kernel/DeviceRoot.h"
#include "platform/user/Window.h"

extern char** environ;

namespace platform::testing {

int RunProgram(const std::string& program, const std::vector<std::string>& arguments, std::chrono::seconds limit) {
  std::string root = "SLATEWAY_DEVICE_ROOT=" + DeviceRoot().string();
  std::vector<char*> env;
  for (char** e = environ; *e; ++e)
    if (std::string_view(*e).rfind("SLATEWAY_DEVICE_ROOT=", 0) != 0) env.push_back(*e);
  env.push_back(root.data());
  env.push_back(nullptr);
  std::vector<std::string> words = {program};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  pid_t child = 0;
  if (posix_spawn(&child, program.c_str(), nullptr, nullptr, argv.data(), env.data()) != 0) {
    ADD_FAILURE() << "cannot start " << program;
    return -1;
  }
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (waitpid(child, &status, WNOHANG) == 0) {
    PumpMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    if (std::chrono::steady_clock::now() > deadline) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      ADD_FAILURE() << program << " did not end";
      return -1;
    }
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool CloseProgramOf(HWND window, std::chrono::seconds wait) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (!pid) return false;
  SendMessageW(window, WM_CLOSE, 0, 0);
  const auto deadline = std::chrono::steady_clock::now() + wait;
  while (kill(static_cast<pid_t>(pid), 0) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(static_cast<pid_t>(pid), SIGKILL);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

}  // namespace platform::testing
