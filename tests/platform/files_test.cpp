#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <utility>

#include "platform/codepage.h"
#include "platform/files.h"
#include "support/temp_folder.h"

using namespace platform;
namespace fs = std::filesystem;

namespace {

// What read() calls of this process have returned so far ("rchar"), or -1 where the kernel
// does not count it.
long long BytesReadByThisProcess() {
  std::ifstream io("/proc/self/io");
  std::string key;
  long long value;
  while (io >> key >> value)
    if (key == "rchar:") return value;
  return -1;
}

class Files : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(dir_.empty()); }
  // Written, then dated a while back, as a file the automation wrote earlier.
  std::string Write(const std::string& bytes) {
    const std::string path = (dir_ / "np.txt").string();
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::seconds(10));
    return path;
  }
  TempFolder temp_{"rds-files"};
  fs::path dir_ = temp_.path();
};

TEST_F(Files, ReadsStopAtTheLimit) {
  std::string big(200'000, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>('a' + i % 26);
  const std::string path = Write(big);
  EXPECT_EQ(ReadWholeFile(path, 100'000), big.substr(0, 100'000));
  EXPECT_EQ(ReadWholeFile(path), big);

  big.resize(16u << 20, 'z');
  Write(big);
  const long long before = BytesReadByThisProcess();
  const std::optional<std::string> text = ReadTextFile(path);
  const long long after = BytesReadByThisProcess();
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ(*text, big.substr(0, kTextFileLimit));
  // Reading on and cutting afterwards would give the same text at the cost of the whole file.
  if (before >= 0 && after >= 0) {
    EXPECT_LT(after - before, 2 * static_cast<long long>(kTextFileLimit));
  }
}

TEST_F(Files, AFileChangingDuringTheReadIsDropped) {
  const std::string path = Write(std::string(40'000, 'A'));
  // Each rewrite happens after the first piece has been read, so what was read is half old.
  auto readWhile = [&](auto rewrite) {
    bool done = false;
    return detail::ReadTextFile(path, kTextFileLimit, [&] {
      if (!std::exchange(done, true)) rewrite();
    });
  };
  auto sameSize = [&] { std::ofstream(path, std::ios::binary) << std::string(40'000, 'B'); };
  auto shorter = [&] { std::ofstream(path, std::ios::binary) << "Artist - Title"; };
  auto appended = [&] { std::ofstream(path, std::ios::binary | std::ios::app) << "more"; };
  EXPECT_FALSE(readWhile(sameSize).has_value());
  EXPECT_EQ(ReadTextFile(path), std::string(40'000, 'B'));
  Write(std::string(40'000, 'A'));
  EXPECT_FALSE(readWhile(shorter).has_value());
  EXPECT_EQ(ReadTextFile(path), "Artist - Title");
  EXPECT_FALSE(readWhile(appended).has_value());
  EXPECT_EQ(ReadTextFile(path), "Artist - Titlemore");
  EXPECT_EQ(readWhile([] {}), "Artist - Titlemore");

  // A writer's lock means it is still writing; a reader's lock does not.
#ifdef _WIN32
  for (DWORD share : {DWORD{0}, DWORD{FILE_SHARE_READ}}) {
    HANDLE writer = ::CreateFileA(path.c_str(), GENERIC_WRITE, share, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ReadTextFile(path).has_value(), share != 0) << share;
    ::CloseHandle(writer);
  }
#else
  const int fd = ::open(path.c_str(), O_RDWR);
  ASSERT_GE(fd, 0);
  struct flock lock {};
  lock.l_whence = SEEK_SET;
  for (short type : {F_WRLCK, F_RDLCK}) {
    lock.l_type = type;
    ASSERT_EQ(::fcntl(fd, F_SETLK, &lock), 0);
    EXPECT_EQ(ReadTextFile(path).has_value(), type == F_RDLCK) << type;
  }
  ::close(fd);
#endif
}

TEST_F(Files, Utf8CutAtTheEndIsDroppedOtherBytesAreTheCodePage) {
  struct Case {
    std::string bytes, text;
  };
  const Case cases[] = {
      {"Bj\xC3\xB6rk - J\xC3", "Bj\xF6rk - J"},              // cut behind UTF-8
      {"Caf\xC3\xA9 5 \xE2\x82", "Caf\xE9 5 "},              // two bytes of a euro sign
      {"\xEF\xBB\xBFK\xC3\xB6ln \xF0\x9F\x8E", "K\xF6ln "},  // marked, three bytes of four
      {"\xEF\xBB\xBFTop 40 \xE2", "Top 40 "},
      {"J'ai cherch\xE9", "J'ai cherch\xE9"},    // a whole code-page file ending in a letter
      {"K\xF6ln \xC3\xA9", "K\xF6ln \xC3\xA9"},  // not UTF-8: byte for byte
      {"Caf\xC3\xA9\xA9", "Caf\xC3\xA9\xA9"},    // broken, not cut
      {"\xED\xA0", "\xED\xA0"},                  // a surrogate is never UTF-8
  };
  for (const Case& c : cases) EXPECT_EQ(ReadTextFile(Write(c.bytes)), c.text) << c.bytes;
  EXPECT_EQ(ReadTextFile(Write("\xEF\xBB\xBFK\xC3\xB6ln")), "K\xF6ln");
  EXPECT_EQ(ReadTextFile(Write("K\xC3\xB6ln")), "K\xF6ln");
  EXPECT_FALSE(ReadTextFile((dir_ / "missing.txt").string()).has_value());
  EXPECT_FALSE(ReadTextFile(dir_.string()).has_value());  // a folder is not a file
  // When our own limit cuts the character, a single lead byte behind ASCII is dropped too.
  const std::string path = Write("Cherche \xC3\xA9t\xC3\xA9");
  EXPECT_EQ(ReadTextFile(path, 9), "Cherche ");
  EXPECT_EQ(ReadTextFile(path, 10), "Cherche \xE9");
}

}  // namespace
