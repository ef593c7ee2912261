#pragma once
// Scaling a stored shape from its 120 x 120 design box to a display size.
#include "shapes/shape.h"

namespace takeoff::shapes {

// X coordinates times fx, Y coordinates times fy, rounded to nearest (ties to even)
// and kept in the compact types: line and dimension coordinates clamped to 0..255,
// arc coordinates to the 32-bit range. Targets up to 255 units keep a shape of the
// design box whole; larger ones clip line and dimension points at 255.
Shape Rescale(const Shape& shape, double fx, double fy);

// Rescale for a target of width x height: fx = width / 120, fy = height / 120.
Shape RescaleTo(const Shape& shape, int width, int height);

}  // namespace takeoff::shapes
