#include "platform/ini_file.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <filesystem>
#include <vector>

#include "platform/codepage.h"
#include "platform/files.h"
#include "runtime/convert.h"

namespace platform {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

char Fold(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Fold(a[i]) != Fold(b[i])) return false;
  return true;
}

// Names and values never break their line.
std::string OneLine(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c == '\r' || c == '\n') c = ' ';
  return out;
}

bool IsQuote(char c) { return c == '"' || c == '\''; }

// One matching pair of quotes around a value protects the blanks inside it from the trimming.
bool Enclosed(std::string_view s) {
  return s.size() >= 2 && IsQuote(s.front()) && s.front() == s.back();
}

// The value as it goes behind "key=": quoted when reading it back would change it otherwise.
std::string StoredValue(std::string_view value) {
  std::string out = OneLine(value);
  if (!out.empty() && (IsBlank(out.front()) || IsBlank(out.back()) || Enclosed(out)))
    out = '"' + out + '"';
  return out;
}

enum class Encoding { Cp1252, Utf8, Utf16Le, Utf16Be };

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kUtf16BeBom = "\xFE\xFF";

void AppendUtf16(std::string& out, char32_t unit, bool bigEndian) {
  const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
  out += bigEndian ? high : low;
  out += bigEndian ? low : high;
}

// UTF-16 as UTF-8, except that a surrogate without its partner is encoded on its own (three
// bytes): the lines of the file are then handled like those of a UTF-8 file, and converting back
// gives every untouched unit as it was.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
  auto unit = [&](size_t i) -> char32_t {
    const auto first = static_cast<unsigned char>(bytes[2 * i]);
    const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
    return bigEndian ? (first << 8) | second : (second << 8) | first;
  };
  const size_t count = bytes.size() / 2;
  std::string out;
  out.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    char32_t c = unit(i);
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < count && unit(i + 1) >= 0xDC00 &&
        unit(i + 1) <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
      ++i;
    }
    AppendUtf8(out, c);
  }
  return out;
}

std::string Utf8ToUtf16(std::string_view text, bool bigEndian) {
  std::string out;
  out.reserve(2 * text.size());
  size_t i = 0;
  while (i < text.size()) {
    char32_t c = 0;
    // The text came from UTF-16 and from valid UTF-8 of our own; should a broken byte ever turn
    // up, it shows as a replacement character rather than vanishing.
    if (!DecodeUtf8(text, i, c, LoneSurrogates::Keep)) c = 0xFFFD;
    if (c >= 0x10000) {
      AppendUtf16(out, 0xD800 + ((c - 0x10000) >> 10), bigEndian);
      AppendUtf16(out, 0xDC00 + ((c - 0x10000) & 0x3FF), bigEndian);
    } else {
      AppendUtf16(out, c, bigEndian);
    }
  }
  return out;
}

// A file's text in a form where line ends, brackets, '=', quotes and blanks are their ASCII bytes:
// the bytes themselves (Windows-1252 or UTF-8 behind its byte-order mark), or UTF-16 turned into
// UTF-8.
struct Decoded {
  Encoding encoding = Encoding::Cp1252;
  std::string text;
  std::string strayByte;  // the odd last byte of a UTF-16 file, kept where it was
};

Decoded Decode(std::string_view bytes) {
  Decoded d;
  if (bytes.substr(0, 3) == kUtf8Bom) {
    d.encoding = Encoding::Utf8;
    d.text = bytes.substr(3);
  } else if (bytes.substr(0, 2) == kUtf16LeBom || bytes.substr(0, 2) == kUtf16BeBom) {
    const bool bigEndian = bytes.substr(0, 2) == kUtf16BeBom;
    d.encoding = bigEndian ? Encoding::Utf16Be : Encoding::Utf16Le;
    bytes.remove_prefix(2);
    if (bytes.size() % 2) d.strayByte = bytes.substr(bytes.size() - 1);
    d.text = Utf16ToUtf8(bytes, bigEndian);
  } else {
    d.text = bytes;
  }
  return d;
}

std::string Encode(const Decoded& d) {
  const std::string_view text = d.text;
  switch (d.encoding) {
    case Encoding::Cp1252:
      return std::string(text);
    case Encoding::Utf8:
      return std::string(kUtf8Bom).append(text);
    case Encoding::Utf16Le:
      return std::string(kUtf16LeBom).append(Utf8ToUtf16(text, false)).append(d.strayByte);
    case Encoding::Utf16Be:
      return std::string(kUtf16BeBom).append(Utf8ToUtf16(text, true)).append(d.strayByte);
  }
  return std::string(text);
}

