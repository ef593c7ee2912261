#pragma once
// The core's view of a Qt text box: an engine::EditControl over a QLineEdit,
// QTextEdit or QPlainTextEdit, with the text and the selection in code page 936
// bytes.
#include <functional>

#include <QPointer>
#include <QWidget>

#include "engine/edit_control.h"

class QLineEdit;
class QTextEdit;
class QPlainTextEdit;

namespace takeoff::qtui {

class QtEditControl : public engine::EditControl {
public:
  // `beginEdit` puts the table the box is bound to into edit state; empty for a box
  // bound to no table. A widget of any other type gives a control with no text.
  explicit QtEditControl(QWidget* edit, std::function<void()> beginEdit = {});

  // Whether `widget` is a text box this adapter can work on.
  static bool Supports(const QWidget* widget);

  QWidget* Widget() const { return widget_; }

  std::string Text() const override;
  void SetText(std::string_view text) override;
  std::size_t SelStart() const override;
  std::size_t SelLength() const override;
  void SetSelection(std::size_t start, std::size_t length) override;
  bool ReadOnly() const override;
  void BeginEdit() override;

private:
  QString PlainText() const;
  // The selection in UTF-16 positions (start <= end).
  void Selection(qsizetype& start, qsizetype& end) const;

  QPointer<QWidget> widget_;
  std::function<void()> beginEdit_;
};

}  // namespace takeoff::qtui
