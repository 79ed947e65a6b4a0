#pragma once
// Work on the items of a book (its chapters) on several threads at once.
#include <cstddef>
#include <functional>

namespace lv::exporting {

// Calls work(0) to work(count - 1), each once, in no set order, on up to
// as many threads as the machine has cores (at most 8), the caller's among
// them; returns when all are done. The first exception a call throws is
// thrown again here, and the calls not yet started are skipped.
void parallel_for(std::size_t count, const std::function<void(std::size_t)>& work);

}  // namespace lv::exporting
