#pragma once
// Runs the real takeoff-cli executable for black-box tests.
#include <string>
#include <vector>

namespace takeoff::testing {

struct CliResult {
  int Status = -1;
  std::string Out;  // standard output
  std::string Err;  // standard error
};

// Runs takeoff-cli with the given arguments (each passed as one word) and standard input.
CliResult RunCli(const std::vector<std::string>& args, const std::string& input = "");

}  // namespace takeoff::testing
