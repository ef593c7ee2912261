#pragma once
// Drawing a stored shape and its dimension marks on a canvas.
#include <string_view>

#include "shapes/canvas.h"
#include "shapes/shape.h"

namespace takeoff::shapes {

// Draws the shape, already scaled to its target (Rescale), into `target`: a black
// background, green line points and arcs (each solid or dotted), then yellow solid
// dimension marks with red 9-point labels. Coordinates are offsets from the target's
// top left. Leaves the canvas with that font, a black brush and a yellow solid pen.
void DrawShape(const Shape& shape, const Rect& target, Canvas& canvas);

// One dimension mark measuring p1 to p2, with the canvas's pen, font and brush: a line
// parallel to p1-p2 and 8 pixels to its side (below a left-to-right mark, above a
// right-to-left one, left of a top-to-bottom one, right of a bottom-to-top one), an
// oblique tick and a square end bar at each end, and the label above the middle.
void DrawDimension(Point p1, Point p2, std::string_view label, Canvas& canvas);

}  // namespace takeoff::shapes
