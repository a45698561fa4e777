#include "support/URLUtils.h"

#include <gtest/gtest.h>

#include <random>

namespace {

TURLComponentStrings Split(const std::string& address, bool expectOk = true, int* port = nullptr) {
  TURLComponentStrings parts;
  EXPECT_EQ(SplitURL(address, parts, port), expectOk) << address;
  return parts;
}

TEST(URLSplit, GivesFourPartsAndDropsUserPasswordPort) {
  int port = -1;
  auto p = Split("http://user:pw@Radio.Example:8000/live/stream.mp3?a=1&b=2#frag", true, &port);
  EXPECT_EQ(p.Scheme, "http");
  EXPECT_EQ(p.HostName, "Radio.Example");
  EXPECT_EQ(p.URLPath, "/live/stream.mp3");
  EXPECT_EQ(p.ExtraInfo, "?a=1&b=2#frag");
  EXPECT_EQ(port, 8000);

  p = Split("HTTPS://host", true, &port);
  EXPECT_EQ(p.Scheme, "HTTPS");  // scheme keeps its case
  EXPECT_EQ(p.HostName, "host");
  EXPECT_EQ(p.URLPath, "");
  EXPECT_EQ(p.ExtraInfo, "");
  EXPECT_EQ(port, 0);

  p = Split("http://host#only-fragment");
  EXPECT_EQ(p.URLPath, "");
  EXPECT_EQ(p.ExtraInfo, "#only-fragment");

  p = Split("http://[::1]:8080/x");
  EXPECT_EQ(p.HostName, "[::1]");
  EXPECT_EQ(p.URLPath, "/x");
}

TEST(URLSplit, OwnSchemesAndFiles) {
  auto p = Split("qor://Portal.Example/radio/kanal-7");
  EXPECT_EQ(p.Scheme, "qor");
  EXPECT_EQ(p.HostName, "Portal.Example");
  EXPECT_EQ(p.URLPath, "/radio/kanal-7");

  p = Split("file://C:/music/a.mp3");
  EXPECT_EQ(p.HostName, "C:");  // file addresses have no port
  EXPECT_EQ(p.URLPath, "/music/a.mp3");

  p = Split("file:///home/u/m%C3%BCzik/a b.mp3");
  EXPECT_EQ(p.HostName, "");
  EXPECT_EQ(p.URLPath, "/home/u/m%C3%BCzik/a b.mp3");  // nothing decoded
}

TEST(URLSplit, FailuresLeaveTheRecordUntouched) {
  TURLComponentStrings parts{"s", "h", "/p", "?x"};
  for (const char* bad : {"", "no-scheme-here", "/usr/share/a.mp3", "://host/x", "1http://host/",
                          "http:///path", "http://:80/x", "http:host/x", "https://host:80a/x",
                          "http://host:99999/", "http://[::1/x", "http://ho st/x"}) {
    EXPECT_FALSE(SplitURL(bad, parts)) << bad;
    EXPECT_EQ(parts.Scheme, "s");
    EXPECT_EQ(parts.HostName, "h");
    EXPECT_EQ(parts.URLPath, "/p");
    EXPECT_EQ(parts.ExtraInfo, "?x");
  }
  TURLComponentStrings fresh;
  EXPECT_FALSE(SplitURL("nonsense", fresh));
  EXPECT_TRUE(fresh.Scheme.empty() && fresh.HostName.empty() && fresh.URLPath.empty() &&
              fresh.ExtraInfo.empty());
}

TEST(URLSplit, PartsLongerThanTheCrackerBuffersFail) {
  TURLComponentStrings parts;
  EXPECT_TRUE(SplitURL("http://" + std::string(255, 'h') + "/", parts));
  EXPECT_FALSE(SplitURL("http://" + std::string(256, 'h') + "/", parts));
  EXPECT_TRUE(SplitURL("http://h/" + std::string(2046, 'p'), parts));
  EXPECT_FALSE(SplitURL("http://h/" + std::string(2047, 'p'), parts));
  EXPECT_TRUE(SplitURL("http://h/?" + std::string(2053, 'q'), parts));
  EXPECT_FALSE(SplitURL("http://h/?" + std::string(2054, 'q'), parts));
  EXPECT_FALSE(SplitURL(std::string(32, 's') + "://h/", parts));
  EXPECT_FALSE(SplitURL("http://" + std::string(128, 'u') + "@h/", parts));
  // The address ends at an embedded NUL, as a zero-terminated text would.
  EXPECT_TRUE(SplitURL(std::string("http://h/a\0/b", 13), parts));
  EXPECT_EQ(parts.URLPath, "/a");
}

TEST(URLEncode, KeepsUnreservedEncodesTheRest) {
  EXPECT_EQ(URLEncode("a b"), "a+b");
  EXPECT_EQ(URLEncode("/"), "%2F");
  EXPECT_EQ(URLEncode("\xE7"), "%E7");
  EXPECT_EQ(URLEncode("!$'()*-.09@AZ_az"), "!$'()*-.09@AZ_az");
  EXPECT_EQ(URLEncode(std::string("\0\n~+&=?%:,;\"#\xFF", 14)), "%00%0A%7E%2B%26%3D%3F%25%3A%2C%3B%22%23%FF");
  EXPECT_EQ(URLEncode(""), "");
}

TEST(URLDecode, DecodesAndStopsAtBadEscapes) {
  EXPECT_EQ(URLDecode("%41%42"), "AB");
  EXPECT_EQ(URLDecode("ab%G1cd"), "ab");
  EXPECT_EQ(URLDecode("ab%4"), "ab");
  EXPECT_EQ(URLDecode("ab%"), "ab");
  EXPECT_EQ(URLDecode("a+b%20x%%d"), "a b x%d");
  EXPECT_EQ(URLDecode("%%41"), "%41");
  EXPECT_EQ(URLDecode("%e7%E7"), "\xE7\xE7");
  EXPECT_EQ(URLDecode("%00z"), std::string("\0z", 2));

  auto r = URLDecodeChecked("abc%4");
  EXPECT_EQ(r.Error, TURLDecodeError::Truncated);
  EXPECT_EQ(r.Position, 4u);
  EXPECT_EQ(r.Text, "abc");
  r = URLDecodeChecked("x%zz");
  EXPECT_EQ(r.Error, TURLDecodeError::BadHex);
  EXPECT_EQ(r.Position, 2u);
  r = URLDecodeChecked("%+1");  // sign characters are not hexadecimal digits
  EXPECT_EQ(r.Error, TURLDecodeError::BadHex);
}

TEST(URLDecode, RoundTripsEveryByteAndNeverGrows) {
  std::mt19937 rng(7);
  for (int n = 0; n < 300; ++n) {
    std::string bytes(rng() % 64, '\0');
    for (char& c : bytes) c = static_cast<char>(rng());
    std::string encoded = URLEncode(bytes);
    EXPECT_LE(encoded.size(), bytes.size() * 3);
    EXPECT_EQ(URLDecode(encoded), bytes);
    EXPECT_LE(URLDecode(bytes).size(), bytes.size());
  }
}

}  // namespace

TEST(FileAddress, KeepsPlainPathsAndEscapesWhatWouldNotLeadBack) {
  EXPECT_EQ(FileAddress("/müzik/a b+c%.mp3"), "file:///müzik/a b+c%.mp3");
  EXPECT_EQ(FileAddress("/m/\xDE" "ark\xFD.mp3"), "file:///m/%DEark%FD.mp3");
  EXPECT_EQ(FileAddress("/m/Hit #1?.mp3"), "file:///m/Hit %231%3F.mp3");
  // Once anything is escaped the whole path is decoded: nothing else may
  // change in that decode.
  for (std::string path : {std::string("/m/1+1%20 #.mp3"), std::string("/ü/\xFF+%41\t.ogg")}) {
    const std::string address = FileAddress(path);
    EXPECT_EQ(URLDecode(address.substr(7)), path) << address;
    EXPECT_EQ(address.find_first_of("?#+\t\xFF", 7), std::string::npos) << address;
  }
}
