#pragma once
// The program's own small files (settings, histories, recent files): code page 936
// text, one entry per line, lines ended by CR LF.
#include <filesystem>
#include <string>
#include <vector>

namespace takeoff::text {

// The lines of a file (CR LF, LF or CR line ends; no end on the last line is fine);
// nothing when the file is missing or cannot be read.
std::vector<std::string> ReadLines(const std::filesystem::path& file);

// Writes the lines, each ended by CR LF, creating the folder when it is missing.
// Returns false when the file cannot be written.
bool WriteLines(const std::filesystem::path& file, const std::vector<std::string>& lines);

}  // namespace takeoff::text
