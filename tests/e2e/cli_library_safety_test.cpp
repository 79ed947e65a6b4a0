// lorevane-cli and the library file: whatever stands at the library's path,
// a message and exit 1, never an abort; a site that changed never costs the
// library its texts; a signal ends a download and still reports.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "sample_site/sample_server.h"
#include "support/subprocess.h"

extern char** environ;

namespace {

using std::chrono::milliseconds;

using lv::test::CliRun;

std::string read_file(const std::string& path) {
  std::ostringstream text;
  text << std::ifstream(path).rdbuf();
  return text.str();
}

class CliLibrarySafety : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.start());
    folder_ = std::filesystem::temp_directory_path() / ("lorevane-safety-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    for (int id : server_.site().book_ids()) {
      const int n = server_.site().chapter_count(id);
      if (n >= 12 && n <= 40 && !server_.site().has_prologue(id)) {
        book_ = id;
        break;
      }
    }
    ASSERT_NE(book_, 0);
  }
  void TearDown() override {
    server_.stop();  // ends any answer held back
    std::filesystem::remove_all(folder_);
  }

  std::string cli_command(const std::string& args) const {
    return lv::test::build_dir() + "/src/cli/lorevane-cli --site " + server_.site_host() + " " + args;
  }
  CliRun cli(const std::string& args, const std::string& prefix = {}) const {
    return lv::test::run_cli("--site " + server_.site_host() + " " + args, file("err"), prefix);
  }
  std::string file(const std::string& name) const { return (folder_ / name).string(); }
  std::string book_path() const { return lv::site::SampleSite::book_path(book_); }

  lv::site::SampleServer server_;
  std::filesystem::path folder_;
  int book_ = 0;
};

TEST_F(CliLibrarySafety, WhateverStandsAtTheLibraryPathIsNamedAndExitsOne) {
  const std::string good = file("good.sqlite3");
  ASSERT_EQ(cli("--library " + good + " download " + book_path()).exit_code, 0);
  const struct {
    const char* what;
    std::function<std::string()> make;  // returns the library path
    const char* words;
    std::string prefix = {};            // before the command, in the shell
  } cases[] = {
      {"a text file", [&] { std::ofstream(file("t")) << "notes\n"; return file("t"); }, "is not a Lorevane library"},
      {"cut short",
       [&] {
         std::filesystem::copy_file(good, file("cut"));
         std::filesystem::resize_file(file("cut"), 6000);
         return file("cut");
       },
       "is damaged"},
      {"another program's database",
       [&] {
         lv::test::run_command("sqlite3 " + file("other") + " 'CREATE TABLE notes (body TEXT)'");
         return file("other");
       },
       "is not a Lorevane library"},
      {"a newer version",
       [&] {
         std::filesystem::copy_file(good, file("newer"));
         lv::test::run_command("sqlite3 " + file("newer") + " 'PRAGMA user_version = 99'");
         return file("newer");
       },
       "is from a newer version of Lorevane"},
      {"a folder", [&] { std::filesystem::create_directory(file("dir")); return file("dir"); }, "a folder"},
      {"a link to nothing",
       [&] {
         std::filesystem::create_symlink(file("nowhere"), file("link"));
         return file("link");
       },
       "a link to a file that does not exist"},
      {"a pipe", [&] { ::mkfifo(file("fifo").c_str(), 0600); return file("fifo"); }, "a device or a pipe"},
      {"a device", [] { return std::string("/dev/null"); }, "a device or a pipe"},
      // A file that may not grow stands for a full disk.
      {"no room", [&] { return file("full.sqlite3"); }, "could not be read or written", "trap '' XFSZ; ulimit -f 16; "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = c.make();
    for (const std::string& command : {std::string("library"), "download " + book_path()}) {
      if (!c.prefix.empty() && command == "library") continue;  // nothing to read: no books, exit 0
      const CliRun run = cli("--library " + path + " " + command, c.prefix);
      EXPECT_EQ(run.exit_code, 1) << command << ": " << run.err;
      EXPECT_NE(run.err.find(path + " "), std::string::npos) << command << ": " << run.err;
      EXPECT_NE(run.err.find(c.words), std::string::npos) << command << ": " << run.err;
      EXPECT_EQ(run.err.find("SELECT"), std::string::npos) << run.err;
    }
  }
  struct stat device {};
  ASSERT_EQ(::stat("/dev/null", &device), 0);
  EXPECT_TRUE(S_ISCHR(device.st_mode));
}

TEST_F(CliLibrarySafety, ChapterListThatComesOutEmptyChangesNothingAndExitsThree) {
  const std::string library = "--library " + file("library.sqlite3") + " ";
  ASSERT_EQ(cli(library + "download " + book_path()).exit_code, 0);
  const std::string before = cli(library + "library").out;

  std::string page = server_.site().get(book_path(), server_.site_host())->body;
  page.erase(page.find("<div id=\"list\">"));
  server_.set_page(book_path(), page + "</body></html>");
  for (const std::string& command : {"download " + book_path(),
                                    "export " + book_path() + " --format txt --output " + file("book.txt")}) {
    const CliRun run = cli(library + command);
    EXPECT_EQ(run.exit_code, 3) << command;
    EXPECT_NE(run.err.find("lists no chapters, but the library holds"), std::string::npos) << run.err;
  }
  EXPECT_EQ(cli(library + "library").out, before);
}

// The command runs with its output going to files; the test sends the signal.
pid_t spawn_cli(const std::string& command, const std::string& out, const std::string& err) {
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&files, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  const std::string shell_command = "exec " + command;
  char* argv[] = {const_cast<char*>("sh"), const_cast<char*>("-c"), const_cast<char*>(shell_command.c_str()), nullptr};
  pid_t pid = -1;
  if (posix_spawn(&pid, "/bin/sh", &files, nullptr, argv, environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&files);
  return pid;
}

TEST_F(CliLibrarySafety, SignalEndsADownloadThatStillReportsAndKeepsWhatItStored) {
  const int count = server_.site().chapter_count(book_);
  // The first chapters come; the rest are held back far longer than the test runs.
  for (int i = 3; i < count; ++i) server_.set_delay(server_.site().chapter_path(book_, i), std::chrono::minutes(10));
  const std::string held = server_.site().chapter_path(book_, 3);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal);
    const std::string library = file("library-" + std::to_string(signal) + ".sqlite3");
    // A fresh server each round: the answers held back by the last one end with it.
    server_.stop();
    ASSERT_TRUE(server_.start());
    server_.reset_counts();
    const pid_t pid = spawn_cli(cli_command("--library " + library + " download " + book_path()), file("out"),
                                file("err"));
    ASSERT_GT(pid, 0);
    int status = 0;
    bool ended_early = false;
    while (server_.request_count(held) == 0 && !ended_early) {
      ended_early = ::waitpid(pid, &status, WNOHANG) == pid;
      std::this_thread::sleep_for(milliseconds(5));
    }
    ASSERT_FALSE(ended_early) << read_file(file("err"));
    ::kill(pid, signal);
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by the signal itself";
    EXPECT_EQ(WEXITSTATUS(status), 3);
    const std::string out = read_file(file("out"));
    const std::string err = read_file(file("err"));
    EXPECT_NE(out.find("\"chapters\":" + std::to_string(count) + ",\"stored\":"), std::string::npos) << out;
    EXPECT_NE(err.find("stopped; what was stored stays"), std::string::npos) << err;
    EXPECT_NE(err.find("chapter " + std::to_string(count) + " missing"), std::string::npos) << err;
    const CliRun listed = cli("--library " + library + " library");
    const auto stored_in = [](const std::string& line) { return line.substr(line.find("\"stored\":")).substr(0, 12); };
    EXPECT_EQ(stored_in(listed.out), stored_in(out));
  }
}

