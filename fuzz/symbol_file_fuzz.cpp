// Arbitrary bytes as the symbol file of the symbol palette, read through the file as
// the palette reads it: the grid has lines / 10 + 1 rows, its cells hold no line
// ends, the last line is a filled cell, and every cell of every row can be read.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "platform/host.h"
#include "ui/symbol_grid.h"

using namespace takeoff;

namespace {

using NoHost = platform::SilentHost;

// The file the input is written to, one per process, removed at exit.
struct InputFile {
  std::filesystem::path Path =
      std::filesystem::temp_directory_path() / ("takeoff-symbol-fuzz-" + std::to_string(::getpid()) + ".dat");
  ~InputFile() {
    std::error_code ec;
    std::filesystem::remove(Path, ec);
  }
};

const std::filesystem::path& File() {
  static const InputFile f;
  return f.Path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  {
    std::ofstream out(File(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out) return 0;
  }
  NoHost host;
  ui::SymbolGrid grid(host);
  grid.FillFromFile(File());
  if (grid.RowCount() < 1) std::abort();

  std::size_t bytes = 0, last = 0, cells = 0;
  for (int row = 0; row < grid.RowCount(); ++row)
    for (int col = 0; col < ui::SymbolGrid::kColumns; ++col) {
      const std::string& c = grid.Cell(row, col);
      if (c.find_first_of("\r\n") != std::string::npos) std::abort();
      bytes += c.size();
      ++cells;
      if (!c.empty()) last = cells;
    }
  if (bytes > size) std::abort();
  // Empty lines at the end were dropped, so the last filled cell is the last line.
  if (grid.RowCount() != static_cast<int>(last / ui::SymbolGrid::kColumns) + 1) std::abort();

  grid.ClickCell(grid.RowCount() - 1, ui::SymbolGrid::kColumns - 1);
  grid.ClickMagnifier();
  return 0;
}
