#pragma once
// A host for tests: answers come from a queue, every request is recorded.
#include <deque>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/host.h"

namespace takeoff::testing {

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

  std::vector<MessageCall> Messages;
  int ClipboardClears = 0;

private:
  std::deque<platform::MsgAnswer> answers_;
};

}  // namespace takeoff::testing
