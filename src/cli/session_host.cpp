#include "cli/session_host.h"

#include "cli/cli_json.h"

namespace takeoff::cli {
namespace {

using platform::MsgAnswer;

const char* IconName(platform::MsgIcon icon) {
  switch (icon) {
    case platform::MsgIcon::Information: return "information";
    case platform::MsgIcon::Warning: return "warning";
    case platform::MsgIcon::Question: return "question";
    case platform::MsgIcon::Error: return "error";
    case platform::MsgIcon::None: break;
  }
  return "none";
}

const char* AnswerName(MsgAnswer a) {
  switch (a) {
    case MsgAnswer::Ok: return "ok";
    case MsgAnswer::Cancel: return "cancel";
    case MsgAnswer::Yes: return "yes";
    case MsgAnswer::No: return "no";
  }
  return "ok";
}

Json Request(const char* kind) { return Json{{"host", kind}}; }

template <class T>
T Take(std::deque<T>& queue, const char* kind, const std::string& text) {
  if (queue.empty()) throw UnansweredRequest{kind, Utf8(text)};
  T a = std::move(queue.front());
  queue.pop_front();
  return a;
}

}  // namespace

MsgAnswer SessionHost::MessageBox(const std::string& text, platform::MsgCaption caption, platform::MsgIcon icon,
                                  platform::MsgButtons buttons) {
  const bool question = buttons != platform::MsgButtons::Ok;
  Json j = Request(question ? "question" : "message");
  j["caption"] = Utf8(platform::CaptionText(caption));
  j["icon"] = IconName(icon);
  j["text"] = Utf8(text);
  MsgAnswer a = MsgAnswer::Ok;
  if (question) {
    a = Take(answers_, "question", text);
    j["answer"] = AnswerName(a);
  }
  PrintJson(j);
  return a;
}

bool SessionHost::InputBox(const std::string& caption, const std::string& prompt, std::string& value) {
  Json j = Request("input");
  j["caption"] = Utf8(caption);
  j["text"] = Utf8(prompt);
  j["value"] = Utf8(value);
  std::optional<std::string> a = Take(inputs_, "input", prompt);
  j["answer"] = a ? Json(Utf8(*a)) : Json("cancel");
  PrintJson(j);
  if (!a) return false;
  value = std::move(*a);
  return true;
}

std::optional<platform::AddNodeChoice> SessionHost::AddNodeDialog(const std::string& caption,
                                                                  const std::string& prompt,
                                                                  const std::string& defaultName,
                                                                  std::vector<std::string>& history,
                                                                  std::int64_t count) {
  Json j = Request("node");
  j["caption"] = Utf8(caption);
  j["text"] = Utf8(prompt);
  j["default"] = Utf8(defaultName);
  Json h = Json::array();
  for (const std::string& s : history) h.push_back(Utf8(s));
  j["history"] = std::move(h);
  j["count"] = count;
  std::optional<platform::AddNodeChoice> a = Take(nodes_, "node", caption);
  j["answer"] = a ? Json{{"name", Utf8(a->Name)}, {"count", a->Count}} : Json("cancel");
  PrintJson(j);
  return a;
}

bool SessionHost::FileDialog(const char* which, const std::string& filter, const std::string& defaultName,
                             std::string& path) {
  Json j = Request("file");
  j["caption"] = which;
  j["text"] = Utf8(filter);
  if (!defaultName.empty()) j["default"] = Utf8(defaultName);
  std::optional<std::string> a = Take(files_, "file", filter);
  j["answer"] = a ? Json(Utf8(*a)) : Json("cancel");
  PrintJson(j);
  if (!a) return false;
  path = std::move(*a);
  return true;
}

bool SessionHost::OpenFileDialog(const std::string& filter, std::string& path) {
  return FileDialog("open", filter, {}, path);
}

bool SessionHost::SaveFileDialog(const std::string& filter, const std::string& defaultName, std::string& path) {
  return FileDialog("save", filter, defaultName, path);
}

void SessionHost::ShowProgress(int percent) {
  Json j = Request("progress");
  if (!progressShown_) j["caption"] = Utf8(platform::ProgressCaption());
  j["text"] = std::to_string(percent);
  progressShown_ = true;
  PrintJson(j);
}

void SessionHost::CloseProgress() {
  if (!progressShown_) return;
  progressShown_ = false;
  Json j = Request("progress");
  j["text"] = "close";
  PrintJson(j);
}

void SessionHost::OpenWindow(const std::string& className) {
  Json j = Request("window");
  j["text"] = className;
  PrintJson(j);
}

}  // namespace takeoff::cli
