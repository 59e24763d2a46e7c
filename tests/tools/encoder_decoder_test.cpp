#include "tools/encoder_decoder.h"

#include <gtest/gtest.h>

using namespace vencoder;
using namespace std::string_literals;

namespace {

// Feeds the lines one byte at a time, as a slow line would deliver them, and decodes each.
std::vector<Decoded> Feed(VirtualEncoder& encoder, const std::string& bytes) {
  LineSplitter splitter;
  std::vector<std::string> lines;
  for (char c : bytes) splitter.feed(std::string_view(&c, 1), lines);
  std::string rest = splitter.takeRest();
  if (!rest.empty()) lines.push_back(rest);
  std::vector<Decoded> out;
  for (const auto& line : lines) out.push_back(encoder.decode(line));
  return out;
}

Decoded One(VirtualEncoder& encoder, const std::string& line) {
  auto all = Feed(encoder, line);
  EXPECT_EQ(all.size(), 1u) << line;
  return all.empty() ? Decoded{} : all[0];
}

}  // namespace

TEST(VirtualEncoder, TesselTenLinesSetTheState) {
  VirtualEncoder enc(0);
  auto lines = Feed(enc,
                    "PI124,111\r\n"
                    "PSRADIO   ONE     \r\nDS4,8\r\n"
                    "RT" +
                        std::string(64, 'R') +
                        "\r\n"
                        "PT31\r\nDI1\r\nDI9\r\nTP1\r\nTA1\r\nMS1\r\n"
                        "AF227,125,75,136,0,0,0,0\r\n"
                        "TI1,223,134,219,64\r\n");
  ASSERT_EQ(lines.size(), 12u);
  for (const auto& d : lines)
    EXPECT_TRUE(d.ok && d.warnings.empty() && d.terminator == "CRLF") << d.raw;
  EXPECT_EQ(StateJson(enc.state()),
            "{\"pi\":\"7C6F\",\"ps\":\"RADIO   ONE     \",\"psPages\":[\"RADIO   \",\"ONE     \"],"
            "\"psInterval\":4,\"psStep\":8,\"rt\":\"" +
                std::string(64, 'R') +
                "\",\"pty\":31,\"ptyName\":\"ALARM\",\"di\":9,\"tp\":1,\"ta\":1,\"ms\":1,"
                "\"af\":{\"enabled\":true,\"count\":2,\"local\":100.0,\"afs\":[95.0,101.1],"
                "\"codes\":[227,125,75,136,0,0,0,0]},\"ct\":{\"date\":\"2026-12-05\",\"time\":"
                "\"13:45\",\"offset\":\"+00:00\",\"mjd\":61379,\"form\":\"text\",\"bytes\":[1,"
                "223,134,219,64]}}");
  One(enc, "AF0\r\n");
  EXPECT_NE(StateJson(enc.state()).find("\"af\":{\"enabled\":false}"), std::string::npos);
}

TEST(VirtualEncoder, PagedAndScrollingPsForms) {
  VirtualEncoder enc(0);
  std::string ten;
  for (int page = 1; page <= 10; ++page)
    ten += "PAGE" + std::to_string(page) + std::string(8 - 4 - std::to_string(page).size(), ' ');
  One(enc, "PS" + ten + "\r\n");
  EXPECT_EQ(PsPages(enc.state()).size(), 10u);
  EXPECT_EQ(PsPages(enc.state())[9], "PAGE10  ");

  auto lines = Feed(enc, "PSNEWS AT NINE        \r\nDS6,1\r\n");
  EXPECT_EQ(enc.state().ps, "NEWS AT NINE        ");
  EXPECT_EQ(enc.state().psStep, 1);
  EXPECT_TRUE(PsPages(enc.state()).empty());  // it scrolls
  One(enc, "PS NEWS AT NINE NEWS AT\r\n");
  EXPECT_EQ(enc.state().ps, " NEWS AT NINE NEWS AT");
  EXPECT_EQ(lines[1].summary, "PS scrolls every 3.0 s");
}

TEST(VirtualEncoder, LastOnModelTakesLineFeedsAndTheClockTimeBytes) {
  VirtualEncoder enc(2);
  // MJD bits give the bytes 10 and 13 here, which must not end the line early.
  const std::string awkward("TI\x01\x0A\x0D\x0D\x00\n", 8);
  auto lines = Feed(enc, "PSABC\nRT" + std::string(35, ' ') + "\nPI124,111\n" + awkward +
                             std::string("TI\x01\xDF\x86\xDB\x40\n", 8) + "SM\nRM\r\n");
  ASSERT_EQ(lines.size(), 7u);
  for (const auto& d : lines) EXPECT_TRUE(d.ok && d.warnings.empty()) << d.raw;
  EXPECT_EQ(lines[3].raw, awkward);
  EXPECT_EQ(lines[3].summary, "CT = 1952-02-12 16:52 UTC+00:00 (byte form)");
  EXPECT_EQ(PsPages(enc.state()), (std::vector<std::string>{"ABC     "}));
  ASSERT_TRUE(enc.state().ct);
  EXPECT_EQ(enc.state().ct->mjd * 100 + enc.state().ct->minute, 6137945);

  // Lines a Tessel 20 (Last On) does not expect are still decoded, with a warning.
  for (const std::string& line :
       {"PI1,2\r\n"s, "RT" + std::string(64, ' ') + "\n", "DS4,8\r\n"s, "TI1,223,134,219,64\r\n"s})
    EXPECT_FALSE(One(enc, line).warnings.empty()) << line;
  // AF and DS keep their CR LF where they are not offered: the offer is the one warning.
  EXPECT_EQ(One(enc, "AF0\r\n").warnings,
            std::vector<std::string>{"AF is not offered for Tessel 20(Last On)"});
  EXPECT_EQ(One(enc, "DS4,8\r\n").warnings,
            std::vector<std::string>{"DS is not offered for Tessel 20(Last On)"});
}