// A port nobody listens on now, as the system hands them out.
int free_port() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  ::bind(fd, reinterpret_cast<sockaddr*>(&address), size);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
  ::close(fd);
  return ntohs(address.sin_port);
}

// A book stored from the demo is the same book on the next run: the demo
// listens on its own port, and says so when that port is taken.
TEST_F(CliLibrarySafety, DemoKeepsItsBooksFromRunToRun) {
  const std::string book = lv::site::SampleSite::book_path(book_);
  const std::string cli = "LOREVANE_DEMO_PORT=" + std::to_string(free_port()) + " " + lv::test::build_dir() +
                          "/src/cli/lorevane-cli --demo --library " + file("demo.sqlite3") + " ";
  const std::string err = " 2>" + file("err");
  EXPECT_EQ(lv::test::run_command(cli + "download " + book + err).exit_code, 0) << read_file(file("err"));
  const auto exported = lv::test::run_command(cli + "export " + book + " --offline --format txt --output " +
                                              file("book.txt") + err);
  EXPECT_EQ(exported.exit_code, 0) << read_file(file("err"));
  EXPECT_TRUE(std::filesystem::exists(file("book.txt")));

  // The port taken: the demo runs all the same, on another port, and says why.
  lv::site::SampleServer squatter;
  ASSERT_TRUE(squatter.start());
  const std::string taken = "LOREVANE_DEMO_PORT=" + std::to_string(squatter.port()) + " " + lv::test::build_dir() +
                            "/src/cli/lorevane-cli --demo get /sort2/1.html >/dev/null" + err;
  EXPECT_EQ(lv::test::run_command(taken).exit_code, 0);
  EXPECT_NE(read_file(file("err")).find("is taken"), std::string::npos);
}

}  // namespace
