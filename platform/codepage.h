// The program's text is 8-bit Windows-1252, one byte per character as on the wire. These convert
// at the edges: to and from Unicode for the window layer and for text files.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The Unicode code point of a Windows-1252 byte (the five unassigned bytes map to themselves).
char32_t Cp1252ToUnicode(unsigned char byte);
// Appends a code point as the code page spells it: its own byte; else the closest Latin letters
// (Ł is L, Щ is Shch, Θ is Th, a non-breaking hyphen is "-"), which may be more than one or none;
// else '?'. A combining accent joins the letter before it when the code page has the pair.
// Every conversion from Unicode goes through here.
void AppendCp1252(std::string& out, char32_t code);

// Appends the UTF-8 bytes of a code point.
void AppendUtf8(std::string& out, char32_t code);

std::string Cp1252ToUtf8(std::string_view text);
// Each code point as AppendCp1252 spells it; invalid UTF-8 sequences become '?' each.
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
