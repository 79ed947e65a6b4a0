#pragma once
// Ending the program: registered clean-up routines, then the exit code.
#include <functional>
#include <string>

#include "base/text.h"

namespace lv::base {

void register_cleanup(std::function<void()> routine);
// Runs the registered clean-up routines once, in the order registered.
void run_cleanups();
[[noreturn]] void end_program(int exit_code);
// Ends the program without the clean-up routines: for an internal failure,
// where a routine might wait for the very thread that failed.
[[noreturn]] void end_program_at_once(int exit_code);

// The messages of the runtime-error stop. The text is GBK.
Text runtime_error_message(int code);              // "" for an unknown code
Text runtime_error_text(int code, std::string_view message);  // the box's body

// How the runtime-error box is shown: title and body (GBK). The window layer
// installs a message box; without one the text goes to standard error.
void set_runtime_error_presenter(std::function<void(const Text& title, const Text& body)> presenter);

// Shows the runtime-error box for `code`, then ends the program with -1.
[[noreturn]] void report_runtime_error(int code);
// The same with a message of its own (used where no numbered message fits).
[[noreturn]] void report_runtime_error(int code, std::string_view message);

}  // namespace lv::base
