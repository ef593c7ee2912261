#pragma once
// The session language: one action per line, arguments separated by spaces, an
// argument with spaces (or an empty one) written as a JSON string.
#include <stdexcept>
#include <string>
#include <vector>

namespace takeoff::cli {

struct ScriptArg {
  std::string Text;     // UTF-8
  bool Quoted = false;  // written as a JSON string
};

struct ScriptLine {
  int Number = 0;  // 1-based line of the script
  std::vector<ScriptArg> Args;
};

// A line the language cannot read.
class ScriptError : public std::runtime_error {
public:
  ScriptError(int line, const std::string& what)
      : std::runtime_error("line " + std::to_string(line) + ": " + what), Line(line) {}
  int Line;
};

// The actions of a script; blank lines and lines starting with '#' are left out.
std::vector<ScriptLine> ParseScript(const std::string& script);

}  // namespace takeoff::cli
