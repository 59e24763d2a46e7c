#include "platform/console.h"

#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#else
#include <termios.h>
#include <unistd.h>
#endif

namespace platform {

void UseParentConsole() {
#ifdef _WIN32
  // A handle given by the starter (a file, a pipe, a service wrapper) is kept as it is.
  const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  if (err != nullptr && err != INVALID_HANDLE_VALUE && GetFileType(err) != FILE_TYPE_UNKNOWN)
    return;
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
  std::FILE* ignored = nullptr;
  freopen_s(&ignored, "CONOUT$", "w", stdout);
  freopen_s(&ignored, "CONOUT$", "w", stderr);
#endif
}

namespace {

// One line from standard input; the line end (LF or CR LF) is not kept.
bool ReadLine(std::string& line) {
  line.clear();
  for (int c = std::getchar(); c != EOF; c = std::getchar()) {
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return true;
    }
    if (line.size() > kMaxSecretLine) {
      // The rest of an overlong line is read away, so that the next question gets its own.
      while (c != EOF && c != '\n') c = std::getchar();
      line.clear();
      return false;
    }
    line += static_cast<char>(c);
  }
  return !line.empty();
}

}  // namespace

bool StandardInputAvailable() {
#ifdef _WIN32
  const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  return in != nullptr && in != INVALID_HANDLE_VALUE && GetFileType(in) != FILE_TYPE_UNKNOWN;
#else
  return true;
#endif
}

bool ReadSecretLine(const char* prompt, std::string& line) {
  std::fputs(prompt, stderr);
  std::fflush(stderr);
  bool read = false;
#ifdef _WIN32
  if (!StandardInputAvailable()) return false;
  const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  const bool console = GetConsoleMode(in, &mode) != 0;
  if (console) SetConsoleMode(in, mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
  read = ReadLine(line);
  if (console) SetConsoleMode(in, mode);
#else
  termios saved{};
  const bool terminal = isatty(STDIN_FILENO) != 0 && tcgetattr(STDIN_FILENO, &saved) == 0;
  if (terminal) {
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  }
  read = ReadLine(line);
  if (terminal) tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
#endif
  // The answer was not shown, so its line end was not either.
  std::fputs("\n", stderr);
  std::fflush(stderr);
  if (!read) line.clear();
  return read;
}

}  // namespace platform
