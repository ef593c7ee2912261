#include "ui/qt/qt_edit_control.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextEdit>

#include "ui/qt/qt_text.h"

namespace takeoff::qtui {

namespace {

QLineEdit* AsLine(QWidget* w) { return qobject_cast<QLineEdit*>(w); }
QTextEdit* AsText(QWidget* w) { return qobject_cast<QTextEdit*>(w); }
QPlainTextEdit* AsPlain(QWidget* w) { return qobject_cast<QPlainTextEdit*>(w); }

QTextCursor CursorOf(QWidget* w) {
  if (QTextEdit* t = AsText(w)) return t->textCursor();
  if (QPlainTextEdit* p = AsPlain(w)) return p->textCursor();
  return {};
}

void SetCursorOf(QWidget* w, const QTextCursor& c) {
  if (QTextEdit* t = AsText(w)) t->setTextCursor(c);
  if (QPlainTextEdit* p = AsPlain(w)) p->setTextCursor(c);
}

}  // namespace

QtEditControl::QtEditControl(QWidget* edit, std::function<void()> beginEdit)
    : widget_(edit), beginEdit_(std::move(beginEdit)) {}

bool QtEditControl::Supports(const QWidget* widget) {
  return qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QTextEdit*>(widget) ||
         qobject_cast<const QPlainTextEdit*>(widget);
}

QString QtEditControl::PlainText() const {
  if (QLineEdit* l = AsLine(widget_)) return l->text();
  if (QTextEdit* t = AsText(widget_)) return t->toPlainText();
  if (QPlainTextEdit* p = AsPlain(widget_)) return p->toPlainText();
  return {};
}

// A character the code page cannot hold (a box filled around the validators) reads
// as '?', one byte, as the selection offsets count it.
std::string QtEditControl::Text() const { return ToCp936Replacing(PlainText()); }

void QtEditControl::SetText(std::string_view text) {
  const QString t = FromCp936(text);
  if (QLineEdit* l = AsLine(widget_)) l->setText(t);
  else if (QTextEdit* te = AsText(widget_)) te->setPlainText(t);
  else if (QPlainTextEdit* p = AsPlain(widget_)) p->setPlainText(t);
}

void QtEditControl::Selection(qsizetype& start, qsizetype& end) const {
  start = end = 0;
  if (QLineEdit* l = AsLine(widget_)) {
    if (l->hasSelectedText()) {
      start = l->selectionStart();
      end = start + l->selectedText().size();
    } else {
      start = end = l->cursorPosition();
    }
    return;
  }
  const QTextCursor c = CursorOf(widget_);
  if (c.isNull()) return;
  start = c.selectionStart();
  end = c.selectionEnd();
}

std::size_t QtEditControl::SelStart() const {
  qsizetype start = 0, end = 0;
  Selection(start, end);
  return Cp936Offset(PlainText(), start);
}

std::size_t QtEditControl::SelLength() const {
  qsizetype start = 0, end = 0;
  Selection(start, end);
  const QString plain = PlainText();
  return Cp936Offset(plain, end) - Cp936Offset(plain, start);
}

void QtEditControl::SetSelection(std::size_t start, std::size_t length) {
  const QString plain = PlainText();
  const qsizetype from = Utf16Offset(plain, start);
  const qsizetype to = Utf16Offset(plain, start + length);
  if (QLineEdit* l = AsLine(widget_)) {
    // The caret ends at the selection's end.
    l->setCursorPosition(static_cast<int>(from));
    l->cursorForward(true, static_cast<int>(to - from));
    return;
  }
  QTextCursor c = CursorOf(widget_);
  if (c.isNull()) return;
  c.setPosition(static_cast<int>(from));
  c.setPosition(static_cast<int>(to), QTextCursor::KeepAnchor);
  SetCursorOf(widget_, c);
}

bool QtEditControl::ReadOnly() const {
  if (QLineEdit* l = AsLine(widget_)) return l->isReadOnly();
  if (QTextEdit* t = AsText(widget_)) return t->isReadOnly();
  if (QPlainTextEdit* p = AsPlain(widget_)) return p->isReadOnly();
  return true;
}

void QtEditControl::BeginEdit() {
  if (beginEdit_) beginEdit_();
}

}  // namespace takeoff::qtui
