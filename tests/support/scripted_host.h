#pragma once
// A host for tests: answers come from a queue, every request is recorded.
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

struct MessageCall {
  std::string Text;  // code page 936
  platform::MsgCaption Caption;
  platform::MsgIcon Icon;
  platform::MsgButtons Buttons;
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

  std::vector<MessageCall> Messages;
  std::vector<InputCall> Inputs;
  int ClipboardClears = 0;

private:
  std::deque<platform::MsgAnswer> answers_;
  std::deque<std::optional<std::string>> inputs_;
};

}  // namespace takeoff::testing
