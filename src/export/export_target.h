#pragma once
// Where an export may write: a regular file, reached by its name or through
// symbolic links, or a new name in an existing folder; never the library the
// book is read from. Asked before a download starts, and again by the writer.
#include <string>

namespace lv::exporting {

enum class TargetProblem {
  none,
  library,        // the library file or its -wal, -shm or -journal, by any name
  folder,
  device,         // a character or block device
  fifo,
  socket,
  dangling_link,  // a symbolic link that leads to no file
};

// What stands against writing `output`; "" for `library_path` checks no library.
TargetProblem target_problem(const std::string& output, const std::string& library_path = {});

// The problem in English, naming the path.
std::string target_problem_text(TargetProblem problem, const std::string& output);

}  // namespace lv::exporting
