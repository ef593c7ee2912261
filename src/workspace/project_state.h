#pragma once
// What the open project keeps besides its tables: the six property lines, the
// node-key counter, the format version of the file read, the file path, the
// modified flag and the last-modified time.
#include <array>
#include <cstdint>
#include <ctime>
#include <string>

namespace takeoff::workspace {

struct ProjectState {
  // 0 name, 1 location, 2 client, 3 preparing organisation, 4 preparer, 5 reviewer (code page 936).
  std::array<std::string, 6> Properties;
  std::int32_t KeyCounter = 0;   // the highest node key handed out
  int Version = 5;               // format version of the last file read
  std::string FilePath;          // the project file, empty for a new project
  bool Modified = false;
  std::time_t LastModified = 0;
};

}  // namespace takeoff::workspace
