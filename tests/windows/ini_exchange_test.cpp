// rds.ini moves between the Linux and the Windows program unchanged: what one side writes, the
// host's own profile functions read, and the other way round.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "elements/settings.h"
#include "platform/ini_file.h"
#include "support/temp_folder.h"

namespace {

struct Entry {
  const char* section;
  const char* key;
  std::string value;
};

// Text in the program's code page, an equals sign and a semicolon inside a value, a number and
// an empty value: what the panels store.
const std::vector<Entry> kEntries = {
    {"RDS Settings", "PS", "RADIO 1"},
    {"RDS Settings", "PI", "7C6F"},
    {"RDS Settings", "RT", "Caf\xE9 M\xFCller \x80 5 = 5; ok"},
    {"General window", "Left", "-1280"},
    {"Dynamic PS", "File", "C:\\Program Files\\Automation\\np.txt"},
    {"Dynamic PS", "Mask", ""},
};

std::string HostRead(const std::string& path, const Entry& e) {
  char buffer[32768];
  const DWORD n =
      GetPrivateProfileStringA(e.section, e.key, "<none>", buffer, sizeof buffer, path.c_str());
  return std::string(buffer, n);
}

}  // namespace

TEST(IniExchange, OursReadByTheHostAndTheHostsReadByUs) {
  ASSERT_EQ(GetACP(), 1252u) << "the exchange is in Windows-1252";
  TempFolder folder("rds-ini");
  const std::string ours = (folder.path() / "rds.ini").string();
  const std::string hosts = (folder.path() / "host.ini").string();
  for (const Entry& e : kEntries) {
    ASSERT_TRUE(platform::IniWriteString(ours, e.section, e.key, e.value));
    ASSERT_TRUE(WritePrivateProfileStringA(e.section, e.key, e.value.c_str(), hosts.c_str()));
  }
  for (const Entry& e : kEntries) {
    EXPECT_EQ(HostRead(ours, e), e.value) << e.key;
    EXPECT_EQ(platform::IniReadString(hosts, e.section, e.key, "<none>"), e.value) << e.key;
  }
  EXPECT_EQ(GetPrivateProfileIntA("General window", "Left", 0, ours.c_str()), -1280);
  EXPECT_EQ(platform::IniReadInt(hosts, "general WINDOW", "left"), -1280);
}

// The folder macros name the host's folders, each with one separator after it.
TEST(IniExchange, FolderMacrosAreTheHostsFolders) {
  char windows[MAX_PATH], system[MAX_PATH], temp[MAX_PATH];
  ASSERT_GT(GetWindowsDirectoryA(windows, MAX_PATH), 0u);
  ASSERT_GT(GetSystemDirectoryA(system, MAX_PATH), 0u);
  ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
  auto slashes = [](std::string path) {
    for (char& c : path)
      if (c == '\\') c = '/';
    return path;
  };
  EXPECT_EQ(hi::ResolveIniPath("%windir%win.ini"), slashes(windows) + "/win.ini");
  EXPECT_EQ(hi::ResolveIniPath("%sysdir%x.ini"), slashes(system) + "/x.ini");
  EXPECT_EQ(hi::ResolveIniPath("%tmpdir%x.ini"), slashes(temp) + "x.ini");
}
