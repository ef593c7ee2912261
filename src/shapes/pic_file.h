#pragma once
// The .pic file, the shape editor's backup of its drawing. No header; little-endian;
// six sections in this order, each an int16 count and that many elements:
//   line points   24 bytes  dotted, pen down, 6 padding, X, Y (double)
//   arcs          72 bytes  dotted, 7 padding, X1 Y1 X2 Y2 X3 Y3 X4 Y4 (double)
//   text marks    23 bytes  X, Y (bytes), text length (0-20), 20 text bytes
//   dimensions    40 bytes  X1 Y1 X2 Y2 (double), label length (0-2), 2 label bytes, 5 padding
//   snap points   24 bytes  X, Y (double), kind, 7 padding
//   segments       2 bytes  uint16 index into the line points
// Padding is written as 0 and ignored on reading.
#include <filesystem>
#include <string>
#include <string_view>

#include "shapes/editor_shape.h"

namespace takeoff::shapes {

inline constexpr std::size_t kMaxPicElements = 32767;  // per array: the count is a signed int16

// Reads a .pic image held in memory. A negative count, a section cut short or a
// coordinate that is not a finite number throws ShapeError; bytes after the last
// section are ignored. Label and text lengths above their limits read as the limit.
// Segment indexes that name no segment (0, or not below the number of line points)
// are dropped, so that every index kept has a point and a point before it.
EditorShape DecodePicFile(std::string_view bytes);

// Writes the image. Labels are cut to 2 bytes and texts to 20, without splitting a
// double-byte character; an array of more than 32767 elements throws ShapeError.
std::string EncodePicFile(const EditorShape& shape);

// The file name with its extension replaced by ".pic" (added when there is none), as
// the editor uses it for reading and writing whatever the user typed.
std::filesystem::path PicFilePath(const std::filesystem::path& typed);

// Reads and writes the file at PicFilePath(typed). A file that cannot be opened, read
// or written, or a damaged file, throws ShapeError.
EditorShape ReadPicFile(const std::filesystem::path& typed);
void WritePicFile(const std::filesystem::path& typed, const EditorShape& shape);

}  // namespace takeoff::shapes
