#include "elements/settings.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/ini_file.h"

using namespace hi;
namespace fs = std::filesystem;

// A named namespace: GCC gives link<&Helper::method> weak linkage even for helpers in an
// unnamed namespace, so same-named helpers of two test files would be merged.
namespace settings_test {

class Recorder : public TDebug {
 public:
  std::vector<TData> got;
  void doRecord(TData& d, uint16_t) { got.push_back(d.first()); }
};

class Answer : public TDebug {
 public:
  TData value;
  void Value(TData& d, uint16_t) { d = value; }
};

// A program folder of its own for each test.
class SettingsFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetLoopsLive(true);
    std::string pattern = (fs::temp_directory_path() / "settings_test.XXXXXX").string();
    folder_ = ::mkdtemp(pattern.data());
    saved_ = platform::SettingsFolder();
    platform::SetSettingsFolder(folder_);
    link<&Recorder::doRecord>(ini.onRead, out);
    ini.fileName = "rds.ini";
  }
  void TearDown() override {
    platform::SetSettingsFolder(saved_);
    std::error_code ec;
    fs::remove_all(folder_, ec);
  }
  std::string iniPath() const { return folder_ + "/rds.ini"; }
  // Calls the method through the firing loop, which delivers what it forwards.
  template <auto M>
  TData run(TData data) {
    TLink call;
    link<M>(call, ini);
    Fire(call, data);
    return data;
  }

  std::string folder_, saved_;
  THIini ini;
  Recorder out;
};

TData Chain(std::initializer_list<TData> items) {
  TData head;
  for (const TData& d : items) AppendChain(head, d);
  return head;
}

}  // namespace settings_test

using namespace settings_test;

TEST_F(SettingsFolderTest, FileNamesResolveAgainstTheProgramFolder) {
  const std::string cwd = fs::current_path().string();
  fs::current_path(fs::temp_directory_path());
  EXPECT_EQ(ResolveIniPath("rds.ini"), folder_ + "/rds.ini");
  fs::current_path(cwd);
  std::string tmp = fs::temp_directory_path().string();
  if (tmp.back() != '/') tmp += '/';
  EXPECT_EQ(ResolveIniPath("%tmpdir%x.ini"), tmp + "x.ini");
  EXPECT_EQ(ResolveIniPath("%windir%win.ini"), "/etc/win.ini");
  EXPECT_EQ(ResolveIniPath("sub\\x.ini"), "sub/x.ini");
  EXPECT_EQ(ResolveIniPath("/abs/x.ini"), "/abs/x.ini");
}

TEST_F(SettingsFolderTest, ReadGivesZeroOrEmptyForMissingAndTheStoredValueOtherwise) {
  ini.section = "RDS Settings";
  ini.key = "CT";
  run<&THIini::doRead>(TData());
  ini.type = 1;
  run<&THIini::doRead>(TData());
  ASSERT_EQ(out.got.size(), 2u);
  EXPECT_EQ(out.got[0].type, dtInteger);
  EXPECT_EQ(out.got[0].integer, 0);
  EXPECT_EQ(out.got[1].type, dtString);
  EXPECT_EQ(out.got[1].text, "");

  platform::IniWriteString(iniPath(), "rds settings", "ct", " 1x ");
  run<&THIini::doRead>(TData());
  ini.type = 0;
  run<&THIini::doRead>(TData());
  EXPECT_EQ(out.got[2].text, "1x");
  EXPECT_EQ(out.got[3].integer, 1);
}

TEST_F(SettingsFolderTest, WriteReadsValueBeforeKeyAndStoresDecimalText) {
  ini.section = "RDS Settings";
  ini.key = "CT";
  run<&THIini::doWrite>(TData::Int(42));
  EXPECT_EQ(platform::IniReadString(iniPath(), "RDS Settings", "CT"), "42");

  // With Key empty and unlinked, the first value is the value and the second the key.
  ini.type = 1;
  ini.key.clear();
  TData rest = run<&THIini::doWrite>(Chain({TData::Str("Hello"), TData::Str("RT")}));
  EXPECT_EQ(platform::IniReadString(iniPath(), "RDS Settings", "RT"), "Hello");
  EXPECT_TRUE(rest.isNull());
  EXPECT_TRUE(out.got.empty());  // a write fires nothing

  // With the section empty too, the section is taken before the value and the key.
  ini.section.clear();
  run<&THIini::doWrite>(Chain({TData::Str("Other"), TData::Str("v"), TData::Str("k")}));
  EXPECT_EQ(platform::IniReadString(iniPath(), "Other", "k"), "v");

  // Linked inputs win over properties and the incoming value.
  Answer file, section, key, value;
  file.value = TData::Str("alt.ini");
  section.value = TData::Str("S");
  key.value = TData::Str("K");
  value.value = TData::Str("linked");
  link<&Answer::Value>(ini.FileName, file);
  link<&Answer::Value>(ini.Section, section);
  link<&Answer::Value>(ini.Key, key);
  link<&Answer::Value>(ini.Value, value);
  run<&THIini::doWrite>(TData::Str("incoming"));
  run<&THIini::doRead>(TData());
  EXPECT_EQ(platform::IniReadString(folder_ + "/alt.ini", "S", "K"), "linked");
  ASSERT_EQ(out.got.size(), 1u);
  EXPECT_EQ(out.got[0].text, "linked");
}

TEST_F(SettingsFolderTest, WindowPositionKeepsWhatIsNotStored) {
  WindowPosition pos{10, 20, 300, 400};
  EXPECT_FALSE(LoadWindowPosition("", pos));
  SaveWindowPosition("", pos);
  EXPECT_FALSE(fs::exists(iniPath()));

  platform::IniWriteString(iniPath(), "General window", "Top", "-5");
  EXPECT_TRUE(LoadWindowPosition("rds.ini\\General window", pos));
  EXPECT_EQ(pos.left, 10);
  EXPECT_EQ(pos.top, -5);
  EXPECT_EQ(pos.width, 300);

  SaveWindowPosition("rds.ini\\Info window", {-1280, 4, 640, 480});
  WindowPosition back;
  EXPECT_TRUE(LoadWindowPosition("rds.ini\\Info window", back));
  EXPECT_EQ(back.left, -1280);
  EXPECT_EQ(back.height, 480);
  EXPECT_EQ(platform::ReadWholeFile(iniPath()).value_or(""),
            "[General window]\r\nTop=-5\r\n[Info window]\r\nLeft=-1280\r\nTop=4\r\nWidth=640\r\n"
            "Height=480\r\n");
}
