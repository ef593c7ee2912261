#pragma once
// What the data rules ask of the application layer: windows to open, the project's
// modified state, and the quota library in use.
#include <optional>
#include <string>
#include <string_view>

namespace takeoff::data {

// A quota item as a record takes it.
struct QuotaItem {
  std::string StoredCode;  // the code a record stores: the library's type mark, when marking is on, + deNumber
  std::string Name;        // fxname
  std::string Unit;        // danw
};

class AppRequests {
public:
  virtual ~AppRequests() = default;

  // The variables window (an undefined variable was just defined).
  virtual void OpenVariablesWindow() = 0;
  // The door and window window and whether it is shown.
  virtual void OpenOpeningsWindow() = 0;
  virtual bool OpeningsWindowShown() const = 0;

  // The project's modified flag and last-modified time.
  virtual void MarkModified() = 0;
  virtual void ClearModified() = 0;
  virtual void StampLastModified() = 0;

  // The quota library in use. Without a library nothing is found and there is no
  // current item.
  // The entry whose deNumber equals `code` exactly.
  virtual std::optional<QuotaItem> LookUpQuotaCode(std::string_view /*code*/) { return std::nullopt; }
  // The entry under the quota library's cursor.
  virtual std::optional<QuotaItem> CurrentQuotaItem() { return std::nullopt; }
};

// No application around the rules (batch runs, benchmarks): nothing to open or mark.
class NoAppRequests : public AppRequests {
public:
  void OpenVariablesWindow() override {}
  void OpenOpeningsWindow() override {}
  bool OpeningsWindowShown() const override { return false; }
  void MarkModified() override {}
  void ClearModified() override {}
  void StampLastModified() override {}
};

}  // namespace takeoff::data
