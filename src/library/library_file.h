#pragma once
// What may stand at a library's path: nothing yet, or a regular file (also
// through a link). A folder, a device, a pipe or a link to nothing is refused
// before SQLite opens it, since SQLite would block on a pipe, write through
// a device or say only that it "cannot open".
#include <string>

namespace lv::library {

// True when a file stands there, false when nothing does; throws
// LibraryError (not_a_file, no_access) for anything else.
bool check_library_file(const std::string& path);

// Creates the folder the file goes in, when missing.
void create_library_folder(const std::string& path);

}  // namespace lv::library
