// What the system's programs share at their front door on Linux: the folder they run
// from, the answer to "--version" and the line for an option they do not know.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "platform/base/Base.h"
#include "platform/version/ProgramVersion.h"

namespace frontdoor {

// The exit code of a command line the program cannot use.
inline constexpr int kUsageError = 2;

// The folder this program's file lies in (the working folder when the system cannot say).
inline std::filesystem::path OwnFolder() {
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::current_path() : self.parent_path();
}

// "<program> (Slateway) 5.0.0" on stdout.
inline void PrintVersion(const char* program) {
  using namespace platform::version::program;
  std::printf("%s (%s) %s\n", program, platform::ToUtf8(kProductName).c_str(), platform::ToUtf8(kVersionText).c_str());
}

// Says on stderr that `option` is unknown and where help is; returns kUsageError.
inline int UnknownOption(const char* program, std::string_view option) {
  std::fprintf(stderr, "%s: unknown option '%.*s' (try '%s --help')\n", program, static_cast<int>(option.size()),
               option.data(), program);
  return kUsageError;
}

// An argument that reads as an option: "--" and a name.
inline bool IsLongOption(std::string_view argument) { return argument.size() > 2 && argument.substr(0, 2) == "--"; }

}  // namespace frontdoor