// Program text (Windows-1252) as it is spelt in the decoded file, and back.
std::string ToFile(Encoding encoding, std::string_view s) {
  return encoding == Encoding::Cp1252 ? std::string(s) : Cp1252ToUtf8(s);
}
std::string FromFile(Encoding encoding, std::string_view s) {
  return encoding == Encoding::Cp1252 ? std::string(s) : Utf8ToCp1252(s);
}

enum class LineKind { Other, Section, Entry };

struct Line {
  size_t begin = 0;  // first byte of the line
  size_t end = 0;    // end of its content, before its line end
  size_t next = 0;   // first byte of the following line
  LineKind kind = LineKind::Other;
  std::string_view name;   // section or key name, trimmed
  std::string_view value;  // entry value, trimmed
  size_t nameBegin = 0;    // offset of the key's first byte
};

// The line end at `at` (a CR or an LF) runs up to the returned offset. LF, CR LF and a lone CR
// each end a line, as files from other systems and editors have them; CR CR LF is what a CR LF
// file becomes when it is written once more in text mode, and is one line end too.
size_t LineEndAfter(std::string_view text, size_t at) {
  if (text[at] == '\n') return at + 1;
  size_t crs = at;
  while (crs < text.size() && text[crs] == '\r') ++crs;
  return crs < text.size() && text[crs] == '\n' ? crs + 1 : at + 1;
}

// Walks the text line by line.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}
  bool next(Line& line) {
    if (pos_ >= text_.size()) return false;
    line = Line{};
    line.begin = pos_;
    size_t brk = text_.find_first_of("\r\n", pos_);
    line.end = brk == std::string_view::npos ? text_.size() : brk;
    line.next = brk == std::string_view::npos ? text_.size() : LineEndAfter(text_, brk);
    pos_ = line.next;
    classify(line);
    return true;
  }

 private:
  void classify(Line& line) const {
    std::string_view content = text_.substr(line.begin, line.end - line.begin);
    size_t lead = 0;
    while (lead < content.size() && IsBlank(content[lead])) ++lead;
    std::string_view rest = content.substr(lead);
    if (rest.empty() || rest.front() == ';') return;
    // Like the host, a "[" line without its "]" is no section; it may still be an entry.
    size_t close = rest.front() == '[' ? rest.rfind(']') : std::string_view::npos;
    if (close != std::string_view::npos) {
      line.kind = LineKind::Section;
      line.name = Trim(rest.substr(1, close - 1));
      return;
    }
    size_t eq = rest.find('=');
    if (eq == std::string_view::npos) return;
    line.kind = LineKind::Entry;
    line.name = Trim(rest.substr(0, eq));
    line.value = Trim(rest.substr(eq + 1));
    line.nameBegin = line.begin + lead;
  }

  std::string_view text_;
  size_t pos_ = 0;
};

// The line end of the file's first line, for the lines written into it.
std::string_view LineEnding(std::string_view text) {
  size_t brk = text.find_first_of("\r\n");
  if (brk == std::string_view::npos) return "\r\n";
  if (text[brk] == '\n') return "\n";
  return text[LineEndAfter(text, brk) - 1] == '\n' ? "\r\n" : "\r";
}

bool EndsWithLineEnd(std::string_view text) {
  return !text.empty() && (text.back() == '\n' || text.back() == '\r');
}

std::optional<std::string> LookupDecoded(const Decoded& file, std::string_view section,
                                         std::string_view key) {
  std::string wantSection = ToFile(file.encoding, OneLine(Trim(section)));
  std::string wantKey = ToFile(file.encoding, OneLine(Trim(key)));
  LineReader reader(file.text);
  Line line;
  bool inSection = false;
  while (reader.next(line)) {
    if (line.kind == LineKind::Section) {
      inSection = SameName(line.name, wantSection);
    } else if (inSection && line.kind == LineKind::Entry && SameName(line.name, wantKey)) {
      std::string_view value = line.value;
      if (Enclosed(value)) value = value.substr(1, value.size() - 2);
      std::string out = FromFile(file.encoding, value);
      if (out.size() > kIniMaxValue) out.resize(kIniMaxValue);
      return out;
    }
  }
  return std::nullopt;
}

