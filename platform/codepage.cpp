#include "platform/codepage.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace platform {

namespace {
// Bytes 0x80..0x9F; the rest of the code page equals Latin-1.
constexpr char32_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The closest Latin spelling of characters the code page lacks, looked up in this order: combining
// accents, full-width forms, kSpellings, kLetterRuns; '?' where nothing fits.

// A combining accent joins the letter before it where the code page has the pair (text written
// decomposed, as some systems store file names, keeps its "é"); any other accent is dropped.
struct Accent {
  char32_t mark;
  std::string_view letters, accented;
};
constexpr Accent kAccents[] = {
    {0x0300, "AEIOUaeiou", "\xC0\xC8\xCC\xD2\xD9\xE0\xE8\xEC\xF2\xF9"},
    {0x0301, "AEIOUYaeiouy", "\xC1\xC9\xCD\xD3\xDA\xDD\xE1\xE9\xED\xF3\xFA\xFD"},
    {0x0302, "AEIOUaeiou", "\xC2\xCA\xCE\xD4\xDB\xE2\xEA\xEE\xF4\xFB"},
    {0x0303, "ANOano", "\xC3\xD1\xD5\xE3\xF1\xF5"},
    {0x0308, "AEIOUYaeiouy", "\xC4\xCB\xCF\xD6\xDC\x9F\xE4\xEB\xEF\xF6\xFC\xFF"},
    {0x030A, "Aa", "\xC5\xE5"},
    {0x030C, "SZsz", "\x8A\x8E\x9A\x9E"},
    {0x0327, "Cc", "\xC7\xE7"},
};

// Characters spelt with other than one letter, and typographic ones, by ranges in code order.
// Cyrillic follows the common English romanisation (Щ Shch, Ж Zh, Х Kh; the hard and soft signs
// are dropped), Greek a simplified ELOT 743 (one Latin spelling per letter).
struct Spelling {
  char32_t first, last;
  std::string_view text;
};
// clang-format off
constexpr Spelling kSpellings[] = {
    {0x0132, 0x0132, "IJ"},       {0x0133, 0x0133, "ij"},       {0x0149, 0x0149, "'n"},
    {0x01A2, 0x01A2, "OI"},       {0x01A3, 0x01A3, "oi"},       {0x01C4, 0x01C4, "D\x8E"},
    {0x01C5, 0x01C5, "D\x9E"},    {0x01C6, 0x01C6, "d\x9E"},    {0x01C7, 0x01C7, "LJ"},
    {0x01C8, 0x01C8, "Lj"},       {0x01C9, 0x01C9, "lj"},       {0x01CA, 0x01CA, "NJ"},
    {0x01CB, 0x01CB, "Nj"},       {0x01CC, 0x01CC, "nj"},       {0x01F1, 0x01F1, "DZ"},
    {0x01F2, 0x01F2, "Dz"},       {0x01F3, 0x01F3, "dz"},       {0x02B9, 0x02B9, "'"},
    {0x02BA, 0x02BA, "\""},       {0x02BB, 0x02BC, "'"},        {0x02C8, 0x02C8, "'"},
    {0x037E, 0x037E, ";"},        {0x0398, 0x0398, "Th"},       {0x03A7, 0x03A7, "Ch"},
    {0x03A8, 0x03A8, "Ps"},       {0x03B8, 0x03B8, "th"},       {0x03C7, 0x03C7, "ch"},
    {0x03C8, 0x03C8, "ps"},       {0x0401, 0x0401, "Yo"},       {0x0402, 0x0402, "Dj"},
    {0x0403, 0x0403, "Gj"},       {0x0404, 0x0404, "Ye"},       {0x0405, 0x0405, "Dz"},
    {0x0407, 0x0407, "Yi"},       {0x0409, 0x0409, "Lj"},       {0x040A, 0x040A, "Nj"},
    {0x040C, 0x040C, "Kj"},       {0x040F, 0x040F, "Dzh"},      {0x0416, 0x0416, "Zh"},
    {0x0425, 0x0425, "Kh"},       {0x0426, 0x0426, "Ts"},       {0x0427, 0x0427, "Ch"},
    {0x0428, 0x0428, "Sh"},       {0x0429, 0x0429, "Shch"},     {0x042A, 0x042A, ""},
    {0x042C, 0x042C, ""},         {0x042E, 0x042E, "Yu"},       {0x042F, 0x042F, "Ya"},
    {0x0436, 0x0436, "zh"},       {0x0445, 0x0445, "kh"},       {0x0446, 0x0446, "ts"},
    {0x0447, 0x0447, "ch"},       {0x0448, 0x0448, "sh"},       {0x0449, 0x0449, "shch"},
    {0x044A, 0x044A, ""},         {0x044C, 0x044C, ""},         {0x044E, 0x044E, "yu"},
    {0x044F, 0x044F, "ya"},       {0x0451, 0x0451, "yo"},       {0x0452, 0x0452, "dj"},
    {0x0453, 0x0453, "gj"},       {0x0454, 0x0454, "ye"},       {0x0455, 0x0455, "dz"},
    {0x0457, 0x0457, "yi"},       {0x0459, 0x0459, "lj"},       {0x045A, 0x045A, "nj"},
    {0x045C, 0x045C, "kj"},       {0x045F, 0x045F, "dzh"},      {0x0490, 0x0490, "G"},
    {0x0491, 0x0491, "g"},        {0x1E9E, 0x1E9E, "SS"},       {0x2000, 0x200A, " "},
    {0x200B, 0x200F, ""},         {0x2010, 0x2011, "-"},        {0x2012, 0x2012, "\x96"},
    {0x2015, 0x2015, "\x97"},     {0x201B, 0x201B, "\x91"},     {0x201F, 0x201F, "\x93"},
    {0x2023, 0x2023, "\x95"},     {0x2024, 0x2024, "."},        {0x2025, 0x2025, ".."},
    {0x2027, 0x2027, "\xB7"},     {0x2028, 0x2029, " "},        {0x202A, 0x202E, ""},
    {0x202F, 0x202F, " "},        {0x2032, 0x2032, "'"},        {0x2033, 0x2033, "\""},
    {0x2035, 0x2035, "`"},        {0x203C, 0x203C, "!!"},       {0x2043, 0x2043, "-"},
    {0x2044, 0x2044, "/"},        {0x2047, 0x2047, "??"},       {0x2048, 0x2048, "?!"},
    {0x2049, 0x2049, "!?"},       {0x205F, 0x205F, " "},        {0x2060, 0x206F, ""},
    {0x20A4, 0x20A4, "\xA3"},     {0x2103, 0x2103, "\xB0" "C"}, {0x2109, 0x2109, "\xB0" "F"},
    {0x2116, 0x2116, "No"},       {0x2212, 0x2212, "-"},        {0x2215, 0x2215, "/"},
    {0x2219, 0x2219, "\xB7"},     {0x3000, 0x3000, " "},        {0xFE00, 0xFE0F, ""},
    {0xFEFF, 0xFEFF, ""},
};
// clang-format on
static_assert(std::adjacent_find(std::begin(kSpellings), std::end(kSpellings),
                                 [](const Spelling& a, const Spelling& b) {
                                   return a.first > a.last || a.last >= b.first;
                                 }) == std::end(kSpellings),
              "kSpellings is in code order without overlaps");

// One letter per code point from `first` on: the letter without the accents the code page lacks
// (keeping one it has: Ấ is Â), '?' where no letter fits, '*' where the code page has the
// character itself or kSpellings spells it.
struct LetterRun {
  char32_t first;
  std::string_view letters;
};
// clang-format off
constexpr LetterRun kLetterRuns[] = {
    {0x0100, "AaAaAaCcCcCcCcDd"
             "DdEeEeEeEeEeGgGg"
             "GgGgHhHhIiIiIiIi"
             "Ii**JjKkkLlLlLlL"
             "lLlNnNnNn*NnOoOo"
             "Oo**RrRrRrSsSsSs"
             "**TtTtTtUuUuUuUu"
             "UuUuWwYy*ZzZz**s"},
    {0x0180, "bBBb??OCcDDDd?EE"
             "EF*GG?IIKkl??NnO"
             "Oo**PpR????tTtTU"
             "uUVYyZz?????????"
             "????*********AaI"
             "iOoUu\xDC\xFC\xDC\xFC\xDC\xFC\xDC\xFC" "e\xC4\xE4"
             "Aa\xC6\xE6GgGgKkOoOo??"
             "j***Gg??Nn\xC5\xE5\xC6\xE6\xD8\xF8"
             "AaAaEeEeIiIiOoOo"
             "RrRrUuUuSsTt??Hh"
             "Nd??ZzAaEe\xD6\xF6\xD5\xF5Oo"
             "OoYylntj??ACcLTs"
             "z??BU?EeJjQqRrYy"},
    {0x0386, "A\xB7" "EII?O?YOiAVGDE"
             "ZI*IKLMNXOPR?STY"
             "F**OIYaeiiyavgde"
             "zi*iklmnxoprssty"
             "f**oiyoyo"},
    {0x0400, "E*****I*J**C*IU*"
             "ABVGDE*ZIYKLMNOP"
             "RSTUF******Y*E**"
             "abvgde*ziyklmnop"
             "rstuf******y*e**"
             "e*****i*j**c*iu*"},
    {0x1E00, "AaBbBbBb\xC7\xE7" "DdDdDd"
             "DdDd\xC8\xE8\xC9\xE9" "EeEeEeFf"
             "GgHhHhHhHhHhIi\xCF\xEF"
             "KkKkKkLlLlLlLlMm"
             "MmMmNnNnNnNn\xD5\xF5\xD5\xF5"
             "\xD2\xF2\xD3\xF3PpPpRrRrRrRr"
             "SsSsSs\x8A\x9ASsTtTtTt"
             "TtUuUuUu\xDA\xFA\xDC\xFCVvVv"
             "WwWwWwWwWwXxXxYy"
             "ZzZzZzhtwyasss*?"
             "AaAa\xC2\xE2\xC2\xE2\xC2\xE2\xC2\xE2\xC2\xE2\xC1\xE1"
             "\xC0\xE0" "Aa\xC3\xE3" "AaEeEeEe\xCA\xEA"
             "\xCA\xEA\xCA\xEA\xCA\xEA\xCA\xEAIiIiOoOo"
             "\xD4\xF4\xD4\xF4\xD4\xF4\xD4\xF4\xD4\xF4\xD3\xF3\xD2\xF2Oo"
             "\xD5\xF5OoUuUu\xDA\xFA\xD9\xF9UuUu"
             "UuYyYyYyYy????Yy"},
};
// clang-format on

}  // namespace

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

