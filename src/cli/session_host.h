#pragma once
// The host of a headless session: answers come from queues filled by the script,
// and every request is written as one JSON line as it happens. A request that
// finds no answer of its kind stops the script.
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/host.h"

namespace takeoff::cli {

// A host request without a queued answer. Deliberately no std::exception, so that
// no handler on the way mistakes it for a failure of the program and swallows it.
struct UnansweredRequest {
  std::string Kind;  // "question", "input", "node", "file"
  std::string Text;  // UTF-8
};

class SessionHost : public platform::Host {
public:
  // Answers, code page 936; nothing stands for Cancel.
  void QueueAnswer(platform::MsgAnswer a) { answers_.push_back(a); }
  void QueueInput(std::optional<std::string> text) { inputs_.push_back(std::move(text)); }
  void QueueNode(std::optional<platform::AddNodeChoice> choice) { nodes_.push_back(std::move(choice)); }
  void QueueFile(std::optional<std::string> path) { files_.push_back(std::move(path)); }

  platform::MsgAnswer MessageBox(const std::string& text, platform::MsgCaption caption, platform::MsgIcon icon,
                                 platform::MsgButtons buttons) override;
  void ClearClipboard() override { clipboard_.clear(); }
  bool InputBox(const std::string& caption, const std::string& prompt, std::string& value) override;
  std::optional<platform::AddNodeChoice> AddNodeDialog(const std::string& caption, const std::string& prompt,
                                                       const std::string& defaultName,
                                                       std::vector<std::string>& history,
                                                       std::int64_t count) override;
  bool OpenFileDialog(const std::string& filter, std::string& path) override;
  bool SaveFileDialog(const std::string& filter, const std::string& defaultName, std::string& path) override;
  void ShowProgress(int percent) override;
  void CloseProgress() override;
  void OpenWindow(const std::string& className) override;
  void SetClipboardText(const std::string& text) override { clipboard_ = text; }

private:
  bool FileDialog(const char* which, const std::string& filter, const std::string& defaultName, std::string& path);

  std::deque<platform::MsgAnswer> answers_;
  std::deque<std::optional<std::string>> inputs_;
  std::deque<std::optional<platform::AddNodeChoice>> nodes_;
  std::deque<std::optional<std::string>> files_;
  std::string clipboard_;
  bool progressShown_ = false;
};

}  // namespace takeoff::cli
