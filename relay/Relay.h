// The relay: hands one command word of the desktop companion to the running Slateway as a
// WM_COPYDATA message, starting the program first when it is not running.
#pragma once

#include <optional>
#include <string>

#include "core/WindowMessages.h"
#include "platform/platform.h"

// The message a command word sends: its code, and whether the word itself travels as the
// data (its UTF-16 units, without the terminator).
struct RelayMessage {
  DesktopCommand code{};
  bool carriesWord = false;
};

// The message of `word`, compared exactly (letter case included); none for "STOP" and for
// any word the relay does not know.
std::optional<RelayMessage> RelayMessageFor(std::u16string_view word);
// Whether the relay knows `word` (compared exactly): one of the words that send a message,
// or "STOP".
bool IsRelayWord(std::u16string_view word);

// The main program's device path: the root key's "ProgramPath" folder with "Slateway.exe",
// or the default path when that value is missing, empty or too long.
std::u16string GetMainProgramPath();

// What a run of the relay came to; the values are slatelaunch's exit codes.
enum RelayResult : int {
  kRelayAnswered = 0,  // the message was delivered and answered ("STOP": the program runs)
  kRelayNoAnswer = 1,  // the program could not be found or started, or did not answer
  kRelayUnknownWord = 2,  // a word the relay does not know: nothing was started or sent
  kRelayFailed = 3,  // the program answered that it could not carry the command out
};

// Checks the word first: one the relay does not know starts nothing. Then finds the main
// window (starting the main program when there is none and waiting until the program says
// its window can be reached, at most a minute), sends the word's message and waits for the
// program to carry it out. With kRelayNoAnswer the last error tells why:
// ERROR_TIMEOUT when the program took the command but did not answer in time.
RelayResult RunRelay(std::u16string_view word);
