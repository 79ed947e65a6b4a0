#pragma once
// The help text of lorevane-cli in the usual shape: a usage line, the
// global options, then every command with its arguments and options, and
// the footer (exit statuses). A command's own --help has CLI11's layout.
#include <CLI/CLI.hpp>

namespace lv::cli {

class HelpFormat final : public CLI::Formatter {
 public:
  std::string make_help(const CLI::App* app, std::string name, CLI::AppFormatMode mode) const override;
  // The value's name alone, without "REQUIRED" (required options stand in
  // the command's line instead); the checks are given no description.
  std::string make_option_opts(const CLI::Option* option) const override;
  // The description, and the option it cannot go with.
  std::string make_option_desc(const CLI::Option* option) const override;
};

}  // namespace lv::cli
