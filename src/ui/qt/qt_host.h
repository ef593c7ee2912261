#pragma once
// The desktop program's host: every request of the core answered with real Qt
// dialogs and services. Texts arrive and leave in code page 936 and are converted
// here. The requests that concern the main window's own controls go to
// MainWindowHooks; without hooks they do nothing.
#include <memory>

#include <QPointer>
#include <QString>
#include <QWidget>

#include "platform/host.h"

namespace takeoff::qtui {

class ProgressWindow;
class QtEditControl;

// What the host needs of the main window.
class MainWindowHooks {
public:
  virtual ~MainWindowHooks() = default;
  // Opens the tool window of class `className` ("TfmVal", "TfmAbout", ...).
  virtual void OpenToolWindow(const QString& className) = 0;
  // The main window's control with this object name, nullptr when there is none.
  virtual QWidget* ControlNamed(const QString& objectName) = 0;
  // Which of the focus-key controls has the focus, and moving it there.
  virtual platform::FocusControl FocusedControl() = 0;
  virtual void FocusControl(platform::FocusControl control) = 0;
  // Puts the table that the text box `control` is bound to into edit state; nothing
  // for a box bound to no table.
  virtual void BeginEdit(QWidget* /*control*/) {}
};

// The filter of the file dialogs, "description|pattern[|description|pattern...]"
// with patterns separated by ';', in Qt's form "description (pattern pattern)" with
// one filter a line.
QString QtFileFilter(const std::string& filter);

class QtHost : public platform::Host {
public:
  QtHost();
  ~QtHost() override;

  // The owner of the message boxes and dialogs; they are centred over it.
  void SetMainWindow(QWidget* window) { mainWindow_ = window; }
  QWidget* MainWindow() const { return mainWindow_; }
  void SetHooks(MainWindowHooks* hooks) { hooks_ = hooks; }

  // Whether the progress window is up: a long operation holds the event loop.
  bool InProgress() const;
  ProgressWindow* Progress() const { return progress_.get(); }

  platform::MsgAnswer MessageBox(const std::string& text, platform::MsgCaption caption, platform::MsgIcon icon,
                                 platform::MsgButtons buttons) override;
  void ClearClipboard() override;
  bool InputBox(const std::string& caption, const std::string& prompt, std::string& value) override;
  std::optional<platform::AddNodeChoice> AddNodeDialog(const std::string& caption, const std::string& prompt,
                                                       const std::string& defaultName,
                                                       std::vector<std::string>& history,
                                                       std::int64_t count) override;
  bool OpenFileDialog(const std::string& filter, std::string& path) override;
  bool SaveFileDialog(const std::string& filter, const std::string& defaultName, std::string& path) override;
  void SetWaitCursor(bool on) override;
  void ShowProgress(int percent) override;
  void CloseProgress() override;
  void OpenWindow(const std::string& className) override;
  bool OpenWithViewer(const std::string& path) override;
  void SetClipboardText(const std::string& text) override;
  void PasteInto(const std::string& control) override;
  void SendTextAction(platform::TextAction action) override;
  engine::EditControl* FocusedEdit() override;
  platform::FocusControl Focused() override;
  void SetFocus(platform::FocusControl control) override;

private:
  bool FileDialog(bool save, const std::string& filter, const std::string& defaultName, std::string& path);

  QPointer<QWidget> mainWindow_;
  MainWindowHooks* hooks_ = nullptr;
  int waitCursorDepth_ = 0;
  std::unique_ptr<ProgressWindow> progress_;
  std::unique_ptr<QtEditControl> focusedEdit_;  // the adapter FocusedEdit last handed out
};

// Sends a cut, copy or paste to `widget` when it is a text box (an editable combo box
// counts by its line edit); a read-only box only copies. Returns whether it took it.
bool SendTextActionTo(QWidget* widget, platform::TextAction action);

}  // namespace takeoff::qtui
