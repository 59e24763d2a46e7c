#include "platform/ini_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/files.h"
#include "support/temp_folder.h"

using namespace platform;
namespace fs = std::filesystem;

namespace {

class IniFileTest : public ::testing::Test {
 protected:
  size_t entries() const {
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir), {}));
  }
  TempFolder folder{"ini_test"};
  std::string dir = folder.string();
  std::string path = dir + "/rds.ini";
};

void Put(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}
std::string Get(const std::string& path) { return ReadWholeFile(path).value_or("<missing>"); }

// The bytes of a UTF-16 file.
std::string Utf16(std::u16string_view text, bool bigEndian) {
  std::string out;
  for (char16_t unit : text) {
    const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
    out += bigEndian ? high : low;
    out += bigEndian ? low : high;
  }
  return out;
}

}  // namespace

TEST(IniFile, LookupFollowsTheProfileRules) {
  const std::string text =
      "; comment=not a key\r\n"
      "orphan=before any section\r\n"
      "[ General Window ]\r\n"
      "  Left =  12 \r\n"
      "left=99\r\n"
      "no equals sign here\r\n"
      "[Other]\r\n"
      "Left=7\r\n"
      "[general window]\r\n"
      "Top=-30\r\n"
      "[broken\r\n"   // no section: its lines stay in the one before
      "#Hash=1\r\n";  // no comment either
  EXPECT_EQ(IniLookup(text, "GENERAL WINDOW", "LEFT"), "12");  // first entry wins, blanks dropped
  EXPECT_EQ(IniLookup(text, "General window", "Top"), "-30");  // a repeated section still counts
  EXPECT_EQ(IniLookup(text, "Other", "Left"), "7");
  EXPECT_EQ(IniLookup(text, "General window", "#Hash"), "1");
  for (auto [section, key] : {std::pair{"General window", "no equals sign here"},
                              {"", "orphan"},
                              {"General window", "Width"},
                              {"broken", "#Hash"},
                              {"Missing", "Left"}})
    EXPECT_FALSE(IniLookup(text, section, key)) << key;

  std::string longValue(40000, 'x');
  EXPECT_EQ(IniLookup("[S]\nK=" + longValue + "\n", "S", "K")->size(), kIniMaxValue);
}

TEST(IniFile, UpdateKeepsEveryOtherByte) {
  const std::string text =
      "; settings\r\n"
      "[RDS Settings]\r\n"
      "  PI = 7C6F\r\n"
      "garbage line\r\n"
      "\r\n"
      "[Other]\n"  // mixed endings are kept as they are
      "X=1";
  EXPECT_EQ(IniUpdate(text, "rds settings", "pi", "1234"),
            "; settings\r\n[RDS Settings]\r\n  PI=1234\r\ngarbage line\r\n\r\n[Other]\nX=1");
  // A new key goes behind the last line of its section, before the blank separator.
  EXPECT_EQ(IniUpdate(text, "RDS Settings", "CT", "1"),
            "; settings\r\n[RDS Settings]\r\n  PI = 7C6F\r\ngarbage line\r\nCT=1\r\n\r\n"
            "[Other]\nX=1");
  EXPECT_EQ(IniUpdate(text, "New", "K", "v"), text + "\r\n[New]\r\nK=v\r\n");
  EXPECT_EQ(IniUpdate("", "S", "K", "v"), "[S]\r\nK=v\r\n");
  EXPECT_EQ(IniUpdate("[S]\n", "S", "K", "v"), "[S]\nK=v\n");

  // A value cannot start a line of its own.
  std::string injected = IniUpdate(text, "Other", "X", "a\r\n[RDS Settings]\nPI=0000");
  EXPECT_EQ(IniLookup(injected, "Other", "X"), "a  [RDS Settings] PI=0000");
  EXPECT_EQ(IniLookup(injected, "RDS Settings", "PI"), "7C6F");
  EXPECT_EQ(IniLookup(IniUpdate("", "A\n[B", "K\nL", "v"), "A [B", "K L"), "v");
}

