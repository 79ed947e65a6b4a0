#include "library/library.h"

namespace lv::library {
namespace {

std::string message_of(LibraryProblem problem, const std::string& path, const std::string& detail) {
  const std::string file = path.empty() ? std::string("the library") : path;
  const std::string why = detail.empty() ? std::string() : " (" + detail + ")";
  switch (problem) {
    case LibraryProblem::not_a_library:
      return file + " is not a Lorevane library" + why;
    case LibraryProblem::damaged:
      return file + " is damaged" + why;
    case LibraryProblem::newer_version:
      return file + " is from a newer version of Lorevane" + why;
    case LibraryProblem::not_a_file:
      return file + " is not a library file" + why;
    case LibraryProblem::no_access:
      return file + " cannot be used" + why;
    case LibraryProblem::disk_full:
      return file + " cannot be written: the disk is full";
    case LibraryProblem::in_use:
      return file + " is in use by another program" + why;
    case LibraryProblem::io_error:
      return file + " could not be read or written" + why;
    case LibraryProblem::unknown_entry:
    case LibraryProblem::other:
      break;
  }
  return file + ": " + (detail.empty() ? std::string("failed") : detail);
}

}  // namespace

LibraryError::LibraryError(LibraryProblem problem_, std::string path_, std::string detail_)
    : std::runtime_error(message_of(problem_, path_, detail_)),
      problem(problem_),
      path(std::move(path_)),
      detail(std::move(detail_)) {}

}  // namespace lv::library
