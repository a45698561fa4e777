// HTTPS: a server whose certificate nobody vouches for is refused with the
// SSL error, and quickly (openssl's own test server on 127.0.0.1).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "AudioTestUtil.h"
#include "TempDir.h"

extern char** environ;

using namespace audio;
using namespace std::chrono_literals;

namespace {

uint16_t FreePort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  close(fd);
  return ntohs(a.sin_port);
}

bool Accepting(uint16_t port) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(port);
  bool ok = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  close(fd);
  return ok;
}

}  // namespace

TEST(Tls, UntrustedCertificateGivesTheSslError) {
  testkit::TempDir dir;
  const std::string key = (dir / "key.pem").string(), cert = (dir / "cert.pem").string();
  ASSERT_TRUE(testkit::RunCommand("openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1 -keyout " + key +
                             " -out " + cert + " >/dev/null 2>&1"));
  testkit::TempDir::WriteFile(dir / "radio.mp3", testkit::ReadBytes(audiotest::Media("sine440_2s.mp3")));
  const uint16_t port = FreePort();
  const std::string accept = "127.0.0.1:" + std::to_string(port);
  std::vector<std::string> args = {"openssl", "s_server", "-quiet", "-accept", accept, "-cert", cert, "-key", key, "-WWW"};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, dir.Path().c_str());
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  ASSERT_EQ(posix_spawnp(&pid, "openssl", &actions, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  ASSERT_TRUE(audiotest::WaitFor([&] { return Accepting(port); }, 5s));
  {
    audiotest::TLibrary library;
    auto start = std::chrono::steady_clock::now();
    const std::string url = "https://" + accept + "/radio.mp3";
    EXPECT_EQ(StreamCreateURL(url.c_str(), 0, STREAM_BLOCK, nullptr, nullptr), 0u);
    EXPECT_EQ(ErrorGetCode(), ERROR_SSL);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
  }
  kill(pid, SIGTERM);
  int status = 0;
  waitpid(pid, &status, 0);
}
