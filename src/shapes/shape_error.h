#pragma once
#include <stdexcept>

namespace takeoff::shapes {

// A shape that cannot be read or written: a damaged or truncated .pic file, a file
// that cannot be opened, or a drawing too large for its stored form. what() says
// which, in plain words for the message box.
class ShapeError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

}  // namespace takeoff::shapes
