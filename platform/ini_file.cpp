#include "platform/ini_file.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <filesystem>
#include <vector>

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

enum class LineKind { Other, Section, Entry };

struct Line {
  size_t begin = 0;  // first byte of the line
  size_t end = 0;    // end of its content, before "\r\n" or "\n"
  size_t next = 0;   // first byte of the following line
  LineKind kind = LineKind::Other;
  std::string_view name;   // section or key name, trimmed
  std::string_view value;  // entry value, trimmed
  size_t nameBegin = 0;    // offset of the key's first byte
};

// Walks the text line by line; a line ends at "\n", and a "\r" before it belongs to the ending.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}
  bool next(Line& line) {
    if (pos_ >= text_.size()) return false;
    line = Line{};
    line.begin = pos_;
    size_t nl = text_.find('\n', pos_);
    line.next = nl == std::string_view::npos ? text_.size() : nl + 1;
    line.end = nl == std::string_view::npos ? text_.size() : nl;
    if (line.end > line.begin && text_[line.end - 1] == '\r') --line.end;
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
    if (rest.front() == '[') {
      size_t close = rest.rfind(']');
      line.kind = LineKind::Section;
      line.name = Trim(
          rest.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
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

std::string_view LineEnding(std::string_view text) {
  size_t nl = text.find('\n');
  if (nl == std::string_view::npos) return "\r\n";
  return nl > 0 && text[nl - 1] == '\r' ? "\r\n" : "\n";
}

#ifdef _WIN32

// The whole file, or an empty text when it does not exist; nothing when it cannot be read.
std::optional<std::string> ReadForUpdate(const std::string& path) {
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    return missing ? std::optional<std::string>(std::string()) : std::nullopt;
  }
  std::string data;
  std::vector<char> buffer(1 << 16);
  for (;;) {
    DWORD n = 0;
    if (!::ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &n, nullptr)) {
      ::CloseHandle(file);
      return std::nullopt;
    }
    if (n == 0) break;
    data.append(buffer.data(), n);
  }
  ::CloseHandle(file);
  return data;
}

// Writes a new file beside `path`, flushes it and moves it over `path` in one step.
bool ReplaceFileContents(const std::string& path, std::string_view data) {
  std::filesystem::path target(path);
  std::string folder = target.parent_path().string();
  if (folder.empty()) folder = ".";
  char temp[MAX_PATH];
  if (::GetTempFileNameA(folder.c_str(), "ini", 0, temp) == 0) return false;
  HANDLE file =
      ::CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  bool ok = file != INVALID_HANDLE_VALUE;
  while (ok && !data.empty()) {
    DWORD n = 0;
    ok = ::WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &n, nullptr) && n > 0;
    data.remove_prefix(n);
  }
  if (file != INVALID_HANDLE_VALUE) {
    ok = ::FlushFileBuffers(file) && ok;
    ok = ::CloseHandle(file) && ok;
  }
  ok = ok && ::MoveFileExA(temp, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!ok) ::DeleteFileA(temp);
  return ok;
}

#else

// The whole file, or an empty text when it does not exist; nothing when it cannot be read.
std::optional<std::string> ReadForUpdate(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? std::optional<std::string>(std::string()) : std::nullopt;
  std::string data;
  std::vector<char> buffer(1 << 16);
  for (;;) {
    ssize_t n = ::read(fd, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    data.append(buffer.data(), static_cast<size_t>(n));
  }
  ::close(fd);
  return data;
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
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path target(path);
  if (fs::is_symlink(target, ec)) {
    fs::path resolved = fs::weakly_canonical(target, ec);
    if (!ec) target = resolved;
  }
  fs::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  std::string temp = folder.string();
  temp.append("/.").append(target.filename().string()).append(".XXXXXX");
  int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return false;

  struct stat old {};
  mode_t mode;
  if (::stat(target.c_str(), &old) == 0) {
    mode = old.st_mode & 07777;
  } else {
    mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, data) && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  // The rename itself reaches the disk with the folder's entry.
  int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

#endif  // _WIN32

}  // namespace

std::optional<std::string> IniLookup(std::string_view text, std::string_view section,
                                     std::string_view key) {
  std::string wantSection = OneLine(Trim(section));
  std::string wantKey = OneLine(Trim(key));
  LineReader reader(text);
  Line line;
  bool inSection = false;
  while (reader.next(line)) {
    if (line.kind == LineKind::Section) {
      inSection = SameName(line.name, wantSection);
    } else if (inSection && line.kind == LineKind::Entry && SameName(line.name, wantKey)) {
      std::string_view value = line.value;
      if (Enclosed(value)) value = value.substr(1, value.size() - 2);
      return std::string(value.substr(0, kIniMaxValue));
    }
  }
  return std::nullopt;
}

std::string IniUpdate(std::string_view text, std::string_view section, std::string_view key,
                      std::string_view value) {
  std::string wantSection = OneLine(Trim(section));
  std::string wantKey = OneLine(Trim(key));
  std::string newValue = StoredValue(value);
  std::string_view eol = LineEnding(text);

  LineReader reader(text);
  Line line;
  bool inSection = false;
  bool sectionSeen = false;
  bool firstBlockOpen = false;  // still inside the first block of the section
  Line lastInBlock;             // the last non-empty line of that block
  while (reader.next(line)) {
    if (line.kind == LineKind::Section) {
      inSection = SameName(line.name, wantSection);
      firstBlockOpen = inSection && !sectionSeen;
      if (firstBlockOpen) lastInBlock = line;
      sectionSeen = sectionSeen || inSection;
      continue;
    }
    if (inSection && line.kind == LineKind::Entry && SameName(line.name, wantKey)) {
      std::string out(text.substr(0, line.nameBegin));
      out.append(line.name).append("=").append(newValue);
      out.append(text.substr(line.end));
      return out;
    }
    if (firstBlockOpen && !Trim(text.substr(line.begin, line.end - line.begin)).empty())
      lastInBlock = line;
  }

  std::string entry = wantKey + "=" + newValue;
  std::string out;
  if (sectionSeen) {
    out.assign(text.substr(0, lastInBlock.next));
    if (lastInBlock.next == lastInBlock.end) out.append(eol);  // the line had no ending
    out.append(entry).append(eol);
    out.append(text.substr(lastInBlock.next));
    return out;
  }
  out.assign(text);
  if (!out.empty() && out.back() != '\n') out.append(eol);
  out.append("[").append(wantSection).append("]").append(eol);
  out.append(entry).append(eol);
  return out;
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
  std::optional<std::string> text = ReadForUpdate(path);
  if (!text) return false;
  std::string updated = IniUpdate(*text, section, key, value);
  return updated == *text || ReplaceFileContents(path, updated);
}

bool IniWriteEntries(const std::string& path, std::string_view section,
                     const std::vector<IniEntry>& entries) {
  std::optional<std::string> text = ReadForUpdate(path);
  if (!text) return false;
  std::string updated = *text;
  for (const IniEntry& e : entries) updated = IniUpdate(updated, section, e.key, e.value);
  // An unchanged file is not rewritten: no flush to disk for settings that stayed as they were.
  return updated == *text || ReplaceFileContents(path, updated);
}

}  // namespace platform
