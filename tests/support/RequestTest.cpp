#include "support/Request.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "FixtureServer.h"

namespace {

using testkit::Connection;
using testkit::FixtureServer;
using testkit::HttpRequest;

class RequestTest : public ::testing::Test {
 protected:
  RequestTest() {
    session.ConnectTimeoutMs = 2000;
    session.StallTimeoutMs = 1000;
  }
  // A request for a path on the fixture server.
  static void Aim(TRequest& r, const FixtureServer& s, const std::string& path) {
    ASSERT_TRUE(r.SetMethodAndURL("GET", s.Url(path)));
  }
  THttpSession session;
  FixtureServer server;
};

std::vector<std::string> HeaderNames(const HttpRequest& r) {
  std::vector<std::string> names;
  for (const auto& [name, value] : r.headers) names.push_back(name);
  return names;
}

TEST_F(RequestTest, SlotsHeadersInTheirOrderAndNothingElse) {
  server.Route("/echo", [](const HttpRequest&, Connection& c) { FixtureServer::Respond(c, 200, "text/plain", "ok"); });
  TRequest r;
  ASSERT_TRUE(r.SetMethodAndURL("POST", server.Url("/echo?x=1&y=%20")));
  EXPECT_EQ(r.Slot(rsMethod), "POST");
  EXPECT_EQ(r.Slot(rsHost), "127.0.0.1");
  EXPECT_EQ(r.Slot(rsPath), "/echo?x=1&y=%20");
  EXPECT_EQ(r.Slot(rsVersion), "HTTP/1.1");
  EXPECT_FALSE(r.Secure);
  r.AddHeader("X-Requested-With", "XMLHttpRequest");
  r.SetSlot(rsContentType, "application/x-www-form-urlencoded; charset=UTF-8");
  r.SetSlot(rsConnection, "close");
  r.SetSlot(rsUserAgent, "Agent/1.0");
  r.SetSlot(rsReferer, "http://ref.example/");
  r.SetSlot(rsCookie, "a=b");
  r.SetSlot(rsAccept, "*/*");
  r.SetSlot(rsContentLength, "999");  // kept, never sent as such
  r.SetSlot(12, "ignored");
  r.SetSlot(-1, "ignored");
  EXPECT_EQ(r.Slot(12), "");
  r.Body = "SID=42";
  EXPECT_EQ(r.Execute(&session), 0);
  EXPECT_EQ(r.Response().BodyAsText(), "ok");

  ASSERT_EQ(server.Requests().size(), 1u);
  HttpRequest got = server.Requests()[0];
  EXPECT_EQ(got.method, "POST");
  EXPECT_EQ(got.target, "/echo?x=1&y=%20");
  EXPECT_EQ(got.body, "SID=42");
  EXPECT_EQ(got.Header("Content-Length"), "6");
  std::vector<std::string> names = HeaderNames(got);
  std::vector<std::string> ours;
  for (const auto& n : names)
    if (n != "Host" && n != "Content-Length") ours.push_back(n);
  EXPECT_EQ(ours, (std::vector<std::string>{"X-Requested-With", "Accept", "Cookie", "Referer", "User-Agent",
                                            "Connection", "Content-Type"}));
  EXPECT_EQ(r.Execute(&session), -1);  // a request runs once
}

TEST_F(RequestTest, EmptySlotsSendNoHeaders) {
  TRequest r;
  Aim(r, server, "/plain");
  r.SetMethodAndURL("PUT", server.Url("/plain"));
  r.Body = "data";
  r.Execute(&session);
  HttpRequest got = server.Requests().at(0);
  EXPECT_EQ(got.method, "PUT");
  EXPECT_EQ(got.Header("Content-Type"), "");
  EXPECT_EQ(got.Header("Accept"), "");
  EXPECT_EQ(got.Header("User-Agent"), "");
  EXPECT_EQ(got.Header("Expect"), "");
  EXPECT_EQ(got.body, "data");

  TRequest post;
  ASSERT_TRUE(post.SetMethodAndURL("POST", server.Url("/plain")));
  post.Body = "a=1";
  post.Execute(&session);
  got = server.Requests().at(1);
  EXPECT_EQ(got.method, "POST");
  EXPECT_EQ(got.Header("Content-Type"), "");
  EXPECT_EQ(got.body, "a=1");
}

TEST_F(RequestTest, PathsAreSentAsWritten) {
  TRequest spaced;
  ASSERT_TRUE(spaced.SetMethodAndURL("GET", server.Url("/a b/../c?q=x y&r=%41&t=\xC3\xA7")));
  spaced.SetSlot(rsVersion, "HTTP/1.0");
  EXPECT_EQ(spaced.Execute(&session), 0);
  TRequest bare;
  bare.SetSlot(rsHost, "127.0.0.1:" + std::to_string(server.Port()));
  EXPECT_EQ(bare.Execute(&session), 0);
  auto got = server.Requests();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].target, "/a%20b/../c?q=x%20y&r=%41&t=%C3%A7");
  EXPECT_EQ(got[0].version, "HTTP/1.0");
  EXPECT_EQ(got[1].target, "/");
}

