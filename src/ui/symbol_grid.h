#pragma once
// The symbol grid TMyStingGrid of the symbol palette: ten columns of symbols read
// from a code page 936 text file (useinfo\fh.dat), one symbol per line, and the
// magnifier that shows the clicked symbol and inserts it when clicked itself.
#include <cstddef>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace takeoff::platform { class Host; }

namespace takeoff::ui {

class SymbolGrid {
public:
  static constexpr int kColumns = 10;

  explicit SymbolGrid(platform::Host& host) : host_(host) {}

  // Fills the grid from the file's lines (any line end), empty lines at the end
  // dropped: line i goes to column i % 10 of row i / 10, and there are lines / 10 + 1
  // rows, so a file without symbols shows one empty row. A missing or unreadable file
  // leaves the grid empty (no rows). The magnifier is hidden.
  void FillFromFile(const std::filesystem::path& file);

  int RowCount() const { return rows_; }
  // The cell's text; "" for an empty cell and outside the grid.
  const std::string& Cell(int row, int col) const;

  // A click on a cell: the magnifier moves to the cell, shows its text and appears.
  // Outside the grid nothing happens.
  void ClickCell(int row, int col);
  bool MagnifierVisible() const { return magnifierVisible_; }
  const std::string& MagnifierText() const { return magnifierText_; }
  int MagnifierRow() const { return magnifierRow_; }
  int MagnifierCol() const { return magnifierCol_; }

  // A click on the magnifier: its text goes to the clipboard and is pasted into the
  // focused window and into the paste target. Nothing while it is hidden.
  void ClickMagnifier();

  // The control the magnifier pastes into (the main window's insertion target when
  // the palette last became active; "" for none).
  void SetPasteTarget(std::string control) { pasteTarget_ = std::move(control); }
  const std::string& PasteTarget() const { return pasteTarget_; }

private:
  platform::Host& host_;
  std::vector<std::string> symbols_;  // line i is cell i (row-major)
  int rows_ = 0;
  bool magnifierVisible_ = false;
  std::string magnifierText_;
  int magnifierRow_ = 0, magnifierCol_ = 0;
  std::string pasteTarget_;
};

}  // namespace takeoff::ui