bool DecodeUtf8(std::string_view text, size_t& i, char32_t& code, LoneSurrogates surrogates) {
  const auto b0 = static_cast<unsigned char>(text[i]);
  size_t length = 0;
  char32_t min = 0;
  if (b0 < 0x80) {
    code = b0;
    ++i;
    return true;
  } else if ((b0 & 0xE0) == 0xC0) {
    length = 2, code = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    length = 3, code = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    length = 4, code = b0 & 0x07, min = 0x10000;
  } else {
    ++i;
    return false;
  }
  if (i + length > text.size()) {
    ++i;
    return false;
  }
  for (size_t k = 1; k < length; ++k) {
    const auto b = static_cast<unsigned char>(text[i + k]);
    if ((b & 0xC0) != 0x80) {
      ++i;
      return false;
    }
    code = (code << 6) | (b & 0x3F);
  }
  const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
  if (code < min || code > 0x10FFFF || (surrogate && surrogates == LoneSurrogates::Reject)) {
    ++i;
    return false;
  }
  i += length;
  return true;
}

namespace {

// Pictographs and symbols without a spelling in Latin letters (arrows, mathematical and technical
// signs, box drawing, shapes, dingbats, emoji and their modifiers, keycaps and tags): dropped
// rather than shown as "?", which on air reads as a fault. Looked up after the spellings, so the
// few with one (℃, №, −) keep it.
bool IsSymbol(char32_t code) {
  return (code >= 0x2010 && code <= 0x206F) || (code >= 0x20A0 && code <= 0x214F) ||
         (code >= 0x2190 && code <= 0x245F) || (code >= 0x2500 && code <= 0x2BFF) ||
         code == 0x3030 || code == 0x303D || code == 0x3297 || code == 0x3299 ||
         (code >= 0x1D100 && code <= 0x1D1FF) || (code >= 0x1F000 && code <= 0x1FBFF) ||
         (code >= 0xE0000 && code <= 0xE01EF);
}

// Appends the code page's spelling of `code`; false when it has none.
bool Spell(std::string& out, char32_t code) {
  if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) {
    out += static_cast<char>(code);
    return true;
  }
  for (int k = 0; k < 32; ++k) {
    if (kHigh[k] == code) {
      out += static_cast<char>(0x80 + k);
      return true;
    }
  }
  if (code >= 0x0300 && code <= 0x036F) {
    for (const Accent& accent : kAccents) {
      if (accent.mark != code || out.empty()) continue;
      const size_t at = accent.letters.find(out.back());
      if (at != std::string_view::npos) out.back() = accent.accented[at];
    }
    return true;
  }
  if (code >= 0xFF01 && code <= 0xFF5E) {  // full-width ASCII
    out += static_cast<char>(code - 0xFEE0);
    return true;
  }
  const auto* spelling = std::lower_bound(std::begin(kSpellings), std::end(kSpellings), code,
                                          [](const Spelling& s, char32_t c) { return s.last < c; });
  if (spelling != std::end(kSpellings) && spelling->first <= code) {
    out += spelling->text;
    return true;
  }
  for (const LetterRun& run : kLetterRuns) {
    if (code >= run.first && code - run.first < run.letters.size()) {
      const char letter = run.letters[code - run.first];
      out += letter == '*' ? '?' : letter;
      return true;
    }
  }
  return false;
}

}  // namespace

