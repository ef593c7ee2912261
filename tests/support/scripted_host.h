#pragma once
// A host for tests: answers come from a queue, every request is recorded.
#include <algorithm>
#include <cstdint>
#include <deque>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/host.h"

namespace takeoff::testing {

struct InputCall {
  std::string Caption, Prompt, Proposed;  // code page 936
};

struct AddNodeCall {
  std::string Caption, Prompt, DefaultName;  // code page 936
  std::vector<std::string> History;          // the drop-down list as offered
  std::int64_t Count = 1;
};

// A scripted answer of the add-node dialog: the entries the user clears from the
// drop-down list first, then OK with a name and count, or nothing for Cancel.
struct AddNodeAnswer {
  std::optional<platform::AddNodeChoice> Choice;
  std::vector<std::string> Cleared;
};

// A file dialog as shown: which one, its filter and the proposed name (save only).
struct FileDialogCall {
  bool Save = false;
  std::string Filter, DefaultName;  // code page 936
};

struct MessageCall {
  std::string Text;  // code page 936
  platform::MsgCaption Caption;
  platform::MsgIcon Icon;
  platform::MsgButtons Buttons;
};

// A paste sent to a control or to the focused window, with what the clipboard held
// at that moment.
struct PasteCall {
  std::string Control;    // the insertion target of PasteInto; "" for none
  std::string Clipboard;  // code page 936
};

struct TextActionCall {
  platform::TextAction Action;
  std::string Clipboard;  // what the clipboard held when it was sent
};

class ScriptedHost : public platform::Host {
public:
  // Queues the answer to the next message box that has more than one button.
  void Answer(platform::MsgAnswer answer) { answers_.push_back(answer); }

  platform::MsgAnswer MessageBox(const std::string& text, platform::MsgCaption caption,
                                 platform::MsgIcon icon, platform::MsgButtons buttons) override {
    Messages.push_back({text, caption, icon, buttons});
    if (buttons == platform::MsgButtons::Ok) return platform::MsgAnswer::Ok;
    if (answers_.empty()) throw std::logic_error("message box without a queued answer: " + text);
    platform::MsgAnswer a = answers_.front();
    answers_.pop_front();
    return a;
  }

  void ClearClipboard() override { ++ClipboardClears; }

  // Queues the answer to the next input box: a text, or nothing for Cancel.
  void AnswerInput(std::optional<std::string> answer) { inputs_.push_back(std::move(answer)); }

  bool InputBox(const std::string& caption, const std::string& prompt, std::string& value) override {
    Inputs.push_back({caption, prompt, value});
    if (inputs_.empty()) throw std::logic_error("input box without a queued answer: " + prompt);
    std::optional<std::string> a = std::move(inputs_.front());
    inputs_.pop_front();
    if (!a) return false;
    value = std::move(*a);
    return true;
  }

  // Queues the answer to the next add-node dialog.
  void AnswerAddNode(std::string name, std::int64_t count = 1) {
    addNodes_.push_back({platform::AddNodeChoice{std::move(name), count}, {}});
  }
  void AnswerAddNode(AddNodeAnswer answer) { addNodes_.push_back(std::move(answer)); }
  void CancelAddNode() { addNodes_.push_back({}); }

  std::optional<platform::AddNodeChoice> AddNodeDialog(const std::string& caption, const std::string& prompt,
                                                       const std::string& defaultName,
                                                       std::vector<std::string>& history,
                                                       std::int64_t count) override {
    AddNodes.push_back({caption, prompt, defaultName, history, count});
    if (addNodes_.empty()) throw std::logic_error("add-node dialog without a queued answer: " + caption);
    AddNodeAnswer a = std::move(addNodes_.front());
    addNodes_.pop_front();
    for (const std::string& c : a.Cleared) history.erase(std::remove(history.begin(), history.end(), c), history.end());
    return a.Choice;
  }

  // Queues the answer to the next open or save dialog: a path, or nothing for Cancel.
  void AnswerFileDialog(std::optional<std::string> path) { files_.push_back(std::move(path)); }

  bool OpenFileDialog(const std::string& filter, std::string& path) override {
    return FileDialog({false, filter, {}}, path);
  }
  bool SaveFileDialog(const std::string& filter, const std::string& defaultName, std::string& path) override {
    return FileDialog({true, filter, defaultName}, path);
  }

  void SetWaitCursor(bool on) override { WaitCursor.push_back(on); }

  void SetClipboardText(const std::string& text) override {
    Clipboard = text;
    ++ClipboardWrites;
  }
  void PasteInto(const std::string& control) override { Pastes.push_back({control, Clipboard}); }
  void SendTextAction(platform::TextAction action) override { TextActions.push_back({action, Clipboard}); }

  std::vector<MessageCall> Messages;
  std::vector<FileDialogCall> FileDialogs;
  std::vector<bool> WaitCursor;  // every switch, in order
  std::vector<AddNodeCall> AddNodes;
  std::vector<InputCall> Inputs;
  int ClipboardClears = 0;
  std::string Clipboard;  // the text last put on the clipboard
  int ClipboardWrites = 0;
  std::vector<PasteCall> Pastes;
  std::vector<TextActionCall> TextActions;

private:
  bool FileDialog(FileDialogCall call, std::string& path) {
    FileDialogs.push_back(call);
    if (files_.empty()) throw std::logic_error("file dialog without a queued answer: " + call.Filter);
    std::optional<std::string> a = std::move(files_.front());
    files_.pop_front();
    if (!a) return false;
    path = std::move(*a);
    return true;
  }

  std::deque<platform::MsgAnswer> answers_;
  std::deque<std::optional<std::string>> files_;
  std::deque<std::optional<std::string>> inputs_;
  std::deque<AddNodeAnswer> addNodes_;
};

}  // namespace takeoff::testing
