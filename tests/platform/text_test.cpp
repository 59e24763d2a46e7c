#include <gtest/gtest.h>

#include "platform/codepage.h"

using namespace platform;

TEST(CodePage, RoundTripsAndUnknownCharacters) {
  EXPECT_EQ(Utf8ToCp1252("Caf\xC3\xA9 \xE2\x82\xAC"), "Caf\xE9 \x80");
  EXPECT_EQ(Cp1252ToUtf8("Caf\xE9 \x80"), "Caf\xC3\xA9 \xE2\x82\xAC");
  EXPECT_EQ(Utf8ToCp1252("\xE4\xB8\xAD"), "?");                // not in the code page
  EXPECT_EQ(Utf8ToCp1252(std::string("a\xFF") + "b"), "a?b");  // broken UTF-8
  EXPECT_EQ(Utf8ToCp1252("\xC3"), "?");                        // cut sequence
  for (int b = 0; b < 256; ++b) {
    std::string one(1, static_cast<char>(b));
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(one)), one) << b;
  }
}

// Characters the code page lacks take the closest Latin spelling; what it has stays as it is.
TEST(CodePage, MissingCharactersAreSpeltInLatinLetters) {
  const std::pair<const char*, const char*> cases[] = {
      {"Łódź, Zażółć gęślą jaźń",
       "L\xF3"
       "dz, Zaz\xF3lc gesla jazn"},
      {"Příliš žluťoučký kůň", "Pr\xEDli\x9A \x9Elutouck\xFD kun"},
      {"ŠŽŸŒœ ß ẞ", "\x8A\x8E\x9F\x8C\x9C \xDF SS"},
      {"Știri din Brăila, Țări şţ", "Stiri din Braila, Tari st"},
      {"Москва Щука Жизнь Хор Цирк Чай Юг Яр Сын объём",
       "Moskva Shchuka Zhizn Khor Tsirk Chay Yug Yar Syn obyom"},
      {"Київ Євген Ґанок Іван Ўла", "Kiyiv Yevgen Ganok Ivan Ula"},
      {"Αθήνα, Θεσσαλονίκη, ψυχής", "Athina, Thessaloniki, psychis"},
      // Non-breaking hyphen, thin space, zero-width space, numero sign, full-width letters.
      {"Jay\u2011Z\u2009№\u200B5 Ａｂ", "Jay-Z No5 Ab"},
      // Written decomposed: the accent joins its letter where the code page has the pair.
      {"Mote\u0301 a\u0328", "Mot\xE9 a"},
      // Pictographs and symbols with no Latin spelling are dropped, a blank left only where one
      // stood between two words (a family joined by ZWJ, a flag, a keycap, an arrow alike);
      // letters of a script with no romanisation stay "?".
      {"📻 RADIO 🎵", " RADIO "},
      {"Rock📻Pop ❤️ Jazz→Blues👨‍👩‍👧 🇵🇱1️⃣",
       "Rock Pop  Jazz Blues 1"},
      {"😀 中 ‰ ™ € −5 ℃",
       " ? \x89 \x99 \x80 -5 \xB0"
       "C"},
  };
  for (const auto& [utf8, cp1252] : cases) EXPECT_EQ(Utf8ToCp1252(utf8), cp1252) << utf8;
}

TEST(CodePage, BlankControlsKeepsTextBytes) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const std::string clean = BlankControls(all);
  ASSERT_EQ(clean.size(), 256u);
  for (int b = 0; b < 256; ++b)
    EXPECT_EQ(clean[b], b < 32 || b == 127 ? ' ' : static_cast<char>(b)) << b;
}