char32_t Cp1252ToUnicode(unsigned char byte) {
  return byte >= 0x80 && byte <= 0x9F ? kHigh[byte - 0x80] : byte;
}

void AppendCp1252(std::string& out, char32_t code) {
  if (Spell(out, code)) return;
  if (!IsSymbol(code)) {
    out += '?';
  } else if (!out.empty() && out.back() != ' ') {
    out += ' ';
  }
}

std::string Cp1252ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) AppendUtf8(out, Cp1252ToUnicode(static_cast<unsigned char>(c)));
  return out;
}

std::string Utf8ToCp1252(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  // A dropped symbol leaves one blank where it stood between two words, none at either end or
  // beside a blank already there.
  bool gap = false;
  size_t i = 0;
  while (i < text.size()) {
    char32_t code = 0;
    const size_t before = out.size();
    if (!DecodeUtf8(text, i, code)) {
      out += '?';
    } else if (!Spell(out, code)) {
      if (IsSymbol(code)) {
        gap = gap || before > 0;
        continue;
      }
      out += '?';
    }
    if (out.size() == before) continue;  // a joining accent or an invisible character
    if (gap && out[before] != ' ' && out[before - 1] != ' ') out.insert(before, 1, ' ');
    gap = false;
  }
  return out;
}

bool IsValidUtf8(std::string_view text) {
  size_t i = 0;
  char32_t code = 0;
  while (i < text.size())
    if (!DecodeUtf8(text, i, code)) return false;
  return true;
}

size_t Utf8IncompleteTail(std::string_view text) {
  const size_t n = text.size();
  for (size_t k = 1; k <= 3 && k <= n; ++k) {
    const auto lead = static_cast<unsigned char>(text[n - k]);
    if ((lead & 0xC0) == 0x80) continue;
    const size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                          : lead >= 0xE0 && lead <= 0xEF ? 3
                          : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                         : 0;
    if (length <= k) return 0;
    if (k > 1) {
      // The second byte of these leads is narrower; outside it the bytes are broken, not cut.
      const auto second = static_cast<unsigned char>(text[n - k + 1]);
      const unsigned low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
      const unsigned high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
      if (second < low || second > high) return 0;
    }
    return k;
  }
  return 0;
}

std::string BlankControls(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 32 || b == 127) c = ' ';
  }
  return out;
}

}  // namespace platform
