#pragma once
// Running a built program of the project and collecting what it printed.
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace lv::test {

struct ProcessResult {
  int exit_code = -1;
  std::string out;
};

// The folder the project was built in; LOREVANE_TEST_BIN_DIR overrides it.
inline std::string build_dir() {
  const char* dir = std::getenv("LOREVANE_TEST_BIN_DIR");
  return dir != nullptr ? dir : LOREVANE_BUILD_DIR;
}

// Runs `command` through the shell; standard error is left alone unless the
// command redirects it.
inline ProcessResult run_command(const std::string& command) {
  ProcessResult result;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  std::array<char, 65536> buffer{};
  std::size_t n = 0;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) result.out.append(buffer.data(), n);
  const int status = ::pclose(pipe);
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

inline std::string quote(const std::string& arg) {
  std::string out = "'";
  for (char c : arg) {
    if (c == '\'') out += "'\\''";
    else out.push_back(c);
  }
  return out + "'";
}

struct CliRun {
  int exit_code = -1;
  std::string out;
  std::string err;
};

// Runs the command-line program with `args` (shell words), its standard
// error through `err_file`; `prefix` goes before it in the shell.
inline CliRun run_cli(const std::string& args, const std::string& err_file, const std::string& prefix = {}) {
  const ProcessResult result = run_command(prefix + build_dir() + "/src/cli/lorevane-cli " + args + " 2>" + err_file);
  std::ostringstream err;
  err << std::ifstream(err_file, std::ios::binary).rdbuf();
  return {result.exit_code, result.out, err.str()};
}

}  // namespace lv::test