TEST_F(RequestTest, PortInTheAddressOrHostSlotIsUsed) {
  server.Route("/p", [](const HttpRequest&, Connection& c) { FixtureServer::Respond(c, 200, "text/plain", "port"); });
  TRequest byUrl;
  Aim(byUrl, server, "/p");
  EXPECT_EQ(byUrl.Port, server.Port());
  EXPECT_EQ(byUrl.Execute(&session), 0);
  EXPECT_EQ(byUrl.Response().Body, "port");

  TRequest bySlot;
  bySlot.SetSlot(rsHost, "127.0.0.1:" + std::to_string(server.Port()));
  bySlot.SetSlot(rsPath, "/p");
  EXPECT_EQ(bySlot.Execute(&session), 0);
  EXPECT_EQ(bySlot.Response().Body, "port");

  TRequest secure;
  ASSERT_TRUE(secure.SetMethodAndURL("GET", "https://host.example/a?b"));
  EXPECT_TRUE(secure.Secure);
  EXPECT_EQ(secure.Port, 0);
  TRequest bad;
  EXPECT_FALSE(bad.SetMethodAndURL("GET", "not an address"));
  EXPECT_EQ(bad.Slot(rsHost), "");
}

TEST_F(RequestTest, RedirectsErrorPagesCookiesAndRawHeaders) {
  server.Route("/old", [](const HttpRequest&, Connection& c) {
    FixtureServer::Respond(c, 302, "text/plain", "moved", {{"Location", "/new"}, {"Set-Cookie", "old=1"}});
  });
  server.Route("/new", [](const HttpRequest&, Connection& c) {
    FixtureServer::Respond(c, 200, "text/plain", "final", {{"Set-Cookie", "sid=abc; Path=/"}, {"Set-Cookie", "two=2"}});
  });
  TRequest follow;
  Aim(follow, server, "/old");
  EXPECT_EQ(follow.Execute(&session), 0);
  EXPECT_EQ(follow.Response().Body, "final");
  EXPECT_EQ(follow.Response().Slot(4), "sid=abc; Path=/");
  const std::string& raw = follow.Response().RawHeaders;
  EXPECT_EQ(raw.rfind("HTTP/1.1 200", 0), 0u) << raw;
  EXPECT_NE(raw.find("\r\nSet-Cookie: two=2\r\n"), std::string::npos);
  EXPECT_EQ(raw.find("302"), std::string::npos);
  for (int i = 0; i < 12; ++i) {
    if (i == 4) continue;
    EXPECT_EQ(follow.Response().Slot(i), "");
  }

  TRequest stay;
  Aim(stay, server, "/old");
  stay.FollowRedirects = false;
  EXPECT_EQ(stay.Execute(&session), 0);
  EXPECT_EQ(stay.Response().Body, "moved");
  EXPECT_EQ(stay.Response().StatusCode, 302);
  EXPECT_EQ(stay.Response().Slot(4), "old=1");

  TRequest missing;
  Aim(missing, server, "/nothing-here");
  EXPECT_EQ(missing.Execute(&session), 0);
  EXPECT_EQ(missing.Response().Body, "not found");
  EXPECT_EQ(missing.Response().StatusCode, 404);
}

TEST_F(RequestTest, BlocksOfAtMost8192BytesReachTheProgressEvent) {
  std::string body(100000, '\0');
  for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>(i * 7);
  server.Route("/big", [body](const HttpRequest&, Connection& c) {
    FixtureServer::Respond(c, 200, "application/octet-stream", body);
  });
  TRequest r;
  Aim(r, server, "/big");
  uint64_t total = 0;
  uint32_t largest = 0;
  int calls = 0;
  r.OnProgress = [&](TRequest* sender, uint32_t available, uint32_t read) {
    EXPECT_EQ(sender, &r);
    EXPECT_GE(available, read);
    total += read;
    largest = std::max(largest, read);
    ++calls;
  };
  EXPECT_EQ(r.Execute(&session), 0);
  EXPECT_EQ(r.Response().Body, body);
  EXPECT_EQ(total, body.size());
  EXPECT_LE(largest, 8192u);
  EXPECT_GE(calls, 13);
}

