#include "platform/OpenTarget.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "TempDir.h"

namespace {

TEST(PlatformOpenTargetTest, UrisPathsAndAddressesResolve) {
  using platform::ResolveOpenTarget;
  // What a file manager passes through %U: escaped, possibly non-ASCII.
  EXPECT_EQ(ResolveOpenTarget("file:///home/k%C3%BCbra/M%C3%BCzik/liste%201.rpf"), "/home/kübra/Müzik/liste 1.rpf");
  EXPECT_EQ(ResolveOpenTarget("FILE:///tmp/a.pls"), "/tmp/a.pls");
  EXPECT_EQ(ResolveOpenTarget("file://otherhost/tmp/a.pls"), "") << "not a local file";
  EXPECT_EQ(ResolveOpenTarget("file://localhost/tmp/a%DE.pls"), "/tmp/a\xDE.pls") << "this machine, its bytes kept";
  EXPECT_EQ(ResolveOpenTarget("http://127.0.0.1:8000/stream"), "http://127.0.0.1:8000/stream");
  EXPECT_EQ(ResolveOpenTarget("rtmp://host/live"), "rtmp://host/live");
  EXPECT_EQ(ResolveOpenTarget("HTTPS://Host/Path"), "https://Host/Path");
  EXPECT_EQ(ResolveOpenTarget("/tmp/../tmp/x.m3u"), "/tmp/x.m3u");
  EXPECT_EQ(ResolveOpenTarget(""), "");

  testkit::TempDir dir;
  auto old = std::filesystem::current_path();
  std::filesystem::current_path(dir.Path());
  std::string relative = ResolveOpenTarget("lists/my list.rpf");
  std::string colon = ResolveOpenTarget("a:b.m3u");  // a colon alone is no scheme
  std::filesystem::current_path(old);
  auto base = std::filesystem::canonical(dir.Path()).string();
  EXPECT_EQ(relative, base + "/lists/my list.rpf");
  EXPECT_EQ(colon, base + "/a:b.m3u");

  EXPECT_TRUE(platform::IsWebAddress("HTTPS://example.org/"));
  EXPECT_TRUE(platform::IsWebAddress("http://127.0.0.1/"));
  EXPECT_FALSE(platform::IsWebAddress("httpx://a/"));
  EXPECT_FALSE(platform::IsWebAddress("/tmp/http://a"));
  EXPECT_FALSE(platform::IsWebAddress("mms://a/"));
}

}  // namespace
