#include "text/line_file.h"

#include <fstream>
#include <iterator>
#include <system_error>

namespace takeoff::text {

std::vector<std::string> ReadLines(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return {};
  const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> lines;
  std::string line;
  for (std::size_t i = 0; i < all.size(); ++i) {
    const char c = all[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(std::move(line));
      line.clear();
      if (c == '\r' && i + 1 < all.size() && all[i + 1] == '\n') ++i;
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(std::move(line));
  return lines;
}

bool WriteLines(const std::filesystem::path& file, const std::vector<std::string>& lines) {
  std::error_code ec;
  if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ec);
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  for (const std::string& l : lines) out << l << "\r\n";
  out.flush();
  return static_cast<bool>(out);
}

}  // namespace takeoff::text
