#include "cli/args.h"

#include <algorithm>
#include <charconv>

namespace lv::cli {

bool Args::take_flag(const std::string& name) {
  const auto it = std::find(args_.begin(), args_.end(), name);
  if (it == args_.end()) return false;
  args_.erase(it);
  return true;
}

std::optional<std::string> Args::take_value(const std::string& name) {
  const auto it = std::find(args_.begin(), args_.end(), name);
  if (it == args_.end()) return std::nullopt;
  if (it + 1 == args_.end()) throw UsageError(name + " needs a value");
  std::string value = *(it + 1);
  args_.erase(it, it + 2);
  return value;
}

std::optional<int> Args::take_int(const std::string& name) {
  const auto value = take_value(name);
  if (!value) return std::nullopt;
  return parse_int(*value, name);
}

std::vector<std::string> Args::positionals(std::size_t count, const char* usage) const {
  for (const auto& arg : args_) {
    // "-" alone is standard input, and a negative number is a value.
    if (arg.size() > 1 && arg[0] == '-' && !(arg[1] >= '0' && arg[1] <= '9')) {
      throw UsageError("unknown option " + arg + "; usage: " + usage);
    }
  }
  if (args_.size() != count) throw UsageError(std::string("usage: ") + usage);
  return args_;
}

int check_jobs(int jobs) {
  if (jobs < 1 || jobs > 16) throw UsageError("--jobs must be 1 to 16");
  return jobs;
}

int parse_int(const std::string& text, const std::string& what) {
  int value = 0;
  const auto* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end) throw UsageError(what + " must be an integer, not '" + text + "'");
  return value;
}

}  // namespace lv::cli
