#pragma once
// The thumbnail cache of a shape grid: the blobs of all records of a table in one
// byte stream, read once when the table is assigned and painted from afterwards.
//
// Layout while the whole stream stays below 32768 bytes (16-bit signed offsets):
//   N        uint16   number of blobs
//   offsets  N x uint16, offset i = 2 + 2N + total length of blobs 0 .. i-1
//   blobs    one after another
// A larger stream would overflow those offsets, so it is laid out wide instead: N and
// the offsets as uint32, offset i = 4 + 4N + total length of blobs 0 .. i-1.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "shapes/shape.h"
#include "shapes/shape_blob.h"

namespace takeoff::shapes {

inline constexpr std::size_t kNarrowCacheLimit = 32767;  // largest stream with 16-bit offsets

class ThumbnailCache {
public:
  ThumbnailCache() = default;
  // A stream of more than 4 GiB throws ShapeError.
  explicit ThumbnailCache(const std::vector<std::string>& blobs);

  std::size_t Count() const { return count_; }
  bool Wide() const { return wide_; }
  const std::string& Bytes() const { return bytes_; }

  // Blob i, ending where blob i + 1 starts; empty when i is at or beyond Count().
  std::string_view Blob(std::size_t i) const;
  // Blob i read as a shape. A blob shorter than its counts announce is zero-filled
  // from its own bytes, never from the next record's.
  Shape ShapeAt(std::size_t i) const { return ReadShape(Blob(i)); }

private:
  std::size_t Offset(std::size_t i) const;

  std::string bytes_;
  std::size_t count_ = 0;
  bool wide_ = false;
};

}  // namespace takeoff::shapes
