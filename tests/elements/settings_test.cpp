#include "elements/settings.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "log_probe.h"
#include "platform/files.h"
#include "platform/ini_file.h"
#include "support/temp_folder.h"

using namespace hi;
using namespace hi::probe;
namespace fs = std::filesystem;

// A program folder of its own for each test.
class SettingsTest : public ElementTest {
 protected:
  void SetUp() override {
    ElementTest::SetUp();
    ASSERT_FALSE(folder.empty());
    saved = platform::SettingsFolder();
    platform::SetSettingsFolder(folder);
  }
  void TearDown() override { platform::SetSettingsFolder(saved); }
  std::string stored(const std::string& section, const std::string& key) {
    return platform::IniReadString(folder + "/rds.ini", section, key, "<none>");
  }
  TempFolder temp{"settings_test"};
  std::string folder = temp.string(), saved;
};

TEST_F(SettingsTest, FileNamesResolveAgainstTheProgramFolder) {
  const fs::path cwd = fs::current_path();
  fs::current_path(fs::temp_directory_path());
  EXPECT_EQ(ResolveIniPath("rds.ini"), folder + "/rds.ini");
  fs::current_path(cwd);
  std::string temp = (fs::temp_directory_path() / "x.ini").string();
  std::replace(temp.begin(), temp.end(), '\\', '/');
  EXPECT_EQ(ResolveIniPath("%tmpdir%x.ini"), temp);
  EXPECT_EQ(ResolveIniPath("sub\\x.ini"), "sub/x.ini");
  EXPECT_EQ(ResolveIniPath("/abs/x.ini"), "/abs/x.ini");
}

TEST_F(SettingsTest, ReadAndWriteInTheirReadOrders) {
  THIini ini;
  ini.fileName = "rds.ini";
  ini.section = "RDS Settings";
  ini.key = "CT";
  Sink(ini.onRead, "read");
  Call<&THIini::doRead>(ini);
  ini.type = 1;
  Call<&THIini::doRead>(ini);
  ini.type = 0;
  Call<&THIini::doWrite>(ini, D::Int(42));
  EXPECT_EQ(stored("rds settings", "ct"), "42");

  // With Key empty and unlinked, the first value is the value and the second the key; with the
  // section empty too, the section comes first.
  ini.type = 1;
  ini.key.clear();
  Call<&THIini::doWrite>(ini, Chain({D::Str("Hello"), D::Str("RT")}));
  ini.section.clear();
  Call<&THIini::doWrite>(ini, Chain({D::Str("Other"), D::Str("v"), D::Str("k")}));
  Call<&THIini::doRead>(ini, Chain({D::Str("RDS Settings"), D::Str("RT")}));
  EXPECT_EQ(stored("Other", "k"), "v");

  // Linked inputs win over the properties and the incoming value.
  Source(ini.FileName, D::Str("alt.ini"), "file");
  Source(ini.Section, D::Str("S"), "section");
  Source(ini.Key, D::Str("K"), "key");
  Source(ini.Value, D::Str("linked"), "value");
  Call<&THIini::doWrite>(ini, D::Str("incoming"));
  Call<&THIini::doRead>(ini);
  EXPECT_EQ(gLog,
            (Log{"read i:0", "read s:", "read s:Hello", "read file", "read section", "read value",
                 "read key", "read file", "read section", "read key", "read s:linked"}));
}

TEST_F(SettingsTest, StoredTextReadsWithoutControlCharacters) {
  std::ofstream(folder + "/rds.ini", std::ios::binary)
      << std::string("[RDS Settings]\nRT=A\tB\x0bSM\x7F\xE9\nPS=X") + '\0' + "Y\n";
  THIini ini;
  ini.fileName = "rds.ini";
  ini.section = "RDS Settings";
  ini.type = 1;
  Sink(ini.onRead, "read");
  for (const char* key : {"RT", "PS"}) {
    ini.key = key;
    Call<&THIini::doRead>(ini);
  }
  EXPECT_EQ(gLog, (Log{"read s:A B SM \xE9", "read s:X Y"}));
}

TEST_F(SettingsTest, WindowPositionKeepsWhatIsNotStored) {
  WindowPosition pos{10, 20, 300, 400};
  EXPECT_FALSE(LoadWindowPosition("", pos));
  SaveWindowPosition("", pos);
  EXPECT_FALSE(fs::exists(folder + "/rds.ini"));

  ASSERT_TRUE(platform::IniWriteString(folder + "/rds.ini", "General window", "Top", "-5"));
  EXPECT_TRUE(LoadWindowPosition("rds.ini\\General window", pos));
  EXPECT_EQ((std::tuple{pos.left, pos.top, pos.width}), (std::tuple{10, -5, 300}));
  SaveWindowPosition("rds.ini\\Info window", {-1280, 4, 640, 480});
  EXPECT_EQ(platform::ReadWholeFile(folder + "/rds.ini").value_or(""),
            "[General window]\r\nTop=-5\r\n[Info window]\r\nLeft=-1280\r\nTop=4\r\nWidth=640\r\n"
            "Height=480\r\n");
}
