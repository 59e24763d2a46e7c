#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "platform/serial.h"
#include "tools/program.h"

namespace fs = std::filesystem;

// The built program, as run.sh and the end-to-end tests start it.
TEST(VirtualEncoderProgram, LinksDecodesAndCleansUpOnTerm) {
  const fs::path exe = EncoderProgram();
  if (!fs::exists(exe)) GTEST_SKIP() << "program not built";
  const fs::path dir = fs::temp_directory_path() / ("venc_" + std::to_string(getpid()));
  fs::remove_all(dir);
  if (std::FILE* version = popen((exe.string() + " --version").c_str(), "r")) {
    char text[64] = {};
    EXPECT_NE(std::fgets(text, sizeof text, version), nullptr);
    EXPECT_EQ(pclose(version), 0);
    EXPECT_EQ(std::string(text).rfind("rds-virtual-encoder 1.", 0), 0u) << text;
  }

  Program encoder(
      {exe.string(), "--config-dir", dir.string(), "--com", "4", "--model", "2", "--json"});
  const fs::path link = dir / "ports" / "com4";
  const std::string ready = encoder.lineWith("\"event\":\"ready\"");
  EXPECT_NE(ready.find(link.string()), std::string::npos) << ready;
  {
    platform::SerialPort port;
    ASSERT_TRUE(port.open(link.string()));
    ASSERT_TRUE(port.applyMode("baud=9600 parity=N data=8 stop=1 octs=off"));
    EXPECT_EQ(port.write(std::string("PI124,111\nTI\x01\x0A\x0D\x0D\x00\n", 18)), 18);
  }
  EXPECT_EQ(Field(encoder.lineWith("\"cmd\":\"PI\""), "pi"), "7C6F");
  EXPECT_EQ(Field(encoder.lineWith("\"cmd\":\"TI\""), "time"), "16:52");

  EXPECT_EQ(encoder.terminate(), 0);
  EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
  fs::remove_all(dir);
}
