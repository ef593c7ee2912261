#pragma once
// Little-endian reading and writing of the shape formats.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace takeoff::shapes {

// Reads from a byte range without ever leaving it: a read past the end yields zero
// bytes and marks the reader short.
class ByteReader {
public:
  explicit ByteReader(std::string_view data) : data_(data) {}

  std::size_t Remaining() const { return data_.size() - pos_; }
  bool Short() const { return short_; }

  std::uint8_t U8() {
    if (pos_ < data_.size()) return static_cast<std::uint8_t>(data_[pos_++]);
    short_ = true;
    return 0;
  }
  std::uint16_t U16() { return static_cast<std::uint16_t>(Unsigned(2)); }
  std::int16_t I16() { return static_cast<std::int16_t>(U16()); }
  std::int32_t I32() { return static_cast<std::int32_t>(static_cast<std::uint32_t>(Unsigned(4))); }
  double F64() { return std::bit_cast<double>(Unsigned(8)); }
  void Skip(std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) U8();
  }
  // n bytes, zeros for those past the end.
  std::string Bytes(std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>(U8());
    return s;
  }

private:
  std::uint64_t Unsigned(int bytes) {
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= static_cast<std::uint64_t>(U8()) << (8 * i);
    return v;
  }

  std::string_view data_;
  std::size_t pos_ = 0;
  bool short_ = false;
};

class ByteWriter {
public:
  void U8(std::uint8_t v) { out_ += static_cast<char>(v); }
  void U16(std::uint16_t v) { Unsigned(v, 2); }
  void I16(std::int16_t v) { U16(static_cast<std::uint16_t>(v)); }
  void I32(std::int32_t v) { Unsigned(static_cast<std::uint32_t>(v), 4); }
  void F64(double v) { Unsigned(std::bit_cast<std::uint64_t>(v), 8); }
  void Zeros(std::size_t n) { out_.append(n, '\0'); }
  // s, then zeros up to n bytes (s holds at most n).
  void Padded(std::string_view s, std::size_t n) {
    out_.append(s.substr(0, n));
    if (s.size() < n) Zeros(n - s.size());
  }
  std::string Take() { return std::move(out_); }

private:
  void Unsigned(std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out_ += static_cast<char>((v >> (8 * i)) & 0xFF);
  }

  std::string out_;
};

}  // namespace takeoff::shapes
