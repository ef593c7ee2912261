#pragma once
// Text of the system: byte strings in code page 936 (GBK), held in std::string.
// Every length is counted in bytes; a Chinese character takes two.
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace takeoff::text {

// A text that cannot be converted: a character code page 936 cannot hold, or bytes
// that are not valid in the source encoding. `Offset` is the byte position in the input.
class ConversionError : public std::runtime_error {
public:
  ConversionError(const std::string& what, std::size_t offset)
      : std::runtime_error(what), Offset(offset) {}
  std::size_t Offset;
};

constexpr bool IsAsciiLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
constexpr bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
// First byte of a double-byte character (0x80 is the single-byte euro sign, 0xFF is unused).
constexpr bool IsLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
constexpr bool IsTrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFE && c != 0x7F; }

// Length in bytes of the character that starts at byte i: 2 for a lead byte followed
// by a trail byte, else 1 (a lone lead byte counts as one character of its own).
inline std::size_t CharLength(std::string_view s, std::size_t i) {
  return (i + 1 < s.size() && IsLeadByte(static_cast<unsigned char>(s[i])) &&
          IsTrailByte(static_cast<unsigned char>(s[i + 1])))
             ? 2
             : 1;
}

// The first byte position >= from where `c` starts a character, skipping the second
// bytes of double-byte characters (which may look like ASCII brackets or letters).
// Returns npos when there is none. `from` must be at a character boundary.
std::size_t FindChar(std::string_view s, char c, std::size_t from = 0);

// At most n bytes of s, never cutting a double-byte character in two: a lead byte
// whose second byte would fall beyond n is dropped as well.
std::string CutToBytes(std::string_view s, std::size_t n);

// Upper-cases the ASCII letters of s, leaving every double-byte character intact.
std::string UpperAscii(std::string_view s);

// Conversions as Windows code page 936 maps them (0x80 is the euro sign; the
// user-defined areas AAA1-AFFE, F8A1-FEFE and A140-A7A0 map to U+E000-U+E765).
// Both throw ConversionError on text that the other side cannot hold.
std::string Utf8ToCp936(std::string_view utf8);
std::string Cp936ToUtf8(std::string_view cp936);
// For display: bytes that are no valid code page 936 character become U+FFFD.
std::string Cp936ToUtf8Lossy(std::string_view cp936);

// A code page 936 text from a UTF-8 literal of the program's own.
inline std::string Gbk(std::string_view utf8) { return Utf8ToCp936(utf8); }

}  // namespace takeoff::text
