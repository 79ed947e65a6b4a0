#pragma once
// Replacing a file whole: the bytes go to a new file in the same folder, which
// is flushed to disk and then renamed over the target. A failure removes the
// new file and leaves the target as it was; readers never see half a file.
#include <string>
#include <string_view>

namespace lv::exporting {

// Throws ExportError naming the path and the cause.
void replace_file(const std::string& path, std::string_view bytes);

}  // namespace lv::exporting
