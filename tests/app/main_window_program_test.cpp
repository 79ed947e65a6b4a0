// The program as a whole: options, and ending while a collection runs.
#include <QElapsedTimer>
#include <QFileInfo>
#include <gtest/gtest.h>

#include "app/shell/start_up.h"
#include "support/subprocess.h"

namespace lv::app {
namespace {

TEST(StartOptionsTest, SiteAndDemo) {
  const ParsedOptions parsed = parse_start_options({"--site", "127.0.0.1:8080", "--demo"});
  ASSERT_TRUE(parsed.options);
  EXPECT_EQ(parsed.options->site_host, "127.0.0.1:8080");
  EXPECT_TRUE(parsed.options->demo);
  EXPECT_EQ(parse_start_options({"--site=books.example"}).options->site_host, "books.example");
  const ParsedOptions none = parse_start_options({});
  ASSERT_TRUE(none.options);
  EXPECT_TRUE(none.options->site_host.empty());
  EXPECT_FALSE(none.options->demo);
}

TEST(StartOptionsTest, BadInputIsAUsageError) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--site"}, {"--site", ""}, {"--site", "host/path"}, {"--site", "a b"}, {"--site", "host:0"},
           {"--site", "host:65536"}, {"--site", "host:x"}, {"--site", "http://host"}, {"--frobnicate"},
           {"--close-after-rows"}, {"--close-after-rows", "-1"}, {"--pages", "0"}}) {
    const ParsedOptions parsed = parse_start_options(args);
    EXPECT_FALSE(parsed.options) << args[0] << (args.size() > 1 ? " " + args[1] : "");
    EXPECT_FALSE(parsed.help);
    EXPECT_NE(parsed.message.find("usage"), std::string::npos);
  }
  EXPECT_TRUE(parse_start_options({"--help"}).help);
}

TEST(StartOptionsTest, SiteHostShapes) {
  EXPECT_TRUE(valid_site_host("www.lorevane-books.example"));
  EXPECT_TRUE(valid_site_host("127.0.0.1:1"));
  EXPECT_TRUE(valid_site_host("localhost:65535"));
  EXPECT_FALSE(valid_site_host(":80"));
  EXPECT_FALSE(valid_site_host("host:"));
  EXPECT_FALSE(valid_site_host("host:80:81"));
  EXPECT_FALSE(valid_site_host("h\xC4\xE3"));
}

QString program_path() { return QStringLiteral(LOREVANE_BUILD_DIR "/src/app/lorevane"); }

// Runs the program to its end and collects its standard error; false when it
// does not end within the limit. It starts through popen, not QProcess: Qt
// starts a child by a raw vfork-like system call, and the child's library calls
// then pass ThreadSanitizer's hooks in this process's memory and leave it with
// a wrong picture of the locks here, which shows up as races in later tests.
bool run_program_process(const QStringList& args, int& exit_code, QByteArray& err, int limit_s = 120) {
  std::string command = "timeout " + std::to_string(limit_s) + " " + lv::test::quote(program_path().toStdString());
  for (const QString& arg : args) command += " " + lv::test::quote(arg.toStdString());
  command += " 2>&1 >/dev/null";
  const lv::test::ProcessResult result = lv::test::run_command(command);
  if (result.exit_code == 124) return false;  // what timeout reports when the limit passed
  exit_code = result.exit_code;
  err = QByteArray::fromStdString(result.out);
  return true;
}

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!QFileInfo(program_path()).isExecutable()) GTEST_SKIP() << "no program at " << program_path().toStdString();
  }
};

TEST_F(ProgramTest, ClosingDuringACollectionEndsWithExitCodeZero) {
  int exit_code = -1;
  QByteArray err;
  QElapsedTimer clock;
  clock.start();
  // 100 rows is a few listing pages into the 146: the collection still runs.
  ASSERT_TRUE(run_program_process({QStringLiteral("--demo"), QStringLiteral("--collect"),
                                   QStringLiteral("--close-after-rows"), QStringLiteral("100"),
                                   QStringLiteral("--trace")},
                                  exit_code, err))
      << err.toStdString();
  EXPECT_EQ(exit_code, 0) << err.toStdString();
  // The window closed before the collection could finish.
  EXPECT_EQ(err.indexOf("collected"), -1) << err.toStdString();
}

TEST_F(ProgramTest, UsageErrorEndsWithExitCodeTwo) {
  int exit_code = -1;
  QByteArray err;
  ASSERT_TRUE(run_program_process({QStringLiteral("--site"), QStringLiteral("bad/host")}, exit_code, err));
  EXPECT_EQ(exit_code, 2);
  EXPECT_NE(err.indexOf("usage"), -1);
}

TEST_F(ProgramTest, ACollectionRunsToItsEndAndClosingEndsTheProgram) {
  int exit_code = -1;
  QByteArray err;
  ASSERT_TRUE(run_program_process({QStringLiteral("--demo"), QStringLiteral("--collect"), QStringLiteral("--pages"),
                                   QStringLiteral("4"), QStringLiteral("--runs"), QStringLiteral("2"),
                                   QStringLiteral("--close-when-collected"), QStringLiteral("--trace")},
                                  exit_code, err))
      << err.toStdString();
  EXPECT_EQ(exit_code, 0) << err.toStdString();
  // Two runs of four pages, each listing the category afresh.
  const int first = err.indexOf("collected ");
  const int second = err.indexOf("collected ", first + 1);
  ASSERT_GE(first, 0);
  ASSERT_GT(second, first);
  const QList<QByteArray> a = err.mid(first).split('\n').front().split(' ');
  const QList<QByteArray> b = err.mid(second).split('\n').front().split(' ');
  ASSERT_GE(a.size(), 3);
  ASSERT_GE(b.size(), 3);
  EXPECT_GT(a[2].toInt(), 0);
  EXPECT_EQ(b[2].toInt(), a[2].toInt());
}

}  // namespace
}  // namespace lv::app
