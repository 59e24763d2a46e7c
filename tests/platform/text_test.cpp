#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/codepage.h"
#include "platform/files.h"

using namespace platform;

TEST(CodePage, RoundTripsAndUnknownCharacters) {
  EXPECT_EQ(Utf8ToCp1252("Caf\xC3\xA9 \xE2\x82\xAC"), "Caf\xE9 \x80");
  EXPECT_EQ(Cp1252ToUtf8("Caf\xE9 \x80"), "Caf\xC3\xA9 \xE2\x82\xAC");
  EXPECT_EQ(Utf8ToCp1252("\xE4\xB8\xAD"), "?");  // not in the code page
  EXPECT_EQ(Utf8ToCp1252("a\xFF"
                         "b"),
            "a?b");                      // broken UTF-8
  EXPECT_EQ(Utf8ToCp1252("\xC3"), "?");  // cut sequence
  for (int b = 0; b < 256; ++b) {
    std::string one(1, static_cast<char>(b));
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(one)), one) << b;
  }
}

TEST(CodePage, BlankControlsKeepsTextBytes) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const std::string clean = BlankControls(all);
  ASSERT_EQ(clean.size(), 256u);
  for (int b = 0; b < 256; ++b)
    EXPECT_EQ(clean[b], b < 32 || b == 127 ? ' ' : static_cast<char>(b)) << b;
}

TEST(TextFiles, Utf8WithOrWithoutMarkIsConvertedOtherFilesAreBytes) {
  auto dir = std::filesystem::temp_directory_path() / ("rds-text-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  auto write = [&](const char* name, const std::string& bytes) {
    std::ofstream(dir / name, std::ios::binary) << bytes;
    return (dir / name).string();
  };
  EXPECT_EQ(ReadTextFile(write("bom.txt", "\xEF\xBB\xBFK\xC3\xB6ln")), "K\xF6ln");
  EXPECT_EQ(ReadTextFile(write("utf8.txt", "K\xC3\xB6ln")), "K\xF6ln");
  EXPECT_EQ(ReadTextFile(write("ansi.txt", "K\xF6ln")), "K\xF6ln");
  EXPECT_FALSE(ReadTextFile((dir / "missing.txt").string()).has_value());
  EXPECT_FALSE(ReadTextFile(dir.string()).has_value());  // a folder is not a file
  std::filesystem::remove_all(dir);
}
