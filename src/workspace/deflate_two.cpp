#include "workspace/deflate_two.h"

#include <zlib.h>

#include <stdexcept>
#include <thread>

namespace takeoff::workspace {
namespace {

constexpr std::size_t kWindow = 32768;

// A byte range of the concatenated parts.
struct Span {
  const std::vector<std::string_view>& parts;
  std::size_t begin, end;

  template <typename F>
  void Each(F f) const {
    std::size_t at = 0;
    for (std::string_view p : parts) {
      const std::size_t lo = std::max(begin, at), hi = std::min(end, at + p.size());
      if (lo < hi) f(p.data() + (lo - at), hi - lo);
      at += p.size();
    }
  }
};

// Raw deflate of one span; `last` ends the stream, otherwise the output ends on a
// byte boundary (a sync flush) so that the next half can follow it.
struct Half {
  std::string Out;
  uLong Adler = adler32(0L, Z_NULL, 0);
  bool Ok = false;

  void Run(const Span& span, const std::string& dictionary, bool last) {
    z_stream zs{};
    if (deflateInit2(&zs, Z_BEST_SPEED, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) return;
    if (!dictionary.empty() &&
        deflateSetDictionary(&zs, reinterpret_cast<const Bytef*>(dictionary.data()),
                             static_cast<uInt>(dictionary.size())) != Z_OK) {
      deflateEnd(&zs);
      return;
    }
    Out.resize(deflateBound(&zs, static_cast<uLong>(span.end - span.begin)) + 16);
    zs.next_out = reinterpret_cast<Bytef*>(Out.data());
    zs.avail_out = static_cast<uInt>(Out.size());
    bool ok = true;
    span.Each([&](const char* p, std::size_t n) {
      Adler = adler32_z(Adler, reinterpret_cast<const Bytef*>(p), n);
      zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(p));
      zs.avail_in = static_cast<uInt>(n);
      while (ok && zs.avail_in > 0) ok = deflate(&zs, Z_NO_FLUSH) == Z_OK && zs.avail_out > 0;
    });
    const int rc = ok ? deflate(&zs, last ? Z_FINISH : Z_SYNC_FLUSH) : Z_STREAM_ERROR;
    Ok = ok && (last ? rc == Z_STREAM_END : rc == Z_OK);
    Out.resize(Out.size() - zs.avail_out);
    deflateEnd(&zs);
  }
};

}  // namespace

std::string DeflateLevel1(const std::vector<std::string_view>& parts) {
  std::size_t total = 0;
  for (std::string_view p : parts) total += p.size();
  const std::size_t cut = total / 2;

  // The second half starts with the window the first half leaves behind.
  std::string dictionary;
  if (cut > 0) Span{parts, cut > kWindow ? cut - kWindow : 0, cut}.Each([&](const char* p, std::size_t n) {
    dictionary.append(p, n);
  });

  Half first, second;
  std::thread worker([&] { second.Run(Span{parts, cut, total}, dictionary, true); });
  first.Run(Span{parts, 0, cut}, {}, false);
  worker.join();
  if (!first.Ok || !second.Ok) throw std::runtime_error("deflate failed");

  std::string out;
  out.reserve(2 + first.Out.size() + second.Out.size() + 4);
  out += '\x78';  // deflate, 32 KiB window
  out += '\x01';  // fastest level, no dictionary; (0x78 << 8 | 0x01) % 31 == 0
  out += first.Out;
  out += second.Out;
  const uLong adler = adler32_combine(first.Adler, second.Adler, static_cast<z_off_t>(total - cut));
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((adler >> shift) & 0xFF);
  return out;
}

}  // namespace takeoff::workspace
