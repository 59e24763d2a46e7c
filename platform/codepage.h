// The program's text is 8-bit Windows-1252, one byte per character as on the wire. These convert
// at the edges: to and from Unicode for the window layer and for text files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// The Unicode code point of a Windows-1252 byte (the five unassigned bytes map to themselves).
char32_t Cp1252ToUnicode(unsigned char byte);
// Appends a code point as the code page spells it: its own byte; else the closest Latin letters
// (Ł is L, Щ is Shch, Θ is Th, a non-breaking hyphen is "-"), which may be more than one or none;
// a pictograph or symbol with no such spelling (an emoji, an arrow) is dropped, leaving a blank
// after a character that is not one; '?' only for a letter of a script without a romanisation.
// A combining accent joins the letter before it when the code page has the pair.
void AppendCp1252(std::string& out, char32_t code);

// Appends the UTF-8 bytes of a code point.
void AppendUtf8(std::string& out, char32_t code);

// What DecodeUtf8 makes of the three-byte form of a surrogate (U+D800..U+DFFF). Valid UTF-8 never
// holds one; UTF-16 with a surrogate that lacks its partner, carried as UTF-8 (the INI code does,
// so that a file's untouched units come back as they were), holds one for each such unit.
enum class LoneSurrogates : uint8_t {
  Reject,  // invalid, like any other broken sequence
  Keep,    // decoded to the surrogate's own code
};

// Decodes the character at `i` (inside the text) into `code` and moves `i` past it. On bytes that
// are no valid UTF-8 (a stray continuation byte, a sequence cut short, an overlong form, a code
// beyond U+10FFFF, a surrogate unless kept) it returns false and moves `i` past one byte only.
[[nodiscard]] bool DecodeUtf8(std::string_view text, size_t& i, char32_t& code,
                              LoneSurrogates surrogates = LoneSurrogates::Reject);

std::string Cp1252ToUtf8(std::string_view text);
// Each code point as AppendCp1252 spells it, except that a dropped symbol leaves a blank only
// between two words; invalid UTF-8 sequences become '?' each.
std::string Utf8ToCp1252(std::string_view text);
bool IsValidUtf8(std::string_view text);
// The length of an unfinished UTF-8 character at the end of `text`: a lead byte followed by fewer
// continuation bytes than it announces (1 to 3 bytes), or 0. A read that stopped in the middle
// of a character leaves one.
size_t Utf8IncompleteTail(std::string_view text);

// The text with every control character (bytes 0..31 and 127) replaced by a space; bytes
// 128..255 are text of the code page and stay. Applied where operator and stored text enters,
// so no such text can end a command line early.
std::string BlankControls(std::string_view text);

}  // namespace platform
