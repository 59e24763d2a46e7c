// The console of the program that started this one, for a windowed program on Windows that is
// asked for its event log (--log, --headless) from a command prompt.
#pragma once

namespace platform {

// On Windows, a program built for the window subsystem has no console: standard output and
// error go nowhere unless they were redirected. This connects them to the console of the
// program that started it, when there is one and they were not redirected. Elsewhere it does
// nothing.
void UseParentConsole();

}  // namespace platform