TEST(IniFile, EveryLineEndOfOtherSystemsEndsALine) {
  struct Case {
    std::string eol, newEol;
  };
  for (const Case& c : {Case{"\n", "\n"}, {"\r\n", "\r\n"}, {"\r", "\r"}, {"\r\r\n", "\r\n"}}) {
    const std::string& e = c.eol;
    const std::string text = "[S]" + e + "K=v" + e + "L=w" + e + "[T]" + e + "X=1";
    EXPECT_EQ(IniLookup(text, "S", "L"), "w");
    EXPECT_EQ(IniUpdate(text, "S", "K", "new"),
              "[S]" + e + "K=new" + e + "L=w" + e + "[T]" + e + "X=1");
    EXPECT_EQ(IniUpdate(text, "S", "M", "x"),
              "[S]" + e + "K=v" + e + "L=w" + e + "M=x" + c.newEol + "[T]" + e + "X=1");
    // Behind a last line without an ending, never glued onto it.
    EXPECT_EQ(IniUpdate(text, "T", "Y", "2"), text + c.newEol + "Y=2" + c.newEol);
  }
  const std::string mixed = "[S]\r\nK=v\rL=keep\r\n";
  EXPECT_EQ(IniUpdate(mixed, "S", "K", "new"), "[S]\r\nK=new\rL=keep\r\n");
  EXPECT_EQ(IniLookup(mixed, "S", "L"), "keep");
}

TEST(IniFile, UnicodeFilesKeepTheirEncoding) {
  // UTF-8 behind its mark; the program's "\xE9" and "\x80" are "é" and "€" there.
  const std::string bom = "\xEF\xBB\xBF";
  const std::string utf8 = bom +
                           "[Select device]\r\nCOM Port=COM 3\r\nName=Caf\xC3\xA9\r\n"
                           "Note=\xCE\xA9\r\n";
  EXPECT_EQ(IniLookup(utf8, "Select device", "COM Port"), "COM 3");
  EXPECT_EQ(IniLookup(utf8, "Select device", "Name"), "Caf\xE9");
  EXPECT_EQ(IniLookup(utf8, "Select device", "Note"), "O");  // an omega, in Latin letters
  EXPECT_EQ(IniUpdate(utf8, "select device", "Name", "\x80 1"),
            bom +
                "[Select device]\r\nCOM Port=COM 3\r\nName=\xE2\x82\xAC 1\r\n"
                "Note=\xCE\xA9\r\n");
  EXPECT_EQ(IniUpdate(utf8, "Select device", "Device", "\xE9"), utf8 + "Device=\xC3\xA9\r\n");
  EXPECT_EQ(IniUpdate(bom, "S", "K", "v"), bom + "[S]\r\nK=v\r\n");

  // UTF-16 in both byte orders, with LF line ends, a character beyond 16 bits and a lone
  // surrogate in lines that must come back as they were.
  const std::u16string untouched =
      u"Note=\u03A9\U0001F4FB"
      u"\xD800"
      u"x\n";
  for (bool big : {false, true}) {
    const std::string text = Utf16(u"\uFEFF[S]\nK=Caf\u00E9\n" + untouched, big);
    EXPECT_EQ(IniLookup(text, "S", "K"), "Caf\xE9") << big;
    EXPECT_EQ(IniUpdate(text, "S", "K", "\x80uro"),
              Utf16(u"\uFEFF[S]\nK=\u20ACuro\n" + untouched, big));
    EXPECT_EQ(IniUpdate(text, "T", "L", "1"),
              Utf16(u"\uFEFF[S]\nK=Caf\u00E9\n" + untouched + u"[T]\nL=1\n", big));
    EXPECT_EQ(IniUpdate(text, "S", "K", "Caf\xE9"), text);
  }
}

TEST_F(IniFileTest, LeftoversOfKilledWritesGoAndNothingElse) {
  const std::vector<std::string> kept = {".rds.ini.Ab12C",  ".rds.ini.Ab12Cd.x",
                                         ".rds.ini.Ab-2Cd", ".other.ini.Ab12Cd",
                                         "rds.ini.Ab12Cd",  "rds.ini"};
  for (const std::string& name : kept) Put(dir + "/" + name, "x");
  fs::create_directory(dir + "/.rds.ini.Fold3r");
  Put(dir + "/.rds.ini.Ab12Cd", "left by a killed write");
  // A write still under way holds its lock.
  Put(dir + "/.rds.ini.busy00", "being written");
  int busy = ::open((dir + "/.rds.ini.busy00").c_str(), O_RDONLY);
  ASSERT_EQ(::flock(busy, LOCK_EX), 0);
  IniRemoveLeftovers(path);
  ::close(busy);
  EXPECT_FALSE(fs::exists(dir + "/.rds.ini.Ab12Cd"));
  EXPECT_EQ(entries(), kept.size() + 2);
}

