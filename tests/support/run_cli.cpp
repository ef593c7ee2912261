#include "support/run_cli.h"

#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace takeoff::testing {
namespace {

std::string ShellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

}  // namespace

CliResult RunCli(const std::vector<std::string>& args, const std::string& input) {
  char inputPath[] = "/tmp/takeoff-cli-input-XXXXXX";
  int fd = mkstemp(inputPath);
  if (fd < 0) throw std::runtime_error("mkstemp failed");
  { std::ofstream(inputPath, std::ios::binary) << input; }
  std::string cmd = ShellQuote(TAKEOFF_CLI_PATH);
  for (const std::string& a : args) cmd += " " + ShellQuote(a);
  char errorPath[] = "/tmp/takeoff-cli-error-XXXXXX";
  int efd = mkstemp(errorPath);
  if (efd < 0) throw std::runtime_error("mkstemp failed");
  cmd += " <" + std::string(inputPath) + " 2>" + errorPath;

  CliResult r;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) throw std::runtime_error("popen failed");
  char buf[4096];
  for (std::size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) r.Out.append(buf, n);
  int status = pclose(p);
  r.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  close(fd);
  std::remove(inputPath);
  {
    std::ifstream err(errorPath, std::ios::binary);
    r.Err.assign(std::istreambuf_iterator<char>(err), {});
  }
  close(efd);
  std::remove(errorPath);
  return r;
}

}  // namespace takeoff::testing
