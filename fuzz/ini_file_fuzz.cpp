// rds.ini text: a write followed by a read gives the value back, leaves every other entry as it
// was, and writing the same value again changes no byte.
#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fuzz_support.h"
#include "platform/ini_file.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool SameName(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    auto up = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
    return up(x) == up(y);
  });
}

// A name the format can hold: no line breaks, brackets or '=', not starting as a comment, no
// blanks around it, not empty.
std::string UsableName(std::string_view raw, const char* fallback) {
  std::string name;
  for (char c : raw)
    if (c != '\r' && c != '\n' && c != '=' && c != '[' && c != ']' && c != '\0') name += c;
  std::string trimmed(Trimmed(name));
  while (!trimmed.empty() && (trimmed[0] == ';' || trimmed[0] == '#'))
    trimmed = std::string(Trimmed(trimmed.substr(1)));
  return trimmed.empty() ? fallback : trimmed;
}

// The section and key names the text seems to hold; a rough reading is enough, they are only
// looked up.
std::vector<std::pair<std::string, std::string>> NamesIn(std::string_view text) {
  std::vector<std::pair<std::string, std::string>> names;
  std::string section;
  size_t start = 0;
  while (start <= text.size() && names.size() < 64) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = Trimmed(text.substr(start, end - start));
    if (!line.empty() && line[0] == '[') {
      const size_t close = line.find(']');
      section = std::string(Trimmed(line.substr(1, close == line.npos ? line.npos : close - 1)));
    } else if (const size_t eq = line.find('='); eq != line.npos) {
      names.emplace_back(section, std::string(Trimmed(line.substr(0, eq))));
    }
    start = end + 1;
  }
  return names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::string> parts = fuzz::Parts(data, size, 4);
  const std::string& text = parts[0];
  const std::string section = UsableName(parts[1], "s");
  const std::string key = UsableName(parts[2], "k");
  const std::string& value = parts[3];

  const std::string written = platform::IniUpdate(text, section, key, value);

  std::string expected = value;
  std::replace(expected.begin(), expected.end(), '\r', ' ');
  std::replace(expected.begin(), expected.end(), '\n', ' ');
  if (expected.size() > platform::kIniMaxValue) expected.resize(platform::kIniMaxValue);
  const auto readBack = platform::IniLookup(written, section, key);
  fuzz::Check(readBack.has_value(), "a written entry is found", written);
  fuzz::Check(*readBack == expected, "a written value reads back as written", *readBack);

  for (const auto& [otherSection, otherKey] : NamesIn(text)) {
    if (SameName(otherSection, section) && SameName(otherKey, key)) continue;
    fuzz::Check(platform::IniLookup(written, otherSection, otherKey) ==
                    platform::IniLookup(text, otherSection, otherKey),
                "a write leaves the other entries as they were",
                std::string(otherSection).append("/").append(otherKey));
  }

  fuzz::Check(platform::IniUpdate(written, section, key, value) == written,
              "writing the stored value again changes nothing", written);
  return 0;
}
