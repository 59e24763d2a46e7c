#include <gtest/gtest.h>

#include "platform/net.h"

using namespace platform;

namespace {

Endpoint Parsed(std::string_view text) {
  Endpoint out;
  std::string problem;
  EXPECT_TRUE(ParseEndpoint(text, out, problem)) << text << ": " << problem;
  return out;
}

std::string Problem(std::string_view text) {
  Endpoint out{"kept", "kept", 1};
  std::string problem;
  EXPECT_FALSE(ParseEndpoint(text, out, problem)) << text;
  EXPECT_EQ(out, (Endpoint{"kept", "kept", 1})) << "a failed parse must not touch the result";
  return problem;
}

TEST(Endpoints, OperatorsWriteThemInTheUsualForms) {
  EXPECT_EQ(Parsed("tcp://192.168.1.20:4001"), (Endpoint{"tcp", "192.168.1.20", 4001}));
  EXPECT_EQ(Parsed("RFC2217://encoder.studio:2000/"),
            (Endpoint{"rfc2217", "encoder.studio", 2000}));
  EXPECT_EQ(Parsed("udp://[::1]:5005"), (Endpoint{"udp", "::1", 5005}));
  EXPECT_EQ(EndpointText(Parsed("udp://[::1]:5005")), "udp://[::1]:5005");
  EXPECT_EQ(EndpointText(Parsed("tcp://0.0.0.0:65535")), "tcp://0.0.0.0:65535");
}

TEST(Endpoints, PathsAreNotAddresses) {
  EXPECT_FALSE(LooksLikeEndpoint("C://nowplaying.txt"));
  EXPECT_FALSE(LooksLikeEndpoint("C:\\Automation\\now.txt"));
  EXPECT_FALSE(LooksLikeEndpoint("/var/lib/automation/now.txt"));
  EXPECT_FALSE(LooksLikeEndpoint("now playing://x"));
  EXPECT_TRUE(LooksLikeEndpoint("udp://"));
}

TEST(Endpoints, MalformedOnesSayWhatIsWrong) {
  EXPECT_EQ(Problem("tcp://host"), "no port");
  EXPECT_EQ(Problem("tcp://:4001"), "no host");
  EXPECT_EQ(Problem("tcp://host:"), "no port");
  EXPECT_EQ(Problem("tcp://host:0"), "port 0 out of range 1-65535");
  EXPECT_EQ(Problem("tcp://host:70000"), "port 70000 out of range 1-65535");
  EXPECT_EQ(Problem("tcp://host:99999999999999999999"), "port is not a number");
  EXPECT_EQ(Problem("tcp://host:40x1"), "port is not a number");
  EXPECT_EQ(Problem("tcp://::1:4001"), "an IPv6 address needs brackets: [::1]:port");
  EXPECT_EQ(Problem("tcp://[::1:4001"), "no closing ] after the IPv6 address");
  EXPECT_EQ(Problem("tcp://ho st:4001"), "host contains characters a host name cannot have");
  EXPECT_EQ(Problem("tcp://h\r\nPI1234:4001"), "host contains characters a host name cannot have");
  EXPECT_EQ(Problem("tcp://" + std::string(300, 'a') + ":1"), "host name too long");
  EXPECT_EQ(Problem("now.txt"), "not an address such as tcp://host:port");
}

TEST(Endpoints, NumericHostsResolveWithoutAResolverAndLoopbackIsKnown) {
  EXPECT_TRUE(IsNumericHost("127.0.0.1"));
  EXPECT_TRUE(IsNumericHost("::1"));
  EXPECT_FALSE(IsNumericHost("localhost"));
  std::string problem;
  auto v4 = ResolveEndpoint({"udp", "127.0.0.2", 9}, false, problem);
  ASSERT_FALSE(v4.empty()) << problem;
  EXPECT_TRUE(IsLoopback(v4.front()));
  auto v6 = ResolveEndpoint({"udp", "::1", 9}, false, problem);
  ASSERT_FALSE(v6.empty()) << problem;
  EXPECT_TRUE(IsLoopback(v6.front()));
  auto any = ResolveEndpoint({"udp", "0.0.0.0", 9}, false, problem);
  ASSERT_FALSE(any.empty()) << problem;
  EXPECT_FALSE(IsLoopback(any.front()));
}

}  // namespace
