#pragma once
// One cell of a table in 16 bytes: null, an integer, a double, or bytes (texts up to
// 15 bytes are held inline, longer ones on the heap). A record table holds millions
// of cells, so their size is the table's size.
#include <cstdint>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace takeoff::data {

class Value {
public:
  Value() noexcept { Reset(); }
  Value(std::monostate) noexcept { Reset(); }
  Value(std::int64_t v) noexcept {
    Reset();
    u_.i = v;
    tag() = kInt;
  }
  Value(int v) noexcept : Value(std::int64_t{v}) {}
  Value(double v) noexcept {
    Reset();
    u_.d = v;
    tag() = kDouble;
  }
  Value(std::string_view s) { SetText(s); }
  Value(const std::string& s) { SetText(s); }
  Value(const char* s) { SetText(s); }

  Value(const Value& o) {
    if (o.tag() == kHeap) SetText(o.Text());
    else std::memcpy(static_cast<void*>(&u_), &o.u_, sizeof u_);
  }
  Value(Value&& o) noexcept {
    std::memcpy(static_cast<void*>(&u_), &o.u_, sizeof u_);
    o.Reset();
  }
  Value& operator=(const Value& o) {
    if (this != &o) {
      Value copy(o);
      *this = std::move(copy);
    }
    return *this;
  }
  Value& operator=(Value&& o) noexcept {
    if (this != &o) {
      Free();
      std::memcpy(static_cast<void*>(&u_), &o.u_, sizeof u_);
      o.Reset();
    }
    return *this;
  }
  ~Value() { Free(); }

  // 0 null, 1 integer, 2 double, 3 bytes.
  std::size_t index() const noexcept {
    const std::uint8_t t = tag();
    return t >= kInline ? 3 : t;
  }
  bool IsNull() const noexcept { return tag() == kNull; }
  bool IsInt() const noexcept { return tag() == kInt; }
  bool IsDouble() const noexcept { return tag() == kDouble; }
  bool IsText() const noexcept { return index() == 3; }

  std::int64_t Int() const noexcept { return u_.i; }
  double Double() const noexcept { return u_.d; }
  const std::int64_t* IntPtr() const noexcept { return &u_.i; }
  const double* DoublePtr() const noexcept { return &u_.d; }
  std::string_view Text() const noexcept {
    const std::uint8_t t = tag();
    if (t == kHeap) return {u_.heap.ptr, u_.heap.len};
    if (t >= kInline) return {u_.buf, static_cast<std::size_t>(t - kInline)};
    return {};
  }
  std::string Str() const { return std::string(Text()); }

  bool operator==(const Value& o) const noexcept {
    if (index() != o.index()) return false;
    switch (index()) {
      case 1: return u_.i == o.u_.i;
      case 2: return u_.d == o.u_.d;
      case 3: return Text() == o.Text();
      default: return true;
    }
  }

private:
  static constexpr std::uint8_t kNull = 0, kInt = 1, kDouble = 2, kHeap = 3, kInline = 16;
  static constexpr std::size_t kInlineMax = 15;

  std::uint8_t& tag() noexcept { return reinterpret_cast<std::uint8_t&>(u_.buf[15]); }
  std::uint8_t tag() const noexcept { return static_cast<std::uint8_t>(u_.buf[15]); }
  void Reset() noexcept { std::memset(static_cast<void*>(&u_), 0, sizeof u_); }
  void Free() noexcept {
    if (tag() == kHeap) delete[] u_.heap.ptr;
  }
  void SetText(std::string_view s) {
    Reset();
    if (s.size() <= kInlineMax) {
      if (!s.empty()) std::memcpy(u_.buf, s.data(), s.size());
      tag() = static_cast<std::uint8_t>(kInline + s.size());
      return;
    }
    if (s.size() > 0xFFFFFFFFu) throw std::length_error("value too large");
    char* p = new char[s.size()];
    std::memcpy(p, s.data(), s.size());
    u_.heap.ptr = p;
    u_.heap.len = static_cast<std::uint32_t>(s.size());
    tag() = kHeap;
  }

  union U {
    char buf[16];
    std::int64_t i;
    double d;
    struct {
      char* ptr;
      std::uint32_t len;
    } heap;
  } u_;
};

static_assert(sizeof(Value) == 16);

inline bool IsNull(const Value& v) { return v.IsNull(); }
// The cell's value when it is of that kind, else nothing.
inline const std::int64_t* IntIf(const Value& v) { return v.IsInt() ? v.IntPtr() : nullptr; }
inline const double* DoubleIf(const Value& v) { return v.IsDouble() ? v.DoublePtr() : nullptr; }
inline std::optional<std::string_view> TextIf(const Value& v) {
  return v.IsText() ? std::optional<std::string_view>(v.Text()) : std::nullopt;
}

}  // namespace takeoff::data
