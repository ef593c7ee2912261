#include "text/gbk.h"

#include <gtest/gtest.h>

namespace takeoff::text {
namespace {

struct Mapping {
  const char* utf8;
  const char* gbk;
};

// Characters and the bytes Windows code page 936 gives them.
TEST(Gbk, MapsLikeWindowsCodePage936) {
  const Mapping cases[] = {
      {"A1", "A1"},
      {"€", "\x80"},
      {"中文", "\xD6\xD0\xCE\xC4"},
      {"①", "\xA2\xD9"},
      {"·", "\xA1\xA4"},         // middle dot
      {"—", "\xA1\xAA"},         // em dash
      {"“]”", "\xA1\xB0]\xA1\xB1"},
      {"×÷", "\xA1\xC1\xA1\xC2"},
      {"\xEE\x80\x80", "\xAA\xA1"},        // U+E000: first user-defined code
      {"\xEE\x88\xB3", "\xAF\xFE"},        // U+E233: end of the first area
      {"\xEE\x88\xB4", "\xF8\xA1"},        // U+E234
      {"\xEE\x93\x85", "\xFE\xFE"},        // U+E4C5
      {"\xEE\x93\x86", "\xA1\x40"},        // U+E4C6: the third area, A140
      {"\xEE\x9D\xA5", "\xA7\xA0"},        // U+E765
      {"\xE4\xB8\x82", "\x81\x40"},        // U+4E02, first GBK extension code
  };
  for (const Mapping& m : cases) {
    EXPECT_EQ(Utf8ToCp936(m.utf8), m.gbk) << m.utf8;
    EXPECT_EQ(Cp936ToUtf8(m.gbk), m.utf8) << m.utf8;
  }
}

TEST(Gbk, EveryDoubleByteCodeRoundTrips) {
  int mapped = 0;
  for (int lead = 0x81; lead <= 0xFE; ++lead)
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      const std::string code{static_cast<char>(lead), static_cast<char>(trail)};
      EXPECT_EQ(Utf8ToCp936(Cp936ToUtf8(code)), code) << std::hex << lead << trail;
      ++mapped;
    }
  EXPECT_EQ(mapped, 23940);
}

TEST(Gbk, RefusesWhatCannotBeHeld) {
  // Characters outside the code page, and malformed UTF-8.
  for (const char* bad : {"😀", "\xEA\xB0\x80" /* Hangul */, "\xC3", "\xE4\xB8", "\xFF", "\xED\xA0\x80"}) {
    EXPECT_THROW(Utf8ToCp936(bad), ConversionError) << bad;
  }
  // Byte sequences that are no characters: a lone lead byte, an invalid second byte, 0xFF.
  for (const char* bad : {"\xD6", "a\xD6", "\xD6\x7F", "\xFF", "\xD6\x20"}) {
    EXPECT_THROW(Cp936ToUtf8(bad), ConversionError) << bad;
  }
  try {
    Utf8ToCp936("ab😀");
    FAIL();
  } catch (const ConversionError& e) {
    EXPECT_EQ(e.Offset, 2u);
    EXPECT_NE(std::string(e.what()).find("U+1F600"), std::string::npos);
  }
}

TEST(Gbk, LossyConversionMarksBadBytes) {
  EXPECT_EQ(Cp936ToUtf8Lossy("a\xD6"), "a\xEF\xBF\xBD");
  EXPECT_EQ(Cp936ToUtf8Lossy(std::string("\xD6\xD0\0x", 4)), std::string("中\0x", 5));
}

TEST(Gbk, ClassifiesBytes) {
  EXPECT_TRUE(IsAsciiLetter('a') && IsAsciiLetter('Z'));
  EXPECT_FALSE(IsAsciiLetter('@') || IsAsciiLetter('[') || IsAsciiLetter(0xC1));
  EXPECT_TRUE(IsDigit('0') && IsDigit('9'));
  EXPECT_FALSE(IsDigit('.') || IsDigit(0xB3));
  EXPECT_TRUE(IsLeadByte(0x81) && IsLeadByte(0xFE));
  EXPECT_FALSE(IsLeadByte(0x80) || IsLeadByte(0xFF) || IsLeadByte('A'));
}

TEST(Gbk, CutsWithoutSplittingCharacters) {
  const std::string s = Gbk("墙厚a中");  // 2 + 2 + 1 + 2 bytes
  const struct { std::size_t n; std::string want; } cases[] = {
      {0, ""}, {1, ""}, {2, Gbk("墙")}, {3, Gbk("墙")}, {5, Gbk("墙厚a")}, {6, Gbk("墙厚a")}, {7, s}, {100, s},
  };
  for (const auto& c : cases) EXPECT_EQ(CutToBytes(s, c.n), c.want) << c.n;
  EXPECT_EQ(CutToBytes("ab\xD6", 3), "ab\xD6");  // a lone lead byte at the end is a character of its own
}

TEST(Gbk, FindsCharactersNotSecondBytes) {
  // 0x815D has ']' as its second byte; 0x8161 has 'a'.
  const std::string s = "\x81]x]\x81" "a";
  EXPECT_EQ(FindChar(s, ']'), 3u);
  EXPECT_EQ(FindChar(s, 'a'), std::string::npos);
  EXPECT_EQ(UpperAscii(s + "ab"), "\x81]X]\x81" "aAB");
}

}  // namespace
}  // namespace takeoff::text
