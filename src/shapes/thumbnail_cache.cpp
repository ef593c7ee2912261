#include "shapes/thumbnail_cache.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "shapes/byte_io.h"
#include "shapes/shape_error.h"

namespace takeoff::shapes {

ThumbnailCache::ThumbnailCache(const std::vector<std::string>& blobs) : count_(blobs.size()) {
  std::size_t total = 0;
  for (const std::string& b : blobs) total += b.size();

  wide_ = count_ > (kNarrowCacheLimit - 2) / 2 || 2 + 2 * count_ + total > kNarrowCacheLimit;
  const std::size_t width = wide_ ? 4 : 2;
  const std::size_t head = width + width * count_;
  if (head + total > std::numeric_limits<std::uint32_t>::max())
    throw ShapeError("shape thumbnails take more than 4 GiB");

  ByteWriter out;
  const auto put = [&](std::size_t v) {
    if (wide_)
      out.I32(static_cast<std::int32_t>(static_cast<std::uint32_t>(v)));
    else
      out.U16(static_cast<std::uint16_t>(v));
  };
  put(count_);
  std::size_t offset = head;
  for (const std::string& b : blobs) {
    put(offset);
    offset += b.size();
  }
  bytes_ = out.Take();
  bytes_.reserve(head + total);
  for (const std::string& b : blobs) bytes_ += b;
}

std::size_t ThumbnailCache::Offset(std::size_t i) const {
  const std::size_t width = wide_ ? 4 : 2;
  ByteReader in(std::string_view(bytes_).substr(width + width * i, width));
  const std::size_t v = wide_ ? static_cast<std::uint32_t>(in.I32()) : static_cast<std::size_t>(in.I16());
  return std::min(v, bytes_.size());
}

std::string_view ThumbnailCache::Blob(std::size_t i) const {
  if (i >= count_) return {};
  const std::size_t begin = Offset(i);
  const std::size_t end = i + 1 < count_ ? Offset(i + 1) : bytes_.size();
  return std::string_view(bytes_).substr(begin, end > begin ? end - begin : 0);
}

}  // namespace takeoff::shapes
