#include "platform/console.h"

#ifdef _WIN32
#include <windows.h>

#include <cstdio>
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

}  // namespace platform
