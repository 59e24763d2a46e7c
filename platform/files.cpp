#include "platform/files.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string_view>

#include "platform/codepage.h"

namespace platform {

namespace {
std::string gSettingsFolder;

// A 64 KiB text takes a few reads; the tests change the file between them.
constexpr size_t kChunk = 16u << 10;

struct Bounded {
  std::string bytes;
  bool cut = false;  // the file goes on beyond the bytes read
};

#ifdef _WIN32

// Reads at most `maxBytes`, never past them. With `steady`, nothing when the file's size or
// modification time moved while it was read. `missing` tells a file that does not exist from
// one that cannot be read.
std::optional<Bounded> ReadBounded(const std::string& path, size_t maxBytes, bool steady,
                                   const std::function<void()>& afterChunk,
                                   bool* missing = nullptr) {
  if (path.empty()) return std::nullopt;
  // A writer that shares no reading makes the open fail: the file is skipped while it is busy.
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    if (missing) *missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    return std::nullopt;
  }
  BY_HANDLE_FILE_INFORMATION before{}, after{};
  if (!::GetFileInformationByHandle(file, &before) ||
      (before.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
      ::GetFileType(file) != FILE_TYPE_DISK) {
    ::CloseHandle(file);
    return std::nullopt;
  }
  Bounded out;
  const uint64_t size = (uint64_t{before.nFileSizeHigh} << 32) | before.nFileSizeLow;
  out.bytes.reserve(static_cast<size_t>(std::min<uint64_t>(maxBytes, size)));
  char buffer[kChunk];
  while (out.bytes.size() < maxBytes) {
    DWORD n = 0;
    const DWORD want = static_cast<DWORD>(std::min(kChunk, maxBytes - out.bytes.size()));
    if (!::ReadFile(file, buffer, want, &n, nullptr)) {
      ::CloseHandle(file);
      return std::nullopt;
    }
    if (n == 0) break;
    out.bytes.append(buffer, n);
    if (afterChunk) afterChunk();
  }
  const bool read = ::GetFileInformationByHandle(file, &after) != 0;
  ::CloseHandle(file);
  if (!read) return std::nullopt;
  const bool same = before.nFileSizeHigh == after.nFileSizeHigh &&
                    before.nFileSizeLow == after.nFileSizeLow &&
                    ::CompareFileTime(&before.ftLastWriteTime, &after.ftLastWriteTime) == 0;
  if (steady && !same) return std::nullopt;
  const uint64_t now = (uint64_t{after.nFileSizeHigh} << 32) | after.nFileSizeLow;
  out.cut = now > out.bytes.size();
  return out;
}

#else

class FileHandle {
 public:
  explicit FileHandle(const std::string& path)
      // Non-blocking so that a FIFO in place of the file cannot hang the open.
      : fd_(path.empty() ? -1
                         : ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK)) {}
  ~FileHandle() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};

bool SameSizeAndTime(const struct stat& a, const struct stat& b) {
  return a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
         a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

// A writer holding a write lock on the file is still in the middle of it.
bool WriteLockedByOther(int fd) {
  struct flock probe {};
  probe.l_type = F_RDLCK;
  probe.l_whence = SEEK_SET;
#ifdef F_OFD_GETLK
  // Unlike F_GETLK this also sees a lock taken through another descriptor of this process.
  if (::fcntl(fd, F_OFD_GETLK, &probe) == 0) return probe.l_type != F_UNLCK;
  probe = {};
  probe.l_type = F_RDLCK;
  probe.l_whence = SEEK_SET;
#endif
  return ::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
}

// Reads at most `maxBytes`, never past them. With `steady`, nothing when the file is
// write-locked or its size or modification time moved while it was read. `missing` tells a file
// that does not exist from one that cannot be read.
std::optional<Bounded> ReadBounded(const std::string& path, size_t maxBytes, bool steady,
                                   const std::function<void()>& afterChunk,
                                   bool* missing = nullptr) {
  FileHandle file(path);
  if (file.fd() < 0) {
    if (missing) *missing = !path.empty() && errno == ENOENT;
    return std::nullopt;
  }
  struct stat before {};
  if (::fstat(file.fd(), &before) != 0 || !S_ISREG(before.st_mode)) return std::nullopt;
  if (steady && WriteLockedByOther(file.fd())) return std::nullopt;
  Bounded out;
  out.bytes.reserve(std::min(maxBytes, static_cast<size_t>(before.st_size)));
  char buffer[kChunk];
  while (out.bytes.size() < maxBytes) {
    const ssize_t n = ::read(file.fd(), buffer, std::min(kChunk, maxBytes - out.bytes.size()));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) break;
    out.bytes.append(buffer, static_cast<size_t>(n));
    if (afterChunk) afterChunk();
  }
  struct stat after {};
  if (::fstat(file.fd(), &after) != 0) return std::nullopt;
  if (steady && !SameSizeAndTime(before, after)) return std::nullopt;
  out.cut = static_cast<size_t>(after.st_size) > out.bytes.size();
  return out;
}

#endif  // _WIN32

bool IsAscii(std::string_view text) {
  unsigned char any = 0;
  for (char c : text) any |= static_cast<unsigned char>(c);
  return any < 0x80;
}
}  // namespace

