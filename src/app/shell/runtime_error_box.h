#pragma once
// The runtime-error stop as a message box.

namespace lv::app {

// Routes lv::base::report_runtime_error to a critical message box.
void install_runtime_error_presenter();

}  // namespace lv::app
