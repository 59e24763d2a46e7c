// Whole-file reads of the operator's text files and the folder the settings live in.
#pragma once

#include <optional>
#include <string>

namespace platform {

// The bytes of a regular file; nothing when it is missing, a folder or unreadable. Files larger
// than `maxBytes` are read up to that size.
std::optional<std::string> ReadWholeFile(const std::string& path, size_t maxBytes = 64u << 20);

// A text file in the program's code page: a file that is valid UTF-8 (with or without a
// byte-order mark) is converted from UTF-8, any other file is taken byte for byte.
std::optional<std::string> ReadTextFile(const std::string& path);

bool IsRegularFile(const std::string& path);

// The folder "rds.ini" and "ports/" live in, ending in a separator. The program sets it at
// start (its own folder, or the one given on the command line); until then the current folder.
const std::string& SettingsFolder();
void SetSettingsFolder(const std::string& folder);

}  // namespace platform
