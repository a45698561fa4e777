// The private socket without a web process: a plain client speaks the
// extension's frames. The user-interface loop keeps running whatever the
// client does.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "BrowserKit.h"
#include "MainLoop.h"
#include "TempDir.h"
#include "browser/ExternalServer.h"
#include "browser/ExternalWire.h"

namespace browsertest {
namespace {

using browser::TExternalServer;

class ExternalServer : public ::testing::Test {
 protected:
  void SetUp() override {
    Server = std::make_unique<TExternalServer>(
        Dispatch, [](const std::string& page) { return page.rfind("http://own.test/", 0) == 0; });
    ASSERT_TRUE(Server->Start((Dir.Path() / "socket").string()));
  }
  void TearDown() override {
    if (Fd >= 0) ::close(Fd);
  }
  void Connect() {
    Fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, Server->SocketPath().c_str());
    ASSERT_EQ(::connect(Fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  }
  void Send(const std::string& bytes) { ASSERT_EQ(::send(Fd, bytes.data(), bytes.size(), 0), ssize_t(bytes.size())); }
  void SendRequest(const std::string& token, const std::string& page, const char* op, const char* name,
                   std::vector<GVariant*> args = {}) {
    GVariantBuilder list;
    g_variant_builder_init(&list, G_VARIANT_TYPE("av"));
    for (GVariant* a : args) g_variant_builder_add_value(&list, g_variant_new_variant(a));
    Send(browser::Frame(g_variant_new("(ssss@av)", token.c_str(), page.c_str(), op, name,
                                      g_variant_builder_end(&list))));
  }
  // The next reply: ok, the value printed, the error text.
  std::tuple<bool, std::string, std::string> Reply() {
    GVariant* reply = nullptr;
    std::string in;
    EXPECT_TRUE(testkit::PumpUntil([&] {
      char chunk[512];
      ssize_t n = ::read(Fd, chunk, sizeof chunk);
      if (n > 0) in.append(chunk, size_t(n));
      return browser::TakeFrame(in, browser::ReplyType, &reply) != 0;
    }));
    if (!reply) return {false, "", "no reply"};
    gboolean ok = FALSE;
    GVariant* value = nullptr;
    const gchar* error = nullptr;
    g_variant_get(reply, "(bv&s)", &ok, &value, &error);
    gchar* printed = g_variant_print(value, FALSE);
    std::tuple<bool, std::string, std::string> out{ok, printed, error};
    g_free(printed);
    g_variant_unref(value);
    g_variant_unref(reply);
    return out;
  }
  bool PeerClosed() {
    return testkit::PumpUntil([&] {
      char c;
      return ::read(Fd, &c, 1) == 0;
    });
  }

  testkit::TempDir Dir;
  TStandInPlayer Player;
  browser::TExternalDispatch Dispatch{Player};
  std::unique_ptr<TExternalServer> Server;
  int Fd = -1;
};

TEST_F(ExternalServer, AnswersOwnPagesThatKnowTheTokenAndNoOneElse) {
  struct stat folder {};
  ASSERT_EQ(::stat(std::filesystem::path(Server->SocketPath()).parent_path().c_str(), &folder), 0);
  EXPECT_EQ(folder.st_mode & 0777, 0700u) << "only the user may reach the socket";
  Connect();
  SendRequest(Server->Token(), "http://own.test/find.php", "lookup", "ADDLIST");
  EXPECT_EQ(Reply(), std::make_tuple(true, std::string("1"), std::string()));
  SendRequest(Server->Token(), "http://own.test/find.php", "get", "portable");
  EXPECT_EQ(Reply(), std::make_tuple(true, std::string("false"), std::string()));
  SendRequest(Server->Token(), "http://own.test/find.php", "call", "AddUrl",
              {g_variant_new_string("Yerel"), g_variant_new_string("http://127.0.0.1:1/y")});
  EXPECT_EQ(Reply(), std::make_tuple(true, std::string("0"), std::string()));
  ASSERT_EQ(Player.Added.size(), 1u);

  SendRequest("wrong-token", "http://own.test/find.php", "call", "AddUrl",
              {g_variant_new_string("Sahte"), g_variant_new_string("http://127.0.0.1:1/s")});
  EXPECT_FALSE(std::get<0>(Reply()));
  SendRequest(Server->Token(), "http://other.test/", "call", "AddUrl",
              {g_variant_new_string("Yabancı"), g_variant_new_string("http://127.0.0.1:1/x")});
  EXPECT_EQ(Reply(), std::make_tuple(false, std::string("()"), std::string("Access denied")));
  EXPECT_EQ(Player.Added.size(), 1u) << "neither a wrong token nor a foreign page adds anything";

  // A failing member is an error for the page, and the connection goes on.
  SendRequest(Server->Token(), "http://own.test/", "call", "Listen", {g_variant_new_string("eksik")});
  auto [ok, value, error] = Reply();
  EXPECT_FALSE(ok);
  EXPECT_EQ(error, "TExternalDispatch: Invalid number of parameters");
  SendRequest(Server->Token(), "http://own.test/", "lookup", "Close");
  EXPECT_TRUE(std::get<0>(Reply()));
}

TEST_F(ExternalServer, HalfFramesWaitWithoutBlockingAndGarbageDropsOnlyThatClient) {
  Connect();
  std::string frame = browser::Frame(g_variant_new("(ssss@av)", Server->Token().c_str(), "http://own.test/", "lookup",
                                                   "Encode", g_variant_new_array(G_VARIANT_TYPE_VARIANT, nullptr, 0)));
  Send(frame.substr(0, 7));
  // The loop goes on serving timers while the rest is missing.
  int ticks = 0;
  core::TTimer timer;
  timer.SetInterval(10);
  timer.SetOnTimer([&](core::TObject*) { ++ticks; });
  ASSERT_TRUE(testkit::PumpUntil([&] { return ticks >= 5; }));
  Send(frame.substr(7));
  EXPECT_EQ(Reply(), std::make_tuple(true, std::string("1"), std::string()));

  int other = Fd;
  Connect();
  Send(std::string("\xff\xff\xff\x7f", 4) + "no frame");
  EXPECT_TRUE(PeerClosed()) << "a length beyond the bound ends that connection";
  ::close(Fd);
  Fd = other;
  SendRequest(Server->Token(), "http://own.test/", "lookup", "decode");
  EXPECT_EQ(Reply(), std::make_tuple(true, std::string("1"), std::string()));
}

TEST(ExternalWire, OriginsCompareSchemeHostAndPort) {
  EXPECT_EQ(browser::OriginOf("HTTP://Vendor.Example:80/qor/browser/5.3/find.php"), "http://vendor.example");
  EXPECT_EQ(browser::OriginOf("https://vendor.example:443/x"), "https://vendor.example");
  EXPECT_EQ(browser::OriginOf("http://127.0.0.1:8080/qor/"), "http://127.0.0.1:8080");
  EXPECT_NE(browser::OriginOf("http://127.0.0.1:8081/"), browser::OriginOf("http://127.0.0.1:8080/"));
  EXPECT_EQ(browser::OriginOf("qor://pages/find.html?q=a"), "qor://pages");
  EXPECT_EQ(browser::OriginOf("about:blank"), "");
  EXPECT_EQ(browser::OriginOf("not an address"), "");
}

}  // namespace
}  // namespace browsertest
