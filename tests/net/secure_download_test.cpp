// Secure downloads against a local TLS server run by the openssl tool: a
// certificate that does not verify makes the request fail, never pass.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "net/download.h"
#include "net/net_test_support.h"
#include "support/test_support.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// Runs a program with its output discarded; the exit status, or -1.
int run(const std::vector<std::string>& args, pid_t* background = nullptr) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
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

int free_port() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  ::close(fd);
  return ntohs(addr.sin_port);
}

bool accepts(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<std::uint16_t>(port));
  const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  ::close(fd);
  return ok;
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

  // Serves a status page over TLS with the certificate `stem`; the address.
  std::string serve(const std::string& stem) {
    const int port = free_port();
    const std::string base = dir_ + "/" + stem;
    EXPECT_EQ(run({"openssl", "s_server", "-quiet", "-www", "-accept", "127.0.0.1:" + std::to_string(port), "-cert",
                   base + ".pem", "-key", base + ".key"},
                  &server_),
              0);
    EXPECT_TRUE(lv::test::wait_until([port] { return accepts(port); }));
    return "https://127.0.0.1:" + std::to_string(port) + "/";
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
