#include "library/library_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "library/library.h"

namespace lv::library {
namespace {

std::string cause(int error) { return std::error_code(error, std::generic_category()).message(); }

}  // namespace

bool check_library_file(const std::string& path) {
  struct stat link {};
  if (::lstat(path.c_str(), &link) != 0) {
    if (errno == ENOENT) return false;
    throw LibraryError(LibraryProblem::no_access, path, cause(errno));
  }
  struct stat target {};
  if (::stat(path.c_str(), &target) != 0) {
    if (errno == ENOENT) throw LibraryError(LibraryProblem::not_a_file, path, "a link to a file that does not exist");
    throw LibraryError(LibraryProblem::no_access, path, cause(errno));
  }
  if (S_ISDIR(target.st_mode)) throw LibraryError(LibraryProblem::not_a_file, path, "a folder");
  if (!S_ISREG(target.st_mode))
    throw LibraryError(LibraryProblem::not_a_file, path, "a device or a pipe, not a file");
  return true;
}

void create_library_folder(const std::string& path) {
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (folder.empty()) return;
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) throw LibraryError(LibraryProblem::no_access, path, "cannot create the folder " + folder.string() + ": " + error.message());
}

}  // namespace lv::library
