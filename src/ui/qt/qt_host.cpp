#include "ui/qt/qt_host.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QUrl>

#include "ui/qt/add_node_dialog.h"
#include "ui/qt/progress_window.h"
#include "ui/qt/qt_edit_control.h"
#include "ui/qt/qt_text.h"

namespace takeoff::qtui {

using platform::MsgAnswer;
using platform::MsgButtons;
using platform::MsgIcon;
using platform::TextAction;

namespace {

// The core breaks lines with CR (and CR LF); Qt's labels with LF.
QString DisplayLines(const std::string& cp936) {
  QString s = FromCp936(cp936);
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return s;
}

QMessageBox::Icon QtIcon(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::None: break;
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::Warning: return QMessageBox::Warning;
    case MsgIcon::Question: return QMessageBox::Question;
    case MsgIcon::Error: return QMessageBox::Critical;
  }
  return QMessageBox::NoIcon;
}

// The editable part of a combo box, else the widget itself.
QWidget* TextPart(QWidget* w) {
  if (auto* combo = qobject_cast<QComboBox*>(w); combo && combo->isEditable()) return combo->lineEdit();
  return w;
}

// `patterns` ("*.a;*.b") as Qt writes them ("*.a *.b").
QString QtPatterns(QString patterns) {
  patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
  return patterns.trimmed().isEmpty() ? QStringLiteral("*") : patterns.trimmed();
}

}  // namespace

QString QtFileFilter(const std::string& filter) {
  const QStringList parts = FromCp936(filter).split(QLatin1Char('|'));
  QStringList out;
  for (qsizetype i = 0; i + 1 <= parts.size(); i += 2) {
    const QString description = parts[i].trimmed();
    const QString patterns = QtPatterns(i + 1 < parts.size() ? parts[i + 1] : QString());
    if (description.isEmpty() && parts.size() == 1) break;
    // A description that already ends in its patterns in brackets is taken as it is.
    if (description.endsWith(QLatin1Char('(') + patterns + QLatin1Char(')')))
      out << description;
    else
      out << (description.isEmpty() ? patterns : description) + QStringLiteral(" (") + patterns + QLatin1Char(')');
  }
  return out.join(QStringLiteral(";;"));
}

bool SendTextActionTo(QWidget* widget, TextAction action) {
  QWidget* w = TextPart(widget);
  if (auto* line = qobject_cast<QLineEdit*>(w)) {
    switch (action) {
      case TextAction::Cut: line->isReadOnly() ? line->copy() : line->cut(); break;
      case TextAction::Copy: line->copy(); break;
      case TextAction::Paste: if (!line->isReadOnly()) line->paste(); break;
    }
    return true;
  }
  if (auto* text = qobject_cast<QTextEdit*>(w)) {
    switch (action) {
      case TextAction::Cut: text->isReadOnly() ? text->copy() : text->cut(); break;
      case TextAction::Copy: text->copy(); break;
      case TextAction::Paste: if (!text->isReadOnly()) text->paste(); break;
    }
    return true;
  }
  if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) {
    switch (action) {
      case TextAction::Cut: plain->isReadOnly() ? plain->copy() : plain->cut(); break;
      case TextAction::Copy: plain->copy(); break;
      case TextAction::Paste: if (!plain->isReadOnly()) plain->paste(); break;
    }
    return true;
  }
  return false;
}

QtHost::QtHost() = default;
QtHost::~QtHost() = default;

bool QtHost::InProgress() const { return progress_ && progress_->isVisible(); }

MsgAnswer QtHost::MessageBox(const std::string& text, platform::MsgCaption caption, MsgIcon icon,
                             MsgButtons buttons) {
  QMessageBox box(QtIcon(icon), FromCp936(platform::CaptionText(caption)), DisplayLines(text),
                  QMessageBox::NoButton, mainWindow_);
  box.setTextFormat(Qt::PlainText);
  struct Choice {
    QPushButton* button;
    MsgAnswer answer;
  };
  std::vector<Choice> choices;
  switch (buttons) {
    case MsgButtons::Ok:
      choices.push_back({box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole), MsgAnswer::Ok});
      break;
    case MsgButtons::OkCancel:
      choices.push_back({box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole), MsgAnswer::Ok});
      choices.push_back({box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole), MsgAnswer::Cancel});
      break;
    case MsgButtons::YesNo:
      choices.push_back({box.addButton(QStringLiteral("是(&Y)"), QMessageBox::YesRole), MsgAnswer::Yes});
      choices.push_back({box.addButton(QStringLiteral("否(&N)"), QMessageBox::NoRole), MsgAnswer::No});
      break;
  }
  box.setDefaultButton(choices.front().button);
  // Escape (and the close button) answers with the last button: OK, Cancel or No.
  box.setEscapeButton(choices.back().button);
  box.exec();
  for (const Choice& c : choices)
    if (box.clickedButton() == c.button) return c.answer;
  return choices.back().answer;
}

