#include "cli/session_script.h"

#include <nlohmann/json.hpp>

namespace takeoff::cli {
namespace {

bool Space(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// The end of the JSON string starting at `from` (one past its closing quote).
std::size_t StringEnd(const std::string& line, std::size_t from, int number) {
  for (std::size_t i = from + 1; i < line.size(); ++i) {
    if (line[i] == '\\') {
      ++i;
    } else if (line[i] == '"') {
      return i + 1;
    }
  }
  throw ScriptError(number, "unterminated string");
}

ScriptLine ParseLine(const std::string& line, int number) {
  ScriptLine out;
  out.Number = number;
  std::size_t i = 0;
  while (i < line.size()) {
    if (Space(line[i])) {
      ++i;
      continue;
    }
    ScriptArg arg;
    if (line[i] == '"') {
      const std::size_t end = StringEnd(line, i, number);
      if (end < line.size() && !Space(line[end])) throw ScriptError(number, "a space must follow a string");
      try {
        arg.Text = nlohmann::json::parse(line.substr(i, end - i)).get<std::string>();
      } catch (const nlohmann::json::exception&) {
        throw ScriptError(number, "malformed string " + line.substr(i, end - i));
      }
      arg.Quoted = true;
      i = end;
    } else {
      const std::size_t start = i;
      while (i < line.size() && !Space(line[i])) ++i;
      arg.Text = line.substr(start, i - start);
    }
    out.Args.push_back(std::move(arg));
  }
  return out;
}

}  // namespace

std::vector<ScriptLine> ParseScript(const std::string& script) {
  std::vector<ScriptLine> lines;
  std::size_t from = 0;
  int number = 0;
  while (from <= script.size()) {
    std::size_t end = script.find('\n', from);
    if (end == std::string::npos) end = script.size();
    ++number;
    std::string line = script.substr(from, end - from);
    from = end + 1;
    std::size_t first = 0;
    while (first < line.size() && Space(line[first])) ++first;
    if (first == line.size() || line[first] == '#') continue;
    lines.push_back(ParseLine(line, number));
  }
  return lines;
}

}  // namespace takeoff::cli