// Sets the entry in the decoded text of the file.
void UpdateDecoded(Decoded& file, std::string_view section, std::string_view key,
                   std::string_view value) {
  const std::string_view text = file.text;
  std::string wantSection = ToFile(file.encoding, OneLine(Trim(section)));
  std::string wantKey = ToFile(file.encoding, OneLine(Trim(key)));
  std::string newValue = ToFile(file.encoding, StoredValue(value));
  std::string_view eol = LineEnding(text);

  LineReader reader(text);
  Line line;
  bool inSection = false;
  bool sectionSeen = false;
  bool firstBlockOpen = false;  // still inside the first block of the section
  Line lastInBlock;             // the last non-empty line of that block
  std::string out;
  while (reader.next(line)) {
    if (line.kind == LineKind::Section) {
      inSection = SameName(line.name, wantSection);
      firstBlockOpen = inSection && !sectionSeen;
      if (firstBlockOpen) lastInBlock = line;
      sectionSeen = sectionSeen || inSection;
      continue;
    }
    if (inSection && line.kind == LineKind::Entry && SameName(line.name, wantKey)) {
      out.assign(text.substr(0, line.nameBegin));
      out.append(line.name).append("=").append(newValue);
      out.append(text.substr(line.end));
      file.text = std::move(out);
      return;
    }
    if (firstBlockOpen && !Trim(text.substr(line.begin, line.end - line.begin)).empty())
      lastInBlock = line;
  }

  std::string entry = wantKey + "=" + newValue;
  if (sectionSeen) {
    out.assign(text.substr(0, lastInBlock.next));
    if (lastInBlock.next == lastInBlock.end) out.append(eol);  // the line had no ending
    out.append(entry).append(eol);
    out.append(text.substr(lastInBlock.next));
  } else {
    out.assign(text);
    if (!out.empty() && !EndsWithLineEnd(out)) out.append(eol);
    out.append("[").append(wantSection).append("]").append(eol);
    out.append(entry).append(eol);
  }
  file.text = std::move(out);
}

struct FolderAndName {
  std::string folder, name;
};

#ifdef _WIN32

// The folder keeps its trailing separator, and is empty for a bare file name.
FolderAndName SplitPath(const std::string& path) {
  const size_t slash = path.find_last_of("\\/:");
  if (slash == std::string::npos) return {std::string(), path};
  return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

// "<name>.XXXXXXXX.tmp" beside the file: a name a start-up sweep can tell from anyone else's.
constexpr size_t kTempDigits = 8;
constexpr std::string_view kTempSuffix = ".tmp";

bool IsTempName(std::string_view candidate, std::string_view name) {
  if (candidate.size() != name.size() + 1 + kTempDigits + kTempSuffix.size()) return false;
  if (!SameName(candidate.substr(0, name.size()), name) || candidate[name.size()] != '.')
    return false;
  candidate.remove_prefix(name.size() + 1);
  for (size_t i = 0; i < kTempDigits; ++i)
    if (!IsHexDigit(candidate[i])) return false;
  return SameName(candidate.substr(kTempDigits), kTempSuffix);
}

// Writes a new file beside `path`, flushes it and moves it over `path` in one step.
bool ReplaceFileContents(const std::string& path, std::string_view data) {
  const FolderAndName where = SplitPath(path);
  static DWORD counter = 0;
  std::string temp;
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 64 && file == INVALID_HANDLE_VALUE; ++attempt) {
    const DWORD stamp =
        ::GetTickCount() ^ (::GetCurrentProcessId() << 16) ^ (++counter * 0x9E3779B9u);
    char digits[kTempDigits + 1];
    for (size_t i = 0; i < kTempDigits; ++i)
      digits[i] = "0123456789ABCDEF"[(stamp >> (4 * (kTempDigits - 1 - i))) & 0xF];
    digits[kTempDigits] = '\0';
    temp = where.folder + where.name + "." + digits + std::string(kTempSuffix);
    // Shared with no one: the start-up sweep cannot delete it while it is being written.
    file = ::CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
    if (file == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS) return false;
  }
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  while (ok && !data.empty()) {
    DWORD n = 0;
    ok = ::WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &n, nullptr) && n > 0;
    data.remove_prefix(n);
  }
  ok = ::FlushFileBuffers(file) && ok;
  ok = ::CloseHandle(file) && ok;
  ok = ok && ::MoveFileExA(temp.c_str(), path.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!ok) ::DeleteFileA(temp.c_str());
  return ok;
}

