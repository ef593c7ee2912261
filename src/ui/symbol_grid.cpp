#include "ui/symbol_grid.h"

#include <limits>
#include <new>
#include <system_error>

#include "platform/host.h"
#include "text/line_file.h"

namespace takeoff::ui {

namespace {
const std::string kEmpty;
}

void SymbolGrid::FillFromFile(const std::filesystem::path& file) {
  symbols_.clear();
  rows_ = 0;
  magnifierVisible_ = false;
  magnifierText_.clear();

  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) return;
  std::vector<std::string> lines;
  try {
    lines = text::ReadLines(file);
  } catch (const std::bad_alloc&) {
    return;  // a file far too large for a palette: shown empty like an unreadable one
  }
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  // The row count is an int for the grid; a file beyond that is not a symbol file.
  if (lines.size() / kColumns >= static_cast<std::size_t>(std::numeric_limits<int>::max())) return;
  symbols_ = std::move(lines);
  rows_ = static_cast<int>(symbols_.size() / kColumns) + 1;
}

const std::string& SymbolGrid::Cell(int row, int col) const {
  if (row < 0 || row >= rows_ || col < 0 || col >= kColumns) return kEmpty;
  const std::size_t i = static_cast<std::size_t>(row) * kColumns + static_cast<std::size_t>(col);
  return i < symbols_.size() ? symbols_[i] : kEmpty;
}

void SymbolGrid::ClickCell(int row, int col) {
  if (row < 0 || row >= rows_ || col < 0 || col >= kColumns) return;
  magnifierRow_ = row;
  magnifierCol_ = col;
  magnifierText_ = Cell(row, col);
  magnifierVisible_ = true;
}

void SymbolGrid::ClickMagnifier() {
  if (!magnifierVisible_) return;
  host_.SetClipboardText(magnifierText_);
  host_.SendTextAction(platform::TextAction::Paste);
  host_.PasteInto(pasteTarget_);
}

}  // namespace takeoff::ui
