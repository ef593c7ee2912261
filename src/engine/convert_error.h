#pragma once
#include <stdexcept>
#include <string>
#include <string_view>

namespace takeoff::engine {

// A text that should hold a 32-bit integer and does not. what() is the standard
// conversion message (code page 936), shown to the user by the caller.
class ConvertError : public std::runtime_error {
public:
  explicit ConvertError(std::string_view text)
      : std::runtime_error("'" + std::string(text) + "' is not a valid integer value") {}
};

}  // namespace takeoff::engine
