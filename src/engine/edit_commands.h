#pragma once
// Commands on the edit control being typed into: the function and bracket commands
// of the formula editor and the up and down buttons of numeric fields.
#include <string_view>

#include "engine/edit_control.h"

namespace takeoff::platform { class Host; }

namespace takeoff::engine {

// Wraps the selection in a call or a comment: prefix + selection + ")" ("SQR(", "(",
// "-("), or "[" + selection + "]" for the prefix "[". Control characters at the front
// of the selection are dropped. The caret ends after the inserted text with nothing
// selected, and the clipboard is left empty, as after the cut and paste the command
// stands for. A read-only control is left as it is.
void WrapSelection(EditControl& edit, std::string_view prefix, platform::Host& host);

// Adds `step` to the integer in the control (the up and down buttons: ±1, ±5 for
// millimetres), putting the bound table into edit state first. An empty control is
// left alone; a text that is no 32-bit integer, or a result that is none, throws
// ConvertError and changes nothing.
void StepEditNumber(EditControl& edit, int step);

}  // namespace takeoff::engine
