// Secure downloads against a local TLS server run by the openssl tool: a
// certificate that does not verify makes the request fail, never pass.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "net/download.h"
#include "net/net_test_support.h"
#include "support/test_support.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// Runs a program with its input and errors discarded and its output written
// to `output` (or discarded); the exit status, or -1. With `background` it
// returns at once with the process id there.
int run(const std::vector<std::string>& args, pid_t* background = nullptr, const std::string& output = "") {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, output.empty() ? "/dev/null" : output.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  if (background) {
    *background = pid;
    return 0;
  }
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The port on the openssl server's "ACCEPT 127.0.0.1:PORT" line, which it
// writes once it listens; empty before that.
std::string accepted_port(const std::string& output) {
  std::ifstream in(output);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::string mark = "ACCEPT 127.0.0.1:";
  const std::size_t at = text.find(mark);
  if (at == std::string::npos) return {};
  const std::size_t end = text.find('\n', at);
  if (end == std::string::npos) return {};
  return text.substr(at + mark.size(), end - at - mark.size());
}

class SecureDownload : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/lorevane-tls-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
    if (run({"openssl", "version"}) != 0) GTEST_SKIP() << "the openssl tool is not installed";
  }
  void TearDown() override {
    if (server_ > 0) {
      ::kill(server_, SIGTERM);
      ::waitpid(server_, nullptr, 0);
    }
    lv::net::set_trusted_certificates_for_tests("");
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  // A self-signed certificate for `name` (an address or a host name).
  std::string make_certificate(const std::string& stem, const std::string& name, bool is_address) {
    const std::string cert = dir_ + "/" + stem + ".pem";
    const std::string key = dir_ + "/" + stem + ".key";
    const int rc = run({"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                        "-nodes", "-days", "2", "-subj", "/CN=" + name, "-addext",
                        std::string("subjectAltName=") + (is_address ? "IP:" : "DNS:") + name, "-keyout", key,
                        "-out", cert});
    EXPECT_EQ(rc, 0);
    return stem;
  }

  // Serves a status page over TLS with the certificate `stem`, on a port the
  // system picks; the address, once the server listens.
  std::string serve(const std::string& stem) {
    const std::string base = dir_ + "/" + stem;
    EXPECT_EQ(run({"openssl", "s_server", "-www", "-accept", "127.0.0.1:0", "-cert", base + ".pem", "-key",
                   base + ".key"},
                  &server_, base + ".out"),
              0);
    std::string port;
    EXPECT_TRUE(lv::test::wait_until([&] { return !(port = accepted_port(base + ".out")).empty(); },
                                      std::chrono::seconds(60)));
    return "https://127.0.0.1:" + port + "/";
  }

  std::string pem(const std::string& stem) const { return dir_ + "/" + stem + ".pem"; }

  std::string dir_;
  pid_t server_ = 0;
};

TEST_F(SecureDownload, TrustedCertificateForTheAddressLoads) {
  const std::string url = serve(make_certificate("good", "127.0.0.1", true));
  lv::net::set_trusted_certificates_for_tests(pem("good"));
  EXPECT_NE(lv::net::download_text(url), "");
}

TEST_F(SecureDownload, UntrustedCertificateFailsTheRequest) {
  const std::string url = serve(make_certificate("self", "127.0.0.1", true));
  EXPECT_EQ(lv::net::download_text(url), "");
  EXPECT_TRUE(lv::net::download_bytes(url).empty());
}

TEST_F(SecureDownload, CertificateForAnotherNameFailsTheRequest) {
  const std::string url = serve(make_certificate("other", "wrong.invalid", false));
  lv::net::set_trusted_certificates_for_tests(pem("other"));
  EXPECT_EQ(lv::net::download_text(url), "");
}

}  // namespace
