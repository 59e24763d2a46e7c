// The code page at the edges: Windows-1252 text survives a trip through UTF-8, invalid UTF-8 is
// never passed on as it is, and a text file decodes the way the automation's files must.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "platform/codepage.h"
#include "platform/files.h"

namespace {

bool IsAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 128; });
}

size_t Controls(std::string_view s) {
  return static_cast<size_t>(std::count_if(s.begin(), s.end(), fuzz::IsControl));
}

// One file per process, rewritten for every input and removed at exit.
struct ScratchFile {
  ScratchFile() {
    path = (std::filesystem::temp_directory_path() /
            ("rds-fuzz-text-" + std::to_string(::getpid()) + ".txt"))
               .string();
  }
  ~ScratchFile() {
    std::error_code ec;
    std::filesystem::remove(path, ec);
  }
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;
  std::string path;
};

void CheckConversions(const std::string& bytes) {
  using namespace platform;
  const std::string utf8 = Cp1252ToUtf8(bytes);
  fuzz::Check(IsValidUtf8(utf8), "the code page always gives valid UTF-8", utf8);
  fuzz::Check(Utf8ToCp1252(utf8) == bytes, "code page to UTF-8 and back is lossless", bytes);
  fuzz::Check(Utf8IncompleteTail(utf8) == 0, "a complete text has no unfinished tail", utf8);
  // Cutting the last character short leaves exactly the bytes cut off as its unfinished tail.
  size_t last = utf8.size();
  while (last > 0 && (static_cast<unsigned char>(utf8[last - 1]) & 0xC0) == 0x80) --last;
  if (last > 0 && utf8.size() - last + 1 > 1) {
    const size_t length = utf8.size() - last + 1;
    for (size_t keep = 1; keep < length; ++keep)
      fuzz::Check(Utf8IncompleteTail(std::string_view(utf8).substr(0, last - 1 + keep)) == keep,
                  "a character cut short is its unfinished tail", utf8);
  }

  // A character the code page lacks may take up to twice its UTF-8 bytes (Щ is "Shch"), or none.
  const std::string decoded = Utf8ToCp1252(bytes);
  const bool valid = IsValidUtf8(bytes);
  fuzz::Check(decoded.size() <= 2 * bytes.size(), "decoding UTF-8 at most doubles the text", bytes);
  fuzz::Check(Controls(decoded) == Controls(bytes),
              "decoding neither makes nor removes a control character", bytes);
  if (valid)
    fuzz::Check(Utf8IncompleteTail(bytes) == 0, "valid UTF-8 has no unfinished tail", bytes);
  fuzz::Check(Utf8IncompleteTail(bytes) <= std::min<size_t>(3, bytes.size()),
              "an unfinished tail is at most three bytes", bytes);

  const std::string blanked = BlankControls(bytes);
  fuzz::Check(blanked.size() == bytes.size(), "blanking keeps the length", bytes);
  for (size_t i = 0; i < bytes.size(); ++i)
    fuzz::Check(blanked[i] == (fuzz::IsControl(bytes[i]) ? ' ' : bytes[i]),
                "blanking changes the control characters only, each to a space", bytes);
}

// What a reader of the file must get from `bytes`, when at most `limit` of them are read.
void CheckFileText(const std::string& path, const std::string& bytes, size_t limit) {
  const std::optional<std::string> read = platform::ReadTextFile(path, limit);
  fuzz::Check(read.has_value(), "a readable file gives a text", bytes);
  const std::string taken = bytes.substr(0, limit);
  const bool cut = taken.size() < bytes.size();
  fuzz::Check(read->size() <= 2 * taken.size(), "a text file reads at most twice its bytes", *read);
  const bool bom = taken.compare(0, 3, "\xEF\xBB\xBF") == 0;
  const std::string_view body = bom ? std::string_view(taken).substr(3) : std::string_view(taken);
  if (IsAscii(body)) {
    fuzz::Check(*read == body, "a plain ASCII file reads as it is", taken);
    return;
  }
  const std::string_view whole = body.substr(0, body.size() - platform::Utf8IncompleteTail(body));
  if (bom) {
    fuzz::Check(*read == platform::Utf8ToCp1252(whole), "a file with a BOM is UTF-8", taken);
  } else if (platform::IsValidUtf8(body) || (cut && platform::IsValidUtf8(whole))) {
    fuzz::Check(*read == platform::Utf8ToCp1252(whole), "a valid UTF-8 file is converted", taken);
  } else if (!platform::IsValidUtf8(whole)) {
    fuzz::Check(*read == taken, "a file that is not UTF-8 is taken byte for byte", taken);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  CheckConversions(bytes);

  static const ScratchFile scratch;
  const std::string& path = scratch.path;
  {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << bytes;
  }
  CheckFileText(path, bytes, platform::kTextFileLimit);
  // A read limit that falls inside the text, where a character may be cut in two.
  if (size > 1) CheckFileText(path, bytes, size - 1 - data[0] % std::min<size_t>(size - 1, 8));
  return 0;
}