TEST(VirtualEncoder, SaveAndReadBackFromEeprom) {
  VirtualEncoder enc(1);
  Feed(enc, "PI124,111\r\nTA1\r\nRTHello" + std::string(27, ' ') + "\r\nSM\r\n");
  Feed(enc, "PI1,2\r\nTA0\r\nPT5\r\nTI1,223,134,219,64\r\n");
  EXPECT_EQ(enc.state().pi, 0x0102);
  Decoded rm = One(enc, "RM\r\n");
  EXPECT_TRUE(rm.ok);
  // The clock is not part of the EEPROM.
  EXPECT_EQ(
      StateJson(enc.state()).substr(0, 187),
      "{\"pi\":\"7C6F\",\"ps\":null,\"psPages\":[],\"psInterval\":null,\"psStep\":null,\"rt\":"
      "\"Hello                           \",\"pty\":null,\"ptyName\":null,\"di\":null,\"tp\":"
      "null,\"ta\":1,\"ms\":null,\"af\":null,\"ct\":{");
}

TEST(VirtualEncoder, BadLinesAreReportedWithTheirBytesAndDecodingGoesOn) {
  VirtualEncoder enc(0);
  auto lines = Feed(enc,
                    "XY\n\nPIabc\r\nSMx\r\nTA2\r\nAF1,2\r\nTI1,2\r\n"
                    "PI,\r\nPI291,837\r\nPT-1\r\nDI16\r\nAF\r\nAF225,0,0,0,0,0,0,0\r\n"
                    "PI124,111\r\nPS");
  ASSERT_EQ(lines.size(), 15u);
  for (size_t i = 0; i < 7; ++i) EXPECT_FALSE(lines[i].ok) << lines[i].raw;
  EXPECT_EQ(lines[0].error, "unknown command");
  EXPECT_EQ(HexBytes(lines[0].raw), "58 59 0A");
  EXPECT_EQ(ReportText(lines[0], 1), "#1 UNDECODABLE (unknown command): 58 59 0A");
  // Lines the program can really send with missing or odd values change nothing.
  for (size_t i = 7; i < 13; ++i) {
    EXPECT_TRUE(lines[i].ok) << lines[i].raw;
    EXPECT_FALSE(lines[i].warnings.empty()) << lines[i].raw;
  }
  EXPECT_TRUE(lines[13].ok);
  EXPECT_EQ(lines[14].error, "no line terminator");
  EXPECT_EQ(enc.state().pi, 0x7C6F);
  EXPECT_FALSE(enc.state().pty || enc.state().di || enc.state().ta || enc.state().af);
}

TEST(VirtualEncoder, OverlongRunWithoutTerminatorIsCutNotHoarded) {
  LineSplitter splitter(16);
  std::vector<std::string> lines;
  splitter.feed(std::string(40, 'A'), lines);
  EXPECT_EQ(lines.size(), 2u);
  EXPECT_EQ(splitter.takeRest().size(), 8u);
}

TEST(VirtualEncoder, JsonReportsAreEscapedUtf8) {
  VirtualEncoder enc(0);
  Decoded d = One(enc, "RT\xE9t\xE9\"\\\x01\r\n");
  std::string json = ReportJson(d, enc.state(), 7);
  EXPECT_EQ(json.rfind("{\"seq\":7,\"ok\":true,\"cmd\":\"RT\",\"term\":\"CRLF\",", 0), 0u);
  EXPECT_NE(json.find("\"raw\":\"RT\xC3\xA9t\xC3\xA9\\\"\\\\\\u0001\\r\\n\""), std::string::npos);

  // A quoted text in the summary is converted once, like raw and state.
  d = One(enc, "PSMot\xF6rhead\r\n");
  json = ReportJson(d, enc.state(), 8);
  EXPECT_NE(json.find("\"summary\":\"PS text \\\"Mot\xC3\xB6rhead\\\"\""), std::string::npos)
      << json;
  EXPECT_NE(json.find("\"ps\":\"Mot\xC3\xB6rhead\""), std::string::npos);
}
