#pragma once
// Application requests for tests: every request is counted, the quota library is a
// small table of items given by the test.
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "data/app_requests.h"

namespace takeoff::testing {

class RecordingApp : public data::AppRequests {
public:
  void OpenVariablesWindow() override { ++VariablesWindowOpened; }
  void OpenOpeningsWindow() override {
    ++OpeningsWindowOpened;
    OpeningsShown = true;
  }
  bool OpeningsWindowShown() const override { return OpeningsShown; }

  void MarkModified() override {
    Modified = true;
    ++ModifiedMarks;
  }
  void ClearModified() override { Modified = false; }
  void StampLastModified() override { ++Stamps; }

  std::optional<data::QuotaItem> LookUpQuotaCode(std::string_view code) override {
    auto it = Library.find(std::string(code));
    if (it == Library.end()) return std::nullopt;
    return it->second;
  }
  std::optional<data::QuotaItem> CurrentQuotaItem() override { return Current; }

  int VariablesWindowOpened = 0;
  int OpeningsWindowOpened = 0;
  bool OpeningsShown = false;
  bool Modified = false;
  int ModifiedMarks = 0;
  int Stamps = 0;
  std::map<std::string, data::QuotaItem> Library;  // deNumber -> item
  std::optional<data::QuotaItem> Current;
};

}  // namespace takeoff::testing
