#include "cli/help_format.h"

#include <sstream>

namespace lv::cli {
namespace {

std::vector<const CLI::Option*> options_of(const CLI::App* app) {
  return app->get_options([app](const CLI::Option* option) {
    return option->nonpositional() && (app->get_parent() == nullptr || option != app->get_help_ptr());
  });
}

}  // namespace

std::string HelpFormat::make_help(const CLI::App* app, std::string name, CLI::AppFormatMode mode) const {
  if (app->get_parent() != nullptr) return CLI::Formatter::make_help(app, std::move(name), mode);
  std::ostringstream out;
  out << "Usage: " << name << " [OPTIONS] COMMAND [ARGS]...\n\n" << app->get_description() << "\n\nOptions:\n";
  for (const CLI::Option* option : options_of(app)) out << make_option(option, false);
  out << "\nCommands:\n";
  // A command's options stand one step further in, their texts in line with the others.
  HelpFormat inner = *this;
  inner.column_width(get_column_width() - 4);
  for (const CLI::App* command : app->get_subcommands({})) {
    std::string line = command->get_name();
    bool more = false;
    for (const CLI::Option* option : command->get_options()) {
      if (option->get_positional()) {
        line += " " + make_option_usage(option);
      } else if (option->get_required()) {
        line += " " + option->get_name() + make_option_opts(option);
      } else {
        more = more || option != command->get_help_ptr();
      }
    }
    if (more) line += " [OPTIONS]";
    out << "  " << line << "\n      " << command->get_description() << "\n";
    for (const CLI::Option* option : options_of(command)) {
      if (!option->get_required()) out << "    " << inner.make_option(option, false);
    }
  }
  out << "\n" << app->get_footer() << "\n";
  return out.str();
}

std::string HelpFormat::make_option_opts(const CLI::Option* option) const {
  if (option->get_positional() || option->get_type_size() == 0) return "";
  return " " + option->get_type_name();
}

std::string HelpFormat::make_option_desc(const CLI::Option* option) const {
  std::string text = option->get_description();
  // One of a pair says which; one that excludes many is named by each of them.
  const auto& excluded = option->get_excludes();
  if (excluded.size() == 1) text += " (not with " + (*excluded.begin())->get_name() + ")";
  return text;
}

}  // namespace lv::cli
