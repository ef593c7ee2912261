#pragma once
// From the editor's drawing to the stored shape.
#include "shapes/editor_shape.h"
#include "shapes/shape.h"

namespace takeoff::shapes {

// Line points, arcs and dimension marks of the drawing with every coordinate times
// `scale`, rounded to nearest (ties to even). Line and dimension coordinates outside
// 0..255 are clamped to it, arc coordinates to the 32-bit range (NaN gives 0), never
// wrapped. Dotted and pen-down flags are copied, labels cut to 2 bytes. Text marks,
// snap points and segment indexes are not part of the stored shape.
Shape Convert(const EditorShape& drawing, double scale = kEditorScale);

}  // namespace takeoff::shapes
