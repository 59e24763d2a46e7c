// Whole-file reads of the operator's text files and the folder the settings live in.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace platform {

// The most ReadTextFile takes from a file: far beyond any PS or RT text, and a runaway file of
// the automation costs no more than this.
inline constexpr size_t kTextFileLimit = 64u << 10;

// The most ReadWholeFile takes from a file: the settings file and the operator's files are far
// smaller.
inline constexpr size_t kWholeFileLimit = 64u << 20;

// The bytes of a regular file; nothing when it is missing, not a regular file or unreadable.
// Never more than `maxBytes` are read, however large the file is.
[[nodiscard]] std::optional<std::string> ReadWholeFile(const std::string& path,
                                                       size_t maxBytes = kWholeFileLimit);

// The bytes of a file about to be replaced by a new version of itself: an empty text when there
// is no such file yet; nothing when it cannot be read, is no regular file or holds more than
// `maxBytes`, since a replacement made from a read cut short would lose the rest.
[[nodiscard]] std::optional<std::string> ReadFileForReplace(const std::string& path,
                                                            size_t maxBytes = kWholeFileLimit);

// A text file another program keeps up to date, in the program's code page: a file that is valid
// UTF-8 (with or without a byte-order mark) is converted from UTF-8, any other file is taken byte
// for byte. At most `maxBytes` are read; a UTF-8 character cut off at the end of the read is
// dropped. Nothing when the file is missing, unreadable, write-locked by another program, or
// when its size or modification time changed during the read: the writer was busy, and the
// caller keeps what it had.
[[nodiscard]] std::optional<std::string> ReadTextFile(const std::string& path,
                                                      size_t maxBytes = kTextFileLimit);

// Bytes another program wrote, decoded as ReadTextFile decodes a file's. `cut` says the bytes
// are the start of a longer text, so a UTF-8 character cut off at their end is dropped.
std::string DecodeText(std::string bytes, bool cut = false);

// Why a text file cannot be read at all ("no such file", "permission denied", ...); empty when
// it can, so that a failed read was only a writer at work.
std::string TextFileProblem(const std::string& path);

bool IsRegularFile(const std::string& path);

// The folder "rds.ini" and "ports/" live in, ending in a separator. The program sets it at
// start (its own folder, or the one given on the command line); until then the current folder.
const std::string& SettingsFolder();
void SetSettingsFolder(const std::string& folder);

namespace detail {
// ReadTextFile running `afterChunk` after each piece it reads from the file, so that a test can
// rewrite the file in the middle of a read.
[[nodiscard]] std::optional<std::string> ReadTextFile(const std::string& path, size_t maxBytes,
                                                      const std::function<void()>& afterChunk);
}  // namespace detail

}  // namespace platform