TEST_F(RequestTest, FailuresGiveMinusOneAndKeepWhatArrived) {
  TRequest noHandle;
  Aim(noHandle, server, "/");
  EXPECT_EQ(noHandle.Execute(nullptr), -1);

  uint16_t deadPort;
  {
    FixtureServer gone;
    deadPort = gone.Port();
  }
  TRequest refused;
  ASSERT_TRUE(refused.SetMethodAndURL("GET", "http://127.0.0.1:" + std::to_string(deadPort) + "/"));
  EXPECT_EQ(refused.Execute(&session), -1);
  EXPECT_EQ(refused.Response().Body, "");

  server.Route("/cut", [](const HttpRequest&, Connection& c) {
    c.Write("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nConnection: close\r\n\r\n");
    c.Write(std::string(500, 'x'));
    c.Close();
  });
  TRequest truncated;
  Aim(truncated, server, "/cut");
  EXPECT_EQ(truncated.Execute(&session), -1);
  EXPECT_EQ(truncated.Response().Body, std::string(500, 'x'));

  server.Route("/garbage", [](const HttpRequest&, Connection& c) { c.Write("\x01\x02 not http at all\r\n\r\n"); });
  TRequest garbage;
  Aim(garbage, server, "/garbage");
  EXPECT_EQ(garbage.Execute(&session), -1);

  TRequest emptyHost;
  emptyHost.SetSlot(rsPath, "/");
  EXPECT_EQ(emptyHost.Execute(&session), -1);
}

TEST_F(RequestTest, SilentServerEndsByTheStallTimeOut) {
  server.Route("/silent", [this](const HttpRequest&, Connection&) { server.SleepFor(std::chrono::seconds(30)); });
  TRequest r;
  Aim(r, server, "/silent");
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(r.Execute(&session), -1);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST_F(RequestTest, CancelEndsAWaitLongBeforeTheTimeOut) {
  session.StallTimeoutMs = 30000;
  server.Route("/silent", [this](const HttpRequest&, Connection&) { server.SleepFor(std::chrono::seconds(30)); });
  std::atomic<bool> cancel{false};
  TRequest r;
  Aim(r, server, "/silent");
  r.CancelFlag = &cancel;
  auto start = std::chrono::steady_clock::now();
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    cancel = true;
  });
  EXPECT_EQ(r.Execute(&session), -1);
  stopper.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST_F(RequestTest, CancelFlagAndClosingSessionEndRunningTransfers) {
  server.Route("/endless", [this](const HttpRequest&, Connection& c) {
    c.Write("HTTP/1.1 200 OK\r\nContent-Type: audio/mpeg\r\n\r\n");
    while (!server.Stopping() && c.Write(std::string(1024, 'a'))) server.SleepFor(std::chrono::milliseconds(5));
  });
  std::atomic<bool> cancel{false};
  TRequest r;
  Aim(r, server, "/endless");
  r.CancelFlag = &cancel;
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    cancel = true;
  });
  EXPECT_EQ(r.Execute(&session), -1);
  stopper.join();
  EXPECT_GT(r.Response().Body.size(), 0u);

  THttpSession closing;
  TRequest r2;
  Aim(r2, server, "/endless");
  std::thread closer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_TRUE(closing.Drain(10000));
  });
  EXPECT_EQ(r2.Execute(&closing), -1);
  closer.join();
  TRequest late;
  Aim(late, server, "/endless");
  EXPECT_EQ(late.Execute(&closing), -1);
}

TEST_F(RequestTest, LargeBodiesAndTheBodyLimit) {
  const std::size_t size = 50u * 1024u * 1024u;
  server.Route("/huge", [size](const HttpRequest&, Connection& c) {
    c.Write("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(size) + "\r\nConnection: close\r\n\r\n");
    std::string chunk(1 << 20, 'z');
    for (std::size_t sent = 0; sent < size && c.Write(chunk); sent += chunk.size()) {
    }
  });
  TRequest whole;
  Aim(whole, server, "/huge");
  EXPECT_EQ(whole.Execute(&session), 0);
  EXPECT_EQ(whole.Response().Body.size(), size);

  TRequest limited;
  Aim(limited, server, "/huge");
  limited.MaxBodySize = 1 << 20;
  EXPECT_EQ(limited.Execute(&session), -1);
  EXPECT_LE(limited.Response().Body.size(), 1u << 20);
}

TEST(InternetHandle, OpenCloseAndReopen) {
  EXPECT_TRUE(OpenInternetHandle());
  HINTERNET first = InternetHandle();
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(OpenInternetHandle());
  HINTERNET second = InternetHandle();
  EXPECT_NE(second, nullptr);
  // The first handle was closed by the second open: requests on it fail.
  TRequest r;
  r.SetSlot(rsHost, "127.0.0.1");
  EXPECT_EQ(r.Execute(first), -1);
  CloseInternetHandle();
  EXPECT_EQ(InternetHandle(), nullptr);
}

}  // namespace
