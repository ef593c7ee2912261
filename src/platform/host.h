#pragma once
// The host: everything through which the core asks or tells the user something.
// The desktop program answers with real dialogs, the command line and the tests with
// scripted answers. Every text crossing this interface is in code page 936.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace takeoff::engine { class EditControl; }

namespace takeoff::platform {

enum class MsgCaption { Tip, TipInfo, Warning, ErrorTip, AppTitle };
enum class MsgIcon { None, Information, Warning, Question, Error };
enum class MsgButtons { Ok, OkCancel, YesNo };
enum class MsgAnswer { Ok, Cancel, Yes, No };

// Controls of the main window between which the focus keys move the focus.
enum class FocusControl { Other, RecordGrid, ParameterGrid, QuotaTree };

// The text commands that go to the focused window.
enum class TextAction { Cut, Copy, Paste };

// What the add-node dialog hands back when it was confirmed.
struct AddNodeChoice {
  std::string Name;         // the name box
  std::int64_t Count = 1;   // "重复件数", not bounded by the dialog
};

// The caption text of a message box ("提示", "提示信息", "警告", "错误提示", the program title).
const std::string& CaptionText(MsgCaption caption);

// The caption of the progress window TFmPg.
const std::string& ProgressCaption();

class Host {
public:
  virtual ~Host() = default;

  // A modal message box; returns the button the user pressed.
  virtual MsgAnswer MessageBox(const std::string& text, MsgCaption caption, MsgIcon icon,
                               MsgButtons buttons) = 0;

  // Empties the clipboard.
  virtual void ClearClipboard() = 0;

  // A modal input box proposing `value`; on OK `value` holds the answer. Returns
  // false when the user cancelled (`value` is then left as proposed). A host
  // without a user cancels.
  virtual bool InputBox(const std::string& /*caption*/, const std::string& /*prompt*/, std::string& /*value*/) {
    return false;
  }

  // The modal add-node dialog (TfmAdd): caption, prompt, the proposed name, the
  // name box's drop-down `history` (the dialog may remove entries from it) and the
  // proposed count. Returns the name and count on OK, nothing when it was dismissed.
  // A host without a user dismisses it.
  virtual std::optional<AddNodeChoice> AddNodeDialog(const std::string& /*caption*/, const std::string& /*prompt*/,
                                                     const std::string& /*defaultName*/,
                                                     std::vector<std::string>& /*history*/, std::int64_t /*count*/) {
    return std::nullopt;
  }

  // The open-file dialog with a filter ("description|pattern"). On OK `path` holds
  // the chosen file; false when the user cancelled. A host without a user cancels.
  virtual bool OpenFileDialog(const std::string& /*filter*/, std::string& /*path*/) { return false; }

  // The save-file dialog with a filter and the proposed file name. On OK `path` holds
  // the chosen file; false when the user cancelled. A host without a user cancels.
  virtual bool SaveFileDialog(const std::string& /*filter*/, const std::string& /*defaultName*/,
                              std::string& /*path*/) {
    return false;
  }

  // The hourglass while a long operation runs (on), the normal cursor again (off).
  virtual void SetWaitCursor(bool /*on*/) {}

  // The progress window TFmPg ("正在处理数据中，请稍候......"): shown on the first
  // call, its bar set to `percent` (0 to 100) and repainted; closed by CloseProgress.
  virtual void ShowProgress(int /*percent*/) {}
  virtual void CloseProgress() {}

  // Opens the tool window of class `className` ("TfmVal", "TfmAbout", ...).
  virtual void OpenWindow(const std::string& /*className*/) {}

  // Opens a file with the system's default viewer for its type; false when that failed.
  virtual bool OpenWithViewer(const std::string& /*path*/) { return false; }

  // Puts `text` on the clipboard.
  virtual void SetClipboardText(const std::string& /*text*/) {}
  // Sends a paste, then the focus, to the main window's control named `control` (the
  // insertion target); "" names none, and the paste goes nowhere.
  virtual void PasteInto(const std::string& /*control*/) {}

  // Sends a cut, copy or paste to the window that has the keyboard focus.
  virtual void SendTextAction(TextAction /*action*/) {}
  // The focused text box, nothing when the focus is not in one.
  virtual engine::EditControl* FocusedEdit() { return nullptr; }
  // Which of the main window's controls has the focus, and moving it.
  virtual FocusControl Focused() { return FocusControl::Other; }
  virtual void SetFocus(FocusControl /*control*/) {}

  // The standard application message box: the program title, no icon, one OK button.
  void ShowMessage(const std::string& text) {
    MessageBox(text, MsgCaption::AppTitle, MsgIcon::None, MsgButtons::Ok);
  }
};

// A host with nobody to ask (batch runs, benchmarks, fuzz targets): every message box
// is counted and answered with one fixed answer; the other requests keep their defaults.
class SilentHost : public Host {
public:
  explicit SilentHost(MsgAnswer answer = MsgAnswer::Ok) : answer_(answer) {}
  MsgAnswer MessageBox(const std::string&, MsgCaption, MsgIcon, MsgButtons) override {
    ++Messages;
    return answer_;
  }
  void ClearClipboard() override {}
  int Messages = 0;

private:
  MsgAnswer answer_;
};

// The wait cursor for a scope, restored also when the scope is left by an exception.
class WaitCursor {
public:
  explicit WaitCursor(Host& host) : host_(host) { host_.SetWaitCursor(true); }
  ~WaitCursor() { host_.SetWaitCursor(false); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

private:
  Host& host_;
};

}  // namespace takeoff::platform
