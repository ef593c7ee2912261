#pragma once
// The edit control a formula command works on, as the core sees it. Text is code
// page 936; the selection is counted in bytes and the caret sits at its end
// (SelStart() + SelLength()).
#include <cstddef>
#include <string>
#include <string_view>

namespace takeoff::engine {

class EditControl {
public:
  virtual ~EditControl() = default;

  virtual std::string Text() const = 0;
  virtual void SetText(std::string_view text) = 0;

  virtual std::size_t SelStart() const = 0;
  virtual std::size_t SelLength() const = 0;
  virtual void SetSelection(std::size_t start, std::size_t length) = 0;

  // A read-only control takes no typed, cut or pasted text.
  virtual bool ReadOnly() const = 0;

  // Puts the table the control is bound to into edit state unless it is in edit or
  // insert state already; does nothing for a control bound to no table.
  virtual void BeginEdit() = 0;
};

}  // namespace takeoff::engine
