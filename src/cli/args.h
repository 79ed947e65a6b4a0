#pragma once
// Argument reading for the command-line front end.
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace lv::cli {

// A usage error ends the program with exit code 2 and its one-line message.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The arguments after the command name, taken off one by one.
class Args final {
 public:
  explicit Args(std::vector<std::string> args) : args_(std::move(args)) {}

  // Removes a flag wherever it stands; true when it was there.
  bool take_flag(const std::string& name);
  // Removes "--name VALUE" wherever it stands.
  std::optional<std::string> take_value(const std::string& name);
  // Removes "--name N" and reads N as an integer.
  std::optional<int> take_int(const std::string& name);
  // The remaining arguments must be exactly `count` positionals.
  std::vector<std::string> positionals(std::size_t count, const char* usage) const;

 private:
  std::vector<std::string> args_;
};

int parse_int(const std::string& text, const std::string& what);
// --jobs N: transfers to the site at a time, 1 to 16.
int check_jobs(int jobs);

}  // namespace lv::cli