void RemoveLeftovers(const std::string& path) {
  const FolderAndName where = SplitPath(path);
  const std::string& prefix = where.folder;
  WIN32_FIND_DATAA found{};
  HANDLE search = ::FindFirstFileA((prefix + where.name + ".*.tmp").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    // A file still open for writing is shared with no one, so the delete fails on it.
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
        IsTempName(found.cFileName, where.name))
      ::DeleteFileA((prefix + found.cFileName).c_str());
  } while (::FindNextFileA(search, &found));
  ::FindClose(search);
}

#else

// The file a write replaces: through a link, the file it points to.
FolderAndName WriteTarget(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path target(path);
  if (fs::is_symlink(target, ec)) {
    fs::path resolved = fs::weakly_canonical(target, ec);
    if (!ec) target = resolved;
  }
  fs::path folder = target.parent_path();
  return {folder.empty() ? std::string(".") : folder.string(), target.filename().string()};
}

// ".<name>.XXXXXX" beside the file, as mkostemp fills it in.
constexpr size_t kTempDigits = 6;

bool IsAlnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsTempName(std::string_view candidate, std::string_view name) {
  if (candidate.size() != name.size() + 2 + kTempDigits || candidate[0] != '.' ||
      candidate.substr(1, name.size()) != name || candidate[name.size() + 1] != '.')
    return false;
  for (char c : candidate.substr(name.size() + 2))
    if (!IsAlnum(c)) return false;
  return true;
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// Writes a new file beside `path`, flushes it and renames it over `path`.
bool ReplaceFileContents(const std::string& path, std::string_view data) {
  const FolderAndName where = WriteTarget(path);
  const std::string target = where.folder + "/" + where.name;
  std::string temp = where.folder + "/." + where.name + "." + std::string(kTempDigits, 'X');
  int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return false;
  // Held until the rename: the start-up sweep leaves a file alone while it is being written.
  ::flock(fd, LOCK_EX | LOCK_NB);

  struct stat old {};
  mode_t mode = 0;
  if (::stat(target.c_str(), &old) == 0) {
    mode = old.st_mode & 07777;
  } else {
    mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, data) && ::fsync(fd) == 0;
  ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
  ::close(fd);
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  // The rename itself reaches the disk with the folder's entry.
  int dir = ::open(where.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

void RemoveLeftovers(const std::string& path) {
  const FolderAndName where = WriteTarget(path);
  std::error_code ec;
  std::filesystem::directory_iterator it(where.folder, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    if (!IsTempName(it->path().filename().string(), where.name)) continue;
    const std::string temp = it->path().string();
    int fd = ::open(temp.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st {};
    // A writer still at work holds the lock; one that was killed holds nothing.
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
      ::unlink(temp.c_str());
    ::close(fd);
  }
}

#endif  // _WIN32

}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view data) {
  return ReplaceFileContents(path, data);
}

std::optional<std::string> IniLookup(std::string_view text, std::string_view section,
                                     std::string_view key) {
  return LookupDecoded(Decode(text), section, key);
}

std::string IniUpdate(std::string_view text, std::string_view section, std::string_view key,
                      std::string_view value) {
  Decoded file = Decode(text);
  UpdateDecoded(file, section, key, value);
  return Encode(file);
}

std::string IniReadString(const std::string& path, std::string_view section, std::string_view key,
                          std::string_view def) {
  std::optional<std::string> text = ReadWholeFile(path);
  if (!text) return std::string(def);
  std::optional<std::string> value = IniLookup(*text, section, key);
  return value ? *value : std::string(def);
}

int32_t IniReadInt(const std::string& path, std::string_view section, std::string_view key,
                   int32_t def) {
  std::optional<std::string> text = ReadWholeFile(path);
  if (!text) return def;
  std::optional<std::string> value = IniLookup(*text, section, key);
  if (!value || value->empty()) return def;
  return hi::TextToInteger(*value);
}

bool IniWriteString(const std::string& path, std::string_view section, std::string_view key,
                    std::string_view value) {
  return IniWriteEntries(path, section, {{std::string(key), std::string(value)}});
}

bool IniWriteEntries(const std::string& path, std::string_view section,
                     const std::vector<IniEntry>& entries) {
  std::optional<std::string> text = ReadFileForReplace(path);
  if (!text) return false;
  Decoded file = Decode(*text);
  for (const IniEntry& e : entries) UpdateDecoded(file, section, e.key, e.value);
  std::string updated = Encode(file);
  // An unchanged file is not rewritten: no flush to disk for settings that stayed as they were.
  return updated == *text || ReplaceFileContents(path, updated);
}

void IniRemoveLeftovers(const std::string& path) { RemoveLeftovers(path); }

}  // namespace platform
