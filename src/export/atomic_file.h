#pragma once
// Replacing a file whole: the bytes go to a new file in the same folder, which
// is flushed to disk and then renamed over the target. A failure removes the
// new file and leaves the target as it was; readers never see half a file.
//
// Only a regular file is replaced, or a new one made. A symbolic link to a
// regular file stays a link: the file it leads to is replaced. Folders,
// devices, FIFOs, sockets and links to nothing are refused untouched.
#include <string>
#include <string_view>

namespace lv::exporting {

// The new file is "<target>.XXXXXXXX.part" (eight hex digits), locked while it
// is written. One that a killed writer left, unlocked and untouched for a
// minute, is removed by the next replacement of the same target.
inline constexpr int kStalePartSeconds = 60;

// Throws ExportError naming the path and the cause.
void replace_file(const std::string& path, std::string_view bytes);

}  // namespace lv::exporting
