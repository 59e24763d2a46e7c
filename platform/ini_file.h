// The settings file format: "[section]" lines and "key=value" lines, read and written the way
// the host's profile functions do, except that a write never leaves a half-written file.
//
// Lines end in LF, CR LF, CR or CR CR LF, in any mix, so a file moves between systems and editors
// as it is. A file starting with a UTF-8 byte-order mark holds UTF-8, one starting with a UTF-16
// byte-order mark (either byte order) holds UTF-16; any other file holds the program's own
// Windows-1252 bytes. Names and values cross to and from the program's code page ("?" for a
// character it lacks); a write keeps the file's encoding, its byte-order mark and its line ends.
//
// Reading: section and key names match without regard to the case of A..Z; blanks (spaces and
// tabs) around names and values are ignored; the first matching entry wins, also across repeated
// sections; lines starting with ';' and lines without '=' are no entries. A "[" line without its
// "]" is no section header (with a '=' it is an entry like any other). After trimming, one pair
// of matching quotes around the value (both '"' or both '\'') is removed, so "  x " keeps its
// blanks.
//
// Writing: the first matching entry is rewritten as "key=value" with the key as the file spells
// it; a missing entry goes behind the last entry of its section, a missing section (or file) is
// appended; new lines end the way the file's first line does (CR LF in a file without any). Every
// other byte of the file stays as it was. Carriage returns and line feeds in the value and in the
// names become spaces, so a value can never start a key or a section. A value that begins or
// ends with a blank, or that begins and ends with the same quote character, is written inside a
// pair of double quotes, so it reads back unchanged. A write that would leave the file's bytes as
// they are does not touch the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The host reads values into a buffer of 32768 bytes.
constexpr size_t kIniMaxValue = 32767;

// The value of `key` in `section` of the file's bytes, unquoted, in the program's code page and
// cut to kIniMaxValue; nothing when absent.
[[nodiscard]] std::optional<std::string> IniLookup(std::string_view text, std::string_view section,
                                                   std::string_view key);
// The file's bytes with `key` in `section` set to `value`.
[[nodiscard]] std::string IniUpdate(std::string_view text, std::string_view section,
                                    std::string_view key, std::string_view value);

// The stored string, or `def` when the file, the section or the key is missing.
[[nodiscard]] std::string IniReadString(const std::string& path, std::string_view section,
                                        std::string_view key, std::string_view def = {});
// The stored integer: an optional sign and the leading decimal digits of the value (0 when it
// has none); `def` when the entry is missing or its value is empty.
[[nodiscard]] int32_t IniReadInt(const std::string& path, std::string_view section,
                                 std::string_view key, int32_t def = 0);
// Stores the value, creating the file, section or key as needed. The new file is written beside
// the old one, flushed to disk and renamed over it: on any failure (read-only folder, full disk,
// an old file that cannot be read whole) the old file stays exactly as it was and the result is
// false.
[[nodiscard]] bool IniWriteString(const std::string& path, std::string_view section,
                                  std::string_view key, std::string_view value);

struct IniEntry {
  std::string key, value;
};
// Stores several entries of one section in one replacement of the file, in the given order.
[[nodiscard]] bool IniWriteEntries(const std::string& path, std::string_view section,
                                   const std::vector<IniEntry>& entries);

// Deletes the temporary files that writes to `path` killed before their rename left beside it,
// and nothing else: not the file of a write still under way, nor a name a write never makes.
// Meant for the program's start, before anything writes the file.
void IniRemoveLeftovers(const std::string& path);

// Replaces a whole file the way the settings file is written: a new file beside it, flushed and
// renamed over it, so a crash leaves the old contents or the new, never a mix.
[[nodiscard]] bool WriteFileAtomically(const std::string& path, std::string_view data);

}  // namespace platform