std::string DecodeText(std::string bytes, bool cut) {
  std::string_view view(bytes);
  const bool bom = view.substr(0, 3) == "\xEF\xBB\xBF";
  if (bom) view.remove_prefix(3);
  // Most titles are plain ASCII: the same in both encodings, nothing to convert.
  if (IsAscii(view)) return bom ? std::string(view) : bytes;
  const size_t tail = Utf8IncompleteTail(view);
  const std::string_view body = view.substr(0, view.size() - tail);
  if (bom) return Utf8ToCp1252(body);
  if (!IsValidUtf8(body)) return bytes;
  // One lead byte ending a whole file of plain ASCII is as likely a code-page letter (the "é" of
  // a title ending in "cherché") as a character the writer had not finished; without UTF-8
  // earlier in the text or our own limit cutting it, it stays a letter.
  if (tail == 1 && !cut && IsAscii(body)) return bytes;
  return Utf8ToCp1252(body);
}

std::string TextFileProblem(const std::string& path) {
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(path, ec);
  if (!std::filesystem::exists(status)) return "no such file";
  if (!std::filesystem::is_regular_file(status)) return "not a regular file";
#ifdef _WIN32
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return ::GetLastError() == ERROR_ACCESS_DENIED ? "permission denied" : "";
  ::CloseHandle(file);
#else
  if (::access(path.c_str(), R_OK) != 0 && errno == EACCES) return "permission denied";
#endif
  return "";
}

bool IsRegularFile(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

std::optional<std::string> ReadWholeFile(const std::string& path, size_t maxBytes) {
  std::optional<Bounded> read = ReadBounded(path, maxBytes, false, {});
  if (!read) return std::nullopt;
  return std::move(read->bytes);
}

std::optional<std::string> ReadFileForReplace(const std::string& path, size_t maxBytes) {
  bool missing = false;
  std::optional<Bounded> read = ReadBounded(path, maxBytes, false, {}, &missing);
  if (!read) return missing ? std::optional<std::string>(std::string()) : std::nullopt;
  if (read->cut) return std::nullopt;
  return std::move(read->bytes);
}

namespace detail {
std::optional<std::string> ReadTextFile(const std::string& path, size_t maxBytes,
                                        const std::function<void()>& afterChunk) {
  std::optional<Bounded> read = ReadBounded(path, maxBytes, true, afterChunk);
  if (!read) return std::nullopt;
  return DecodeText(std::move(read->bytes), read->cut);
}
}  // namespace detail

std::optional<std::string> ReadTextFile(const std::string& path, size_t maxBytes) {
  return detail::ReadTextFile(path, maxBytes, {});
}

const std::string& SettingsFolder() {
  if (gSettingsFolder.empty()) {
    std::error_code ec;
    gSettingsFolder = std::filesystem::current_path(ec).string();
    if (gSettingsFolder.empty()) gSettingsFolder = ".";
    gSettingsFolder += '/';
  }
  return gSettingsFolder;
}

void SetSettingsFolder(const std::string& folder) {
  gSettingsFolder = folder;
  if (!gSettingsFolder.empty() && gSettingsFolder.back() != '/' && gSettingsFolder.back() != '\\')
    gSettingsFolder += '/';
}

}  // namespace platform
