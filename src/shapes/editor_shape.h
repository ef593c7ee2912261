#pragma once
// A shape as the shape editor holds it: floating-point coordinates in editor pixels
// (480 across the canvas, 4 pixels to one stored unit), with the editor's own text
// marks, snap points and segment indexes beside the drawing.
#include <cstdint>
#include <string>
#include <vector>

namespace takeoff::shapes {

inline constexpr double kEditorScale = 0.25;  // editor pixels to stored units
inline constexpr std::size_t kMaxTextMarkBytes = 20;

struct TLineRecA {
  bool Dotted = false;
  bool PenDown = false;
  double X = 0, Y = 0;
  bool operator==(const TLineRecA&) const = default;
};

struct TArcRecA {
  bool Dotted = false;
  double X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;  // bounding rectangle of the ellipse
  double X3 = 0, Y3 = 0, X4 = 0, Y4 = 0;  // start and end point
  bool operator==(const TArcRecA&) const = default;
};

struct TDimRecA {
  double X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
  std::string Label;  // at most kMaxLabelBytes, whole characters
  bool operator==(const TDimRecA&) const = default;
};

// A text drawn at a byte position in editor pixels.
struct TextMark {
  std::uint8_t X = 0, Y = 0;
  std::string Text;  // at most kMaxTextMarkBytes, whole characters
  bool operator==(const TextMark&) const = default;
};

enum SnapKind : std::uint8_t { kSnapIntersection = 2, kSnapArcCentre = 3 };

struct SnapPoint {
  double X = 0, Y = 0;
  std::uint8_t Kind = kSnapIntersection;  // SnapKind; other values are kept as read
  bool operator==(const SnapPoint&) const = default;
};

// The six drawing arrays, in the order the .pic file holds them. Segments lists the
// indexes into Lines of the pen-down points, in drawing order.
struct EditorShape {
  std::vector<TLineRecA> Lines;
  std::vector<TArcRecA> Arcs;
  std::vector<TextMark> Texts;
  std::vector<TDimRecA> Dims;
  std::vector<SnapPoint> Snaps;
  std::vector<std::uint16_t> Segments;
  bool operator==(const EditorShape&) const = default;
};

}  // namespace takeoff::shapes
