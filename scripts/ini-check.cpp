// ini-check --dump FILE: one "section<TAB>key<TAB>value" line per entry, values as read.
// ini-check BEFORE AFTER ALLOWED: exit 0 when AFTER is a sound settings file that differs from
// BEFORE only where ALLOWED permits. ALLOWED has one line per key, tab separated:
// "section<TAB>key<TAB>value<TAB>value...", the values that key may hold afterwards. Every other
// entry of BEFORE must read the same in AFTER, and AFTER may hold no entry BEFORE lacks.
// Values are read with the program's own reader, so quoting and blanks count as the program sees
// them.
#include <cstdio>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/files.h"
#include "platform/ini_file.h"

namespace {

using Name = std::pair<std::string, std::string>;  // section, key; as spelt in the file

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

std::vector<std::string> Split(const std::string& text, char sep) {
  std::vector<std::string> out;
  size_t from = 0;
  for (;;) {
    size_t at = text.find(sep, from);
    out.push_back(text.substr(from, at == std::string::npos ? std::string::npos : at - from));
    if (at == std::string::npos) return out;
    from = at + 1;
  }
}

// The entries of a file, or a complaint when some line is neither blank, a comment, a section
// nor an entry: a torn write shows up as such a line, or as a NUL byte.
bool Entries(const std::string& text, std::vector<Name>& names, std::string& complaint) {
  if (text.find('\0') != std::string::npos) {
    complaint = "holds a NUL byte";
    return false;
  }
  if (!text.empty() && text.back() != '\n') {
    complaint = "its last line has no line ending";
    return false;
  }
  std::string section;
  int number = 0;
  for (std::string line : Split(text, '\n')) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::string t = Trim(line);
    if (t.empty() || t[0] == ';' || t[0] == '#') continue;
    if (t[0] == '[' && t.back() == ']') {
      section = Trim(t.substr(1, t.size() - 2));
      continue;
    }
    size_t eq = t.find('=');
    if (eq == std::string::npos || section.empty() || Trim(t.substr(0, eq)).empty()) {
      complaint = "line " + std::to_string(number) + " is no entry: " + line;
      return false;
    }
    names.emplace_back(section, Trim(t.substr(0, eq)));
  }
  return true;
}

Name Folded(const Name& n) { return {Upper(n.first), Upper(n.second)}; }

int Fail(const std::string& message) {
  std::fprintf(stderr, "ini-check: %s\n", message.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--dump") {
    std::optional<std::string> text = platform::ReadWholeFile(argv[2]);
    std::vector<Name> names;
    std::string complaint;
    if (!text) return Fail(std::string(argv[2]) + " is missing");
    if (!Entries(*text, names, complaint)) return Fail(complaint);
    for (const Name& n : names) {
      std::optional<std::string> value = platform::IniLookup(*text, n.first, n.second);
      std::printf("%s\t%s\t%s\n", n.first.c_str(), n.second.c_str(), value->c_str());
    }
    return 0;
  }
  if (argc != 4) return Fail("usage: ini-check BEFORE AFTER ALLOWED");
  std::optional<std::string> before = platform::ReadWholeFile(argv[1]);
  std::optional<std::string> after = platform::ReadWholeFile(argv[2]);
  std::optional<std::string> allowedText = platform::ReadWholeFile(argv[3]);
  if (!before || !allowedText) return Fail("cannot read the reference files");
  if (!after) return Fail(std::string(argv[2]) + " is missing");
  if (after->empty()) return Fail(std::string(argv[2]) + " is empty");

  std::vector<Name> beforeNames, afterNames;
  std::string complaint;
  if (!Entries(*before, beforeNames, complaint)) return Fail("before: " + complaint);
  if (!Entries(*after, afterNames, complaint)) return Fail("after: " + complaint);

  int faults = 0;
  std::set<Name> ruled;
  for (const std::string& line : Split(*allowedText, '\n')) {
    if (line.empty()) continue;
    std::vector<std::string> fields = Split(line, '\t');
    if (fields.size() < 3) return Fail("bad line in ALLOWED: " + line);
    ruled.insert(Folded({fields[0], fields[1]}));
    std::optional<std::string> value = platform::IniLookup(*after, fields[0], fields[1]);
    bool fits = false;
    for (size_t k = 2; k < fields.size() && value; ++k) fits = fits || *value == fields[k];
    if (!fits) {
      std::string expected;
      for (size_t k = 2; k < fields.size(); ++k) expected += " \"" + fields[k] + "\"";
      std::fprintf(stderr, "ini-check: [%s] %s is %s%s%s, expected one of%s\n", fields[0].c_str(),
                   fields[1].c_str(), value ? "\"" : "", value ? value->c_str() : "missing",
                   value ? "\"" : "", expected.c_str());
      ++faults;
    }
  }

  std::set<Name> known;
  for (const Name& n : beforeNames) {
    known.insert(Folded(n));
    if (ruled.count(Folded(n))) continue;
    std::optional<std::string> was = platform::IniLookup(*before, n.first, n.second);
    std::optional<std::string> is = platform::IniLookup(*after, n.first, n.second);
    if (was != is) {
      std::fprintf(stderr, "ini-check: [%s] %s changed from \"%s\" to %s%s%s\n", n.first.c_str(),
                   n.second.c_str(), was->c_str(), is ? "\"" : "", is ? is->c_str() : "missing",
                   is ? "\"" : "");
      ++faults;
    }
  }
  for (const Name& n : afterNames) {
    if (known.count(Folded(n)) || ruled.count(Folded(n))) continue;
    std::fprintf(stderr, "ini-check: [%s] %s appeared\n", n.first.c_str(), n.second.c_str());
    ++faults;
  }
  return faults == 0 ? 0 : 1;
}
