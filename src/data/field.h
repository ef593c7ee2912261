#pragma once
// Field definitions and cell values of the tables.
#include <cstdint>
#include <stdexcept>
#include <string>
#include "data/value.h"

namespace takeoff::data {

enum class FieldType : std::uint8_t { Text, Memo, Blob, Int32, Int16, UInt16, Decimal, Auto, Bool, Double };

struct FieldDef {
  std::string Name;
  FieldType Type = FieldType::Text;
  int Size = 0;            // text: the byte width n; decimal: the places d
  bool Required = false;
  std::string Default;     // declared default as text (code page 936), empty = none
  std::string DisplayLabel;
  bool Calculated = false; // not stored; filled by the calculate hook
  int WriteLimit = 0;      // text only: values written are cut to this many bytes (0 = Size)

  bool operator==(const FieldDef&) const = default;
  // The label shown in messages: the display label, else the name.
  const std::string& Label() const { return DisplayLabel.empty() ? Name : DisplayLabel; }
};

// A cell (data/value.h) holds null, an integer (int, auto, bool 0/1, decimal scaled
// by 10^4), a double, or bytes (text, memo, blob). The field's type says how to read it.

// A silent abort: raised by a hook to cancel the operation without a message.
class Abort : public std::exception {
public:
  const char* what() const noexcept override { return "operation aborted"; }
};

// A refused table operation with the standard message (code page 936): a required
// field left empty, a value out of a field's range, a damaged storage image.
class TableError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

}  // namespace takeoff::data
