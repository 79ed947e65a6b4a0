#pragma once
// What the windows say about a page that did not come, in the program's own language.
#include "base/text.h"
#include "net/transfer_outcome.h"

namespace lv::app {

// "连接中断（已试 3 次）" and the like, as GBK. `lacked_markers`: the page
// came whole but was not the page asked for (a block or verification page).
lv::base::Text transfer_problem_text(const lv::net::TransferOutcome& outcome, bool lacked_markers, int tries);

}  // namespace lv::app
