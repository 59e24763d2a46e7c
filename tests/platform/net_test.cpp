#include <gtest/gtest.h>

#include "platform/net.h"

using namespace platform;

namespace {

std::string Problem(std::string_view text) {
  Endpoint out{"kept", "kept", 1};
  std::string problem;
  EXPECT_FALSE(ParseEndpoint(text, out, problem)) << text;
  EXPECT_EQ(out, (Endpoint{"kept", "kept", 1})) << "a failed parse must not touch the result";
  return problem;
}

TEST(Endpoints, TheUsualFormsParseAndPathsAreNoAddresses) {
  Endpoint e;
  std::string problem;
  ASSERT_TRUE(ParseEndpoint("RFC2217://encoder.studio:2000/", e, problem)) << problem;
  EXPECT_EQ(e, (Endpoint{"rfc2217", "encoder.studio", 2000}));
  ASSERT_TRUE(ParseEndpoint("udp://[::1]:65535", e, problem)) << problem;
  EXPECT_EQ(EndpointText(e), "udp://[::1]:65535");
  EXPECT_FALSE(LooksLikeEndpoint("C://nowplaying.txt"));
  EXPECT_FALSE(LooksLikeEndpoint("/var/lib/automation/now.txt"));
}

TEST(Endpoints, MalformedOnesSayWhatIsWrong) {
  EXPECT_EQ(Problem("tcp://host"), "no port");
  EXPECT_EQ(Problem("tcp://:4001"), "no host");
  EXPECT_EQ(Problem("tcp://host:0"), "port 0 out of range 1-65535");
  EXPECT_EQ(Problem("tcp://host:99999999999999999999"), "port is not a number");
  EXPECT_EQ(Problem("tcp://::1:4001"), "an IPv6 address needs brackets: [::1]:port");
  EXPECT_EQ(Problem("tcp://h\r\nPI1234:4001"), "host contains characters a host name cannot have");
  EXPECT_EQ(Problem("tcp://" + std::string(300, 'a') + ":1"), "host name too long");
}

}  // namespace
