#include "text/gbk.h"

#include <array>
#include <cstdio>
#include <cstdint>
#include <memory>

namespace takeoff::text {
namespace {

#include "text/cp936_table.inc"

constexpr char32_t kEuro = 0x20AC;
constexpr char32_t kReplacement = 0xFFFD;

// Unicode scalar of the double-byte code (lead, trail), or 0 when unassigned.
char32_t DecodePair(unsigned char lead, unsigned char trail) {
  return kCp936DoubleByte[(lead - 0x81) * 191 + (trail - 0x40)];
}

// Reverse of the double-byte table: BMP code point -> GBK code (lead << 8 | trail), 0 = none.
const std::array<std::uint16_t, 0x10000>& EncodeTable() {
  static const auto table = [] {
    auto t = std::make_unique<std::array<std::uint16_t, 0x10000>>();
    t->fill(0);
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead)
      for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
        if (trail == 0x7F) continue;
        char32_t u = DecodePair(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail));
        if (u != 0) (*t)[u] = static_cast<std::uint16_t>(lead << 8 | trail);
      }
    return t;
  }();
  return *table;
}

void AppendUtf8(std::string& out, char32_t u) {
  if (u < 0x80) {
    out += static_cast<char>(u);
  } else if (u < 0x800) {
    out += static_cast<char>(0xC0 | (u >> 6));
    out += static_cast<char>(0x80 | (u & 0x3F));
  } else if (u < 0x10000) {
    out += static_cast<char>(0xE0 | (u >> 12));
    out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (u & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (u >> 18));
    out += static_cast<char>(0x80 | ((u >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (u & 0x3F));
  }
}

// Decodes one UTF-8 scalar at i; returns false on malformed input.
bool NextUtf8(std::string_view s, std::size_t& i, char32_t& u) {
  auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char c = b(i);
  std::size_t n;
  char32_t min;
  if (c < 0x80) { u = c; ++i; return true; }
  if ((c & 0xE0) == 0xC0) { n = 1; u = c & 0x1F; min = 0x80; }
  else if ((c & 0xF0) == 0xE0) { n = 2; u = c & 0x0F; min = 0x800; }
  else if ((c & 0xF8) == 0xF0) { n = 3; u = c & 0x07; min = 0x10000; }
  else return false;
  for (std::size_t k = 1; k <= n; ++k) {
    if (i + k >= s.size() || (b(i + k) & 0xC0) != 0x80) return false;
    u = (u << 6) | (b(i + k) & 0x3F);
  }
  if (u < min || u > 0x10FFFF || (u >= 0xD800 && u <= 0xDFFF)) return false;
  i += n + 1;
  return true;
}

// Decodes one code page 936 character at i; returns 0 when the bytes are no character.
char32_t NextCp936(std::string_view s, std::size_t& i) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  if (c < 0x80) { ++i; return c; }
  if (c == 0x80) { ++i; return kEuro; }
  if (CharLength(s, i) == 2) {
    char32_t u = DecodePair(c, static_cast<unsigned char>(s[i + 1]));
    i += 2;
    return u;
  }
  ++i;
  return 0;
}

std::string Hex(char32_t u) {
  char buf[12];
  std::snprintf(buf, sizeof buf, "%04X", static_cast<unsigned>(u));
  return buf;
}

}  // namespace

std::size_t FindChar(std::string_view s, char c, std::size_t from) {
  for (std::size_t i = from; i < s.size(); i += CharLength(s, i))
    if (s[i] == c) return i;
  return std::string_view::npos;
}

std::string CutToBytes(std::string_view s, std::size_t n) {
  std::size_t i = 0;
  while (i < s.size()) {
    std::size_t len = CharLength(s, i);
    if (i + len > n) break;
    i += len;
  }
  return std::string(s.substr(0, i));
}

std::string UpperAscii(std::string_view s) {
  std::string out(s);
  for (std::size_t i = 0; i < out.size(); i += CharLength(out, i))
    if (out[i] >= 'a' && out[i] <= 'z') out[i] = static_cast<char>(out[i] - 'a' + 'A');
  return out;
}

std::string Utf8ToCp936(std::string_view utf8) {
  const auto& table = EncodeTable();
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    std::size_t at = i;
    char32_t u;
    if (!NextUtf8(utf8, i, u)) throw ConversionError("invalid UTF-8 at byte " + std::to_string(at), at);
    if (u < 0x80) {
      out += static_cast<char>(u);
    } else if (u == kEuro) {
      out += '\x80';
    } else if (u < 0x10000 && table[u] != 0) {
      out += static_cast<char>(table[u] >> 8);
      out += static_cast<char>(table[u] & 0xFF);
    } else {
      throw ConversionError("character U+" + Hex(u) + " at byte " + std::to_string(at) +
                                " has no code in code page 936",
                            at);
    }
  }
  return out;
}

std::string Cp936ToUtf8(std::string_view cp936) {
  std::string out;
  out.reserve(cp936.size() * 3 / 2);
  for (std::size_t i = 0; i < cp936.size();) {
    std::size_t at = i;
    char32_t u = NextCp936(cp936, i);
    if (u == 0 && cp936[at] != '\0')
      throw ConversionError("byte " + std::to_string(at) + " is no valid code page 936 character", at);
    AppendUtf8(out, u);
  }
  return out;
}

std::string Cp936ToUtf8Lossy(std::string_view cp936) {
  std::string out;
  out.reserve(cp936.size() * 3 / 2);
  for (std::size_t i = 0; i < cp936.size();) {
    std::size_t at = i;
    char32_t u = NextCp936(cp936, i);
    AppendUtf8(out, (u == 0 && cp936[at] != '\0') ? kReplacement : u);
  }
  return out;
}

}  // namespace takeoff::text
