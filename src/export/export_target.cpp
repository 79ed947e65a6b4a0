#include "export/export_target.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

namespace lv::exporting {
namespace {

// Two names of one file: the same device and inode where both exist (a hard
// link, a symbolic link, "./" or ".." all lead there), otherwise the same
// path once made absolute and its existing part resolved.
std::filesystem::path resolved(const std::string& path, std::error_code& error) {
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return error ? absolute : std::filesystem::weakly_canonical(absolute, error);
}

bool same_file(const std::string& a, const std::string& b) {
  struct stat sa {};
  struct stat sb {};
  if (::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0) {
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
  }
  std::error_code error_a, error_b;
  const std::filesystem::path path_a = resolved(a, error_a);
  const std::filesystem::path path_b = resolved(b, error_b);
  return !error_a && !error_b && path_a == path_b;
}

bool in_library(const std::string& output, const std::string& library_path) {
  if (library_path.empty()) return false;
  // SQLite keeps its write-ahead log, its shared index and (before WAL mode is
  // set) its rollback journal beside the file; a stray one spoils the library.
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
    if (same_file(output, library_path + suffix)) return true;
  }
  return false;
}

TargetProblem node_problem(const std::string& output) {
  struct stat st {};
  // A name that is not there yet is a new file; one that cannot be looked at
  // is left for the write to fail on, with its own reason.
  if (::lstat(output.c_str(), &st) != 0) return TargetProblem::none;
  if (S_ISLNK(st.st_mode) && ::stat(output.c_str(), &st) != 0) return TargetProblem::dangling_link;
  if (S_ISREG(st.st_mode)) return TargetProblem::none;
  if (S_ISDIR(st.st_mode)) return TargetProblem::folder;
  if (S_ISFIFO(st.st_mode)) return TargetProblem::fifo;
  if (S_ISSOCK(st.st_mode)) return TargetProblem::socket;
  return TargetProblem::device;
}

}  // namespace

TargetProblem target_problem(const std::string& output, const std::string& library_path) {
  if (in_library(output, library_path)) return TargetProblem::library;
  return node_problem(output);
}

std::string target_problem_text(TargetProblem problem, const std::string& output) {
  const char* what = "";
  switch (problem) {
    case TargetProblem::none: return {};
    case TargetProblem::library: what = "it is the library the book is read from"; break;
    case TargetProblem::folder: what = "it is a folder"; break;
    case TargetProblem::device: what = "it is a device, not a file"; break;
    case TargetProblem::fifo: what = "it is a FIFO, not a file"; break;
    case TargetProblem::socket: what = "it is a socket, not a file"; break;
    case TargetProblem::dangling_link: what = "it is a symbolic link to no file"; break;
  }
  return "cannot export to " + output + ": " + what + "; nothing was written";
}

}  // namespace lv::exporting
