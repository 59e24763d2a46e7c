// The console: that of the program that started this one (for a windowed program on Windows
// asked for its event log from a command prompt), and secrets typed at it.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

// On Windows, a program built for the window subsystem has no console: standard output and
// error go nowhere unless they were redirected. This connects them to the console of the
// program that started it, when there is one and they were not redirected. Elsewhere it does
// nothing.
void UseParentConsole();

// Reads one line of at most kMaxSecretLine bytes without showing it: typed at the terminal with
// its echo off after `prompt` on standard error, or read from standard input when that is a pipe
// or a file (the prompt is then still shown). The line end is not kept. False at the end of the
// input, for a longer line, or when there is nothing to read from (a windowed program on Windows
// started without a console of its own).
inline constexpr size_t kMaxSecretLine = 1024;
// Whether standard input can be read at all: false for a windowed program on Windows started
// without one.
bool StandardInputAvailable();
bool ReadSecretLine(const char* prompt, std::string& line);

}  // namespace platform
