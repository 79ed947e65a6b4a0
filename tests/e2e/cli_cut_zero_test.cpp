// lorevane-cli cut reads a saved page the way the program reads a page body.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "support/subprocess.h"

namespace {

using lv::test::quote;
using lv::test::run_command;

TEST(CliCutPage, TextEndsAtItsFirstZeroByte) {
  const std::string cli = lv::test::build_dir() + "/src/cli/lorevane-cli";
  const auto path = std::filesystem::temp_directory_path() /
                    ("lorevane-cut-zero-" + std::to_string(::getpid()) + ".html");
  std::ofstream(path, std::ios::binary) << std::string("a|b\0|c|", 7);
  const auto from_file = run_command(cli + " cut " + quote(path.string()) + " '|' '|'");
  std::filesystem::remove(path);
  EXPECT_EQ(from_file.exit_code, 0);
  EXPECT_EQ(from_file.out, "");  // "a|b" has no end marker after the start

  const auto from_input = run_command("printf 'x|y|\\000|z|' | " + cli + " cut - '|' '|'");
  EXPECT_EQ(from_input.exit_code, 0);
  EXPECT_EQ(from_input.out, "\"y\"\n");
}

}  // namespace
