#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "library/library.h"

namespace lv::library {
namespace {

// An environment value that names an absolute folder; the XDG base directory
// rules treat a relative one as unset.
std::string absolute_env(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || value[0] != '/') return {};
  return value;
}

std::string home_folder() {
  if (std::string home = absolute_env("HOME"); !home.empty()) return home;
  passwd entry{};
  passwd* found = nullptr;
  std::vector<char> buffer(16 * 1024);
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
      found != nullptr && entry.pw_dir != nullptr && entry.pw_dir[0] == '/')
    return entry.pw_dir;
  throw LibraryError(LibraryProblem::other, "", "no home folder to keep the library in");
}

}  // namespace

std::string default_library_path() {
  std::string data = absolute_env("XDG_DATA_HOME");
  if (data.empty()) data = home_folder() + "/.local/share";
  return data + "/lorevane/library.sqlite3";
}

}  // namespace lv::library