TEST_F(IniFileTest, FilesRoundTripAndMissingPartsAreCreated) {
  ASSERT_TRUE(IniWriteString(path, "Info window", "Left", "-1280"));
  ASSERT_TRUE(IniWriteString(path, "Info window", "Top", "12abc"));
  ASSERT_TRUE(IniWriteString(path, "Info window", "Width", ""));
  ASSERT_TRUE(IniWriteString(path, "Info window", "Height", "abc"));
  EXPECT_EQ(IniReadInt(path, "info WINDOW", "left", 0), -1280);
  EXPECT_EQ(IniReadInt(path, "Info window", "Top", 0), 12);
  EXPECT_EQ(IniReadInt(path, "Info window", "Width", 7), 7);  // empty value: the default
  EXPECT_EQ(IniReadInt(path, "Info window", "Height", 7), 0);
  EXPECT_EQ(Get(path), "[Info window]\r\nLeft=-1280\r\nTop=12abc\r\nWidth=\r\nHeight=abc\r\n");
  EXPECT_EQ(entries(), 1u);  // no temporary file left behind

  ASSERT_TRUE(IniWriteEntries(path, "Info window", {{"Left", "1"}, {"Depth", "2"}}));
  EXPECT_EQ(Get(path),
            "[Info window]\r\nLeft=1\r\nTop=12abc\r\nWidth=\r\nHeight=abc\r\nDepth=2\r\n");

  // Writing through a link replaces the file it points to, not the link.
  const std::string link = dir + "/link.ini";
  fs::create_symlink(path, link);
  ASSERT_TRUE(IniWriteString(link, "Info window", "Left", "2"));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(IniReadString(path, "Info window", "Left"), "2");
}

TEST_F(IniFileTest, BlanksAndQuotesSurviveARoundTrip) {
  const std::vector<std::string> values = {"  RADIO ", "\"quoted\"", "'x'",   "a\"b",
                                           "",         "\"",         "\tlead"};
  for (size_t i = 0; i < values.size(); ++i)
    ASSERT_TRUE(IniWriteString(path, "S", "K" + std::to_string(i), values[i]));
  for (size_t i = 0; i < values.size(); ++i)
    EXPECT_EQ(IniReadString(path, "S", "K" + std::to_string(i), "<none>"), values[i]) << i;
  EXPECT_EQ(Get(path),
            "[S]\r\nK0=\"  RADIO \"\r\nK1=\"\"quoted\"\"\r\nK2=\"'x'\"\r\nK3=a\"b\r\nK4=\r\n"
            "K5=\"\r\nK6=\"\tlead\"\r\n");
  ASSERT_TRUE(IniWriteString(path, "S", "N", "-40 "));
  EXPECT_EQ(IniReadInt(path, "S", "N", 1), -40);

  // Files written by hand: one pair of matching quotes goes, anything else stays.
  Put(path, "[S]\nA = \"  12\" \nB='it''s'\nC=\"mixed'\nD=\"7\"\nE=''\n");
  EXPECT_EQ(IniReadString(path, "S", "A"), "  12");
  EXPECT_EQ(IniReadString(path, "S", "B"), "it''s");
  EXPECT_EQ(IniReadString(path, "S", "C"), "\"mixed'");
  EXPECT_EQ(IniReadInt(path, "S", "D", 1), 7);
  EXPECT_EQ(IniReadString(path, "S", "E", "<none>"), "");
}

TEST_F(IniFileTest, UnchangedWriteLeavesTheFileAlone) {
  Put(path, "[S]\r\nK=v\r\nL=\" x\"\r\n");
  // A second name for the file: a replacement would leave it behind on the old file.
  fs::create_hard_link(path, dir + "/old.ini");
  EXPECT_TRUE(IniWriteString(path, "s", "k", "v"));
  EXPECT_TRUE(IniWriteEntries(path, "S", {{"K", "v"}, {"L", " x"}}));
  EXPECT_EQ(fs::hard_link_count(path), 2u);
  EXPECT_TRUE(IniWriteString(path, "S", "K", "w"));
  EXPECT_EQ(fs::hard_link_count(path), 1u);
  EXPECT_EQ(entries(), 2u);
}

TEST_F(IniFileTest, WhatIsNoFileReadsAsMissingAndIsNotWritten) {
  EXPECT_EQ(IniReadString(dir, "S", "K", "d"), "d");  // a folder is no file
  EXPECT_FALSE(IniWriteString(dir, "S", "K", "v"));
  EXPECT_FALSE(IniWriteString(dir + "/missing/rds.ini", "S", "K", "v"));
}

TEST_F(IniFileTest, FailedWriteLeavesTheOldFile) {
  const std::string old = "[S]\r\nK=old\r\n";
  Put(path, old);
  // A disk that fills up in the middle of the write: the file-size limit makes write() fail.
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{4096, 4096};
    setrlimit(RLIMIT_FSIZE, &limit);
    _exit(IniWriteString(path, "S", "K", std::string(100000, 'n')) ? 1 : 0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the failed write was reported as done";
  EXPECT_EQ(Get(path), old);
  EXPECT_EQ(entries(), 1u);
}