void QtHost::ClearClipboard() { QGuiApplication::clipboard()->clear(); }

bool QtHost::InputBox(const std::string& caption, const std::string& prompt, std::string& value) {
  QInputDialog dialog(mainWindow_);
  dialog.setInputMode(QInputDialog::TextInput);
  dialog.setWindowTitle(FromCp936(caption));
  dialog.setLabelText(DisplayLines(prompt));
  dialog.setTextValue(FromCp936(value));
  dialog.setOkButtonText(QStringLiteral("确定"));
  dialog.setCancelButtonText(QStringLiteral("取消"));
  if (auto* edit = dialog.findChild<QLineEdit*>()) edit->setValidator(new Cp936Validator(edit));
  if (dialog.exec() != QDialog::Accepted) return false;
  value = ToCp936Replacing(dialog.textValue());
  return true;
}

std::optional<platform::AddNodeChoice> QtHost::AddNodeDialog(const std::string& caption, const std::string& prompt,
                                                             const std::string& defaultName,
                                                             std::vector<std::string>& history,
                                                             std::int64_t count) {
  qtui::AddNodeDialog dialog(caption, prompt, defaultName, history, count, mainWindow_);
  const bool ok = dialog.exec() == QDialog::Accepted;
  history = dialog.History();
  if (!ok) return std::nullopt;
  return platform::AddNodeChoice{dialog.Name(), dialog.Count()};
}

bool QtHost::FileDialog(bool save, const std::string& filter, const std::string& defaultName, std::string& path) {
  QFileDialog dialog(mainWindow_, save ? QStringLiteral("另存为") : QStringLiteral("打开"));
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  // The core checks that the file exists and asks before overwriting.
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.setNameFilter(QtFileFilter(filter));
  if (!defaultName.empty()) dialog.selectFile(FromCp936(defaultName));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  const QString chosen = dialog.selectedFiles().front();
  const auto cp = TryToCp936(chosen);
  if (!cp) {
    // The program keeps every path in code page 936; this one cannot be held.
    MessageBox(ToCp936Replacing(QStringLiteral("文件名中有不能使用的字符：\n") + chosen),
               platform::MsgCaption::Warning, MsgIcon::Warning, MsgButtons::Ok);
    return false;
  }
  path = *cp;
  return true;
}

bool QtHost::OpenFileDialog(const std::string& filter, std::string& path) { return FileDialog(false, filter, {}, path); }

bool QtHost::SaveFileDialog(const std::string& filter, const std::string& defaultName, std::string& path) {
  return FileDialog(true, filter, defaultName, path);
}

void QtHost::SetWaitCursor(bool on) {
  if (on) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ++waitCursorDepth_;
  } else if (waitCursorDepth_ > 0) {
    QApplication::restoreOverrideCursor();
    --waitCursorDepth_;
  }
}

void QtHost::ShowProgress(int percent) {
  if (!progress_) progress_ = std::make_unique<ProgressWindow>();
  progress_->SetPercent(percent);
}

void QtHost::CloseProgress() { progress_.reset(); }

void QtHost::OpenWindow(const std::string& className) {
  if (hooks_) hooks_->OpenToolWindow(FromCp936(className));
}

bool QtHost::OpenWithViewer(const std::string& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(FromCp936(path)));
}

void QtHost::SetClipboardText(const std::string& text) { QGuiApplication::clipboard()->setText(FromCp936(text)); }

void QtHost::PasteInto(const std::string& control) {
  if (control.empty() || !hooks_) return;
  QWidget* w = hooks_->ControlNamed(FromCp936(control));
  if (!w) return;
  SendTextActionTo(w, TextAction::Paste);
  w->setFocus();
}

void QtHost::SendTextAction(TextAction action) { SendTextActionTo(QApplication::focusWidget(), action); }

engine::EditControl* QtHost::FocusedEdit() {
  QWidget* w = TextPart(QApplication::focusWidget());
  if (!w || !QtEditControl::Supports(w)) return nullptr;
  if (focusedEdit_ && focusedEdit_->Widget() == w) return focusedEdit_.get();
  QPointer<QWidget> box(w);
  focusedEdit_ = std::make_unique<QtEditControl>(w, [this, box] {
    if (hooks_ && box) hooks_->BeginEdit(box);
  });
  return focusedEdit_.get();
}

platform::FocusControl QtHost::Focused() {
  return hooks_ ? hooks_->FocusedControl() : platform::FocusControl::Other;
}

void QtHost::SetFocus(platform::FocusControl control) {
  if (hooks_) hooks_->FocusControl(control);
}

}  // namespace takeoff::qtui
