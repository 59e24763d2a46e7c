#include "elements/settings.h"

#include <fstream>

#include "log_probe.h"
#include "platform/ini_file.h"
#include "support/temp_folder.h"

using namespace hi;
using namespace hi::probe;
namespace fs = std::filesystem;

// A program folder of its own for each test.
class SettingsTest : public ElementTest {
 protected:
  std::string stored(const std::string& section, const std::string& key) {
    return platform::IniReadString(folder + "/rds.ini", section, key, "<none>");
  }
  TempSettingsFolder temp{"settings_test"};
  std::string folder = temp.string();
};

TEST_F(SettingsTest, ReadAndWriteInTheirReadOrders) {
  THIini ini;
  ini.fileName = "rds.ini";
  ini.section = "RDS Settings";
  ini.key = "CT";
  Sink(ini.onRead, "read");
  Call<&THIini::doRead>(ini);  // nothing stored: 0, or an empty text
  ini.type = 1;
  Call<&THIini::doRead>(ini);

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
  EXPECT_EQ(platform::IniReadString(folder + "/alt.ini", "S", "K", ""), "linked");
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

// A remote value on air is not the operator's setting: it is not stored while held, and the
// operator's next write is.
TEST_F(SettingsTest, HeldWritesStayOutOfTheFile) {
  THIini ini;
  ini.fileName = "rds.ini";
  ini.section = "RDS Settings";
  ini.key = "PS";
  ini.type = 1;
  Call<&THIini::doWrite>(ini, D::Str("OWN"));
  {
    HeldSettingWrites held;
    Call<&THIini::doWrite>(ini, D::Str("REMOTE"));
  }
  EXPECT_EQ(stored("RDS Settings", "PS"), "OWN");
  Call<&THIini::doWrite>(ini, D::Str("AFTER"));
  EXPECT_EQ(stored("RDS Settings", "PS"), "AFTER");
}
