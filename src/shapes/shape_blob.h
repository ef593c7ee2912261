#pragma once
// The shape blob, the stored form of a shape in the picture field of a library table.
// No header; little-endian; three sections, each a count byte and its elements:
//   NL      uint8    line points, then NL x 4 bytes:  dotted, pen down, X, Y
//   NA      uint8    arcs, then NA x 36 bytes:        dotted, 3 padding, X1 Y1 X2 Y2 X3 Y3 X4 Y4 (int32)
//   ND      uint8    dimensions, then ND x 7 bytes:   X1, Y1, X2, Y2, label length L, 2 label bytes
// An empty shape is 00 00 00.
#include <string>
#include <string_view>

#include "shapes/shape.h"

namespace takeoff::shapes {

inline constexpr std::size_t kMaxShapeElements = 255;  // per array: the count is one byte

// Reads a blob; never fails. A missing count counts as 0 (an empty field is an empty
// shape), elements cut short are zero-filled, bytes after the last dimension are
// ignored, a label length above 2 reads as 2.
Shape ReadShape(std::string_view blob);

// Writes a blob. Labels are cut to 2 bytes; an array of more than 255 elements throws
// ShapeError (its count would not fit the byte, and the blob would be misread).
std::string WriteShape(const Shape& shape);

}  // namespace takeoff::shapes
