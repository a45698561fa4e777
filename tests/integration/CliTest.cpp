// qor-cli end to end: arguments, station lookup, playing and recording
// fixture ICY streams in every format, failures and Ctrl+C.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <chrono>
#include <map>
#include <thread>

#include "CliProcess.h"
#include "FixtureServer.h"
#include "LiveStream.h"
#include "MainWindowTestKit.h"
#include "Media.h"
#include "TempDir.h"
#include "lists/ListIO.h"
#include "lists/PlayList.h"

using namespace clitest;
namespace fs = std::filesystem;

namespace {

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mp3 = testkit::ReadBytes(ctltest::Media("tone.mp3"));
    ASSERT_FALSE(mp3.empty());
    Server.Route("/live", [this](const testkit::HttpRequest&, testkit::Connection& c) {
      testkit::LiveStreamOptions o;
      o.statusLine = "ICY 200 OK";
      o.metaInt = 8192;
      testkit::ServeLiveStream(Server, c, mp3, o);
    });
    Settings = Home.Path() / "Kelvarin" / "QOR";
    fs::create_directories(Settings);
    // Favourites of this user: the fixture station, and one with Turkish
    // letters for the folded search.
    qor::TPlayList favourites;
    auto add = [&](const std::u16string& name, const std::string& url) {
      auto item = std::make_unique<qor::TPlayItem>();
      item->SetName(name);
      item->Url = url;
      item->Id = favourites.Count() + 1;
      favourites.Add(std::move(item));
    };
    add(u"Test Radyo", Server.Url("/live"));
    add(u"IŞIK FM", "http://127.0.0.1:1/isik");
    ASSERT_TRUE(qor::SaveFavourites(favourites, Settings / "playlist.rpf"));
    // Recordings land in the test's own folder unless asked otherwise.
    std::string ini = "[recorder]\nfolder=" + (Home.Path() / "default-records").string() + "\n[player]\nbuffer=2000\n";
    testkit::TempDir::WriteFile(Settings / "options.ini", ini);
  }

  std::unique_ptr<TCliProcess> Run(const std::vector<std::string>& args) {
    return std::make_unique<TCliProcess>(Home.Path(), args);
  }

  testkit::TempDir Home;
  fs::path Settings;
  std::string mp3;
  // Last: its connection threads read the members above until it is gone.
  testkit::FixtureServer Server;
};

TEST_F(CliTest, BadArgumentsExitWithTwo) {
  const std::vector<std::vector<std::string>> bad = {
      {},
      {"dance"},
      {"record", "Test Radyo"},
      {"record", "Test Radyo", "--duration", "00:99:00"},
      {"record", "Test Radyo", "--duration", "00:00:05", "--format", "wma"},
      {"play", "Test Radyo", "--seconds", "zero"},
      {"play", "Test Radyo", "--bogus"},
      {"play"},
      {"play", "No Such Station At All"},
  };
  for (const auto& args : bad) {
    std::string joined;
    for (const auto& a : args) joined += a + " ";
    SCOPED_TRACE(joined);
    auto p = Run(args);
    EXPECT_EQ(p->Wait(std::chrono::seconds(20)), 2) << p->Stderr();
    EXPECT_FALSE(p->Stderr().empty());
  }
  auto help = Run({"--help"});
  EXPECT_EQ(help->Wait(std::chrono::seconds(20)), 0);
  EXPECT_NE(help->Stdout().find("qor-cli record"), std::string::npos);
  // Nothing the tool was asked changed the stored options.
  EXPECT_EQ(testkit::TempDir::ReadFile(Settings / "options.ini").find("format"), std::string::npos);
}

TEST_F(CliTest, SearchFoldsTurkishLetters) {
  auto p = Run({"search", "ışık"});
  ASSERT_EQ(p->Wait(std::chrono::seconds(20)), 0);
  EXPECT_NE(p->Stdout().find("[favori] IŞIK FM"), std::string::npos) << p->Stdout();
  auto none = Run({"search", "qqqzzz"});
  ASSERT_EQ(none->Wait(std::chrono::seconds(20)), 0);
  EXPECT_EQ(none->Stdout().find("[favori]"), std::string::npos);
}

TEST_F(CliTest, PlayDeadAddressFailsWithReason) {
  auto start = std::chrono::steady_clock::now();
  auto p = Run({"play", "http://127.0.0.1:1/dead", "--no-sound"});
  // Well inside the connection time-out of the options (15 s).
  EXPECT_EQ(p->Wait(std::chrono::seconds(15)), 1);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));
  EXPECT_NE(p->Stderr().find("Bağlantı kurulamadı."), std::string::npos) << p->Stderr();
  EXPECT_NE(p->Stdout().find("Bağlanıyor"), std::string::npos);
}

TEST_F(CliTest, PlayByNameFragmentPrintsEventsAndTitle) {
  auto p = Run({"play", "test rad", "--seconds", "1", "--no-sound"});
  ASSERT_EQ(p->Wait(std::chrono::seconds(30)), 0) << p->Stderr();
  std::string out = p->Stdout();
  EXPECT_NE(out.find("Test Radyo"), std::string::npos) << out;
  EXPECT_NE(out.find("Bağlanıyor (connecting)"), std::string::npos);
  EXPECT_NE(out.find("Çalıyor (playing)"), std::string::npos);
  EXPECT_NE(out.find("Başlık (title): Artist - Song"), std::string::npos) << out;
}

// One ten-second raw recording, and two-second recordings in each encoded
// format, run side by side to keep the suite quick.
TEST_F(CliTest, RecordsRawAndEveryFormatWithTheNameRule) {
  fs::path folder = Home.Path() / "records";
  const std::map<std::string, std::string> codecs = {
      {"aac", "aac"}, {"ac3", "ac3"}, {"flac", "flac"}, {"m4a", "aac"},
      {"mp3", "mp3"}, {"ogg", "vorbis"}, {"opus", "opus"}, {"wav", "pcm_s16le"}};
  auto raw = Run({"record", "Test Radyo", "--duration", "00:00:10", "--format", "raw", "--folder", folder.string(),
                  "--no-sound"});
  std::map<std::string, std::unique_ptr<TCliProcess>> runs;
  for (const auto& [format, codec] : codecs)
    runs[format] = Run({"record", "Test Radyo", "--duration", "00:00:02", "--format", format, "--folder",
                        (folder / format).string(), "--no-sound"});

  for (auto& [format, run] : runs) {
    SCOPED_TRACE(format);
    ASSERT_EQ(run->Wait(std::chrono::seconds(60)), 0) << run->Stderr();
    fs::path file = LastLine(run->Stdout());
    EXPECT_EQ(file.parent_path(), folder / format);
    EXPECT_EQ(file.extension(), "." + format);
    EXPECT_EQ(file.filename().string().rfind("Test Radyo - Artist - Song - ", 0), 0u) << file;
    EXPECT_EQ(testkit::ProbeCodec(file), codecs.at(format));
    double seconds = testkit::ProbeDuration(file);
    EXPECT_GT(seconds, 1.5) << file;
    EXPECT_LT(seconds, 3.0) << file;
  }

  ASSERT_EQ(raw->Wait(std::chrono::seconds(60)), 0) << raw->Stderr();
  fs::path file = LastLine(raw->Stdout());
  EXPECT_EQ(file.parent_path(), folder);
  EXPECT_EQ(file.extension(), ".mp3");
  EXPECT_EQ(testkit::ProbeCodec(file), "mp3");
  double seconds = testkit::ProbeDuration(file);
  EXPECT_GT(seconds, 9.0) << file;
  EXPECT_LT(seconds, 11.5) << file;
}

// Started with standard input, output and error closed, as some launchers
// do: what the program prints must not land in the files it opens later
// (here the recording), so the three numbers hold /dev/null all along.
TEST_F(CliTest, ClosedStandardFilesNeverBecomeTheRecording) {
  fs::path folder = Home.Path() / "closed";
  const std::string options = testkit::TempDir::ReadFile(Settings / "options.ini");
  TCliProcess run(Home.Path(),
                  {"record", "Test Radyo", "--duration", "00:00:03", "--format", "raw", "--folder", folder.string(),
                   "--no-sound"},
                  true);
  auto recording = [&]() -> fs::path {
    std::error_code ec;
    if (fs::is_directory(folder, ec))
      for (const auto& entry : fs::directory_iterator(folder, ec))
        if (entry.is_regular_file(ec) && entry.file_size(ec) > 0) return entry.path();
    return {};
  };
  for (int i = 0; i < 3000 && recording().empty(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_FALSE(recording().empty()) << "no recording started";
  for (int fd = 0; fd <= 2; ++fd) {
    std::error_code ec;
    fs::path target = fs::read_symlink("/proc/" + std::to_string(run.Pid()) + "/fd/" + std::to_string(fd), ec);
    EXPECT_EQ(target, "/dev/null") << "descriptor " << fd;
  }
  ASSERT_EQ(run.Wait(std::chrono::seconds(60)), 0);
  fs::path file = recording();
  EXPECT_EQ(testkit::ProbeCodec(file), "mp3");
  EXPECT_GT(testkit::ProbeDuration(file), 2.0);
  const std::string bytes = testkit::TempDir::ReadFile(file);
  // What a recording run tells: the start on standard error, the file's
  // name on standard output.
  for (const std::string& said : {std::string("Kayıt"), folder.string()})
    EXPECT_EQ(bytes.find(said), std::string::npos) << said;
  EXPECT_EQ(testkit::TempDir::ReadFile(Settings / "options.ini"), options);
}

TEST_F(CliTest, CtrlCEndsARecordingWithACompleteFile) {
  auto p = Run({"record", "Test Radyo", "--duration", "00:10:00", "--format", "m4a", "--no-sound"});
  auto started = [&] { return p->Stderr().find("Kayıt başladı") != std::string::npos; };
  for (int i = 0; i < 1500 && !started(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(started()) << p->Stderr();
  // More than a second is on disk once the file holds 48 KB: that is 1.2 s
  // even at the highest bit rate the recorder writes (320 kbit/s).
  std::string line = p->Stderr().substr(p->Stderr().find("Kayıt başladı"));
  fs::path growing = line.substr(line.find(": ") + 2, line.find('\n') - line.find(": ") - 2);
  auto grown = [&] {
    std::error_code ec;
    return fs::file_size(growing, ec) >= 48 * 1024 && !ec;
  };
  for (int i = 0; i < 3000 && !grown(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(grown()) << growing;
  p->Signal(SIGINT);
  // The asked ten minutes are far away: only the signal ends it this soon.
  ASSERT_EQ(p->Wait(std::chrono::seconds(20)), 0) << p->Stderr();
  fs::path file = LastLine(p->Stdout());
  EXPECT_EQ(file, growing);
  EXPECT_EQ(file.parent_path(), Home.Path() / "default-records");
  // An MP4 file is readable only when its index was written at the end.
  EXPECT_EQ(testkit::ProbeCodec(file), "aac");
  EXPECT_GT(testkit::ProbeDuration(file), 1.0);
}

// Files that grow past `bytes` cannot be written by the processes started
// meanwhile (a disk that fills, as the recorder and ffmpeg meet it).
class TFileSizeLimit {
 public:
  explicit TFileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &FOld);
    FOldSignal = signal(SIGXFSZ, SIG_IGN);
    rlimit limit = FOld;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~TFileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &FOld);
    signal(SIGXFSZ, FOldSignal);
  }

 private:
  rlimit FOld{};
  sighandler_t FOldSignal = SIG_DFL;
};

TEST_F(CliTest, ARecordingThatCannotWriteExitsOneWithTheReasonAndKeepsWhatWasWritten) {
  fs::path folder = Home.Path() / "full";
  fs::create_directories(folder);
  constexpr rlim_t kRoom = 48000;
  std::unique_ptr<TCliProcess> raw, encoded;
  {
    TFileSizeLimit full(kRoom);
    raw = Run({"record", "Test Radyo", "--duration", "00:00:30", "--format", "raw", "--folder", (folder / "raw").string(),
               "--no-sound"});
    encoded = Run({"record", "Test Radyo", "--duration", "00:00:30", "--format", "mp3", "--folder",
                   (folder / "mp3").string(), "--no-sound"});
  }
  for (auto* run : {raw.get(), encoded.get()}) {
    ASSERT_EQ(run->Wait(std::chrono::seconds(40)), 1) << run->Stderr();
    EXPECT_NE(run->Stderr().find("Kayıt yazılamadı"), std::string::npos) << run->Stderr();
    fs::path file = LastLine(run->Stdout());
    ASSERT_TRUE(fs::exists(file)) << run->Stdout();
    EXPECT_GT(fs::file_size(file), 0u);
    EXPECT_LE(fs::file_size(file), kRoom);
    // What was written before the disk filled stays readable.
    EXPECT_EQ(testkit::ProbeCodec(file), "mp3") << file;
  }
  EXPECT_NE(raw->Stderr().find("File too large"), std::string::npos) << raw->Stderr();
}

TEST_F(CliTest, PlayExitsOneWhenTheStreamEndsAndReportsAStallOnce) {
  // Four seconds of music as a file of known length: a little over half
  // of it at once (the pre-buffer of such a stream is half the file), then
  // nothing for four seconds, then the rest, and then its end.
  Server.Route("/gap", [this](const testkit::HttpRequest&, testkit::Connection& c) {
    const std::string body = mp3.substr(0, 64000);
    if (!c.Write("HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\nContent-Length: " + std::to_string(body.size()) +
                 "\r\n\r\n"))
      return;
    const size_t first = 36000;
    if (!c.Write(std::string_view(body).substr(0, first)) || !Server.SleepFor(std::chrono::milliseconds(4000))) return;
    c.Write(std::string_view(body).substr(first));
  });
  auto p = Run({"play", Server.Url("/gap"), "--no-sound"});
  ASSERT_EQ(p->Wait(std::chrono::seconds(60)), 1) << p->Stdout() << p->Stderr();
  const std::string out = p->Stdout();
  size_t stalls = 0;
  for (size_t at = out.find("Takıldı"); at != std::string::npos; at = out.find("Takıldı", at + 1)) ++stalls;
  EXPECT_EQ(stalls, 1u) << out;
  EXPECT_NE(out.find("Takıldı (stalled).\nÇalıyor (playing)."), std::string::npos) << out;
  EXPECT_NE(p->Stderr().find("Yayın sona erdi"), std::string::npos) << p->Stderr();
}

TEST_F(CliTest, FailuresNameTheirCause) {
  Server.Route("/missing", [](const testkit::HttpRequest&, testkit::Connection& c) {
    testkit::FixtureServer::Respond(c, 404, "text/plain", "no");
  });
  Server.Route("/loop", [this](const testkit::HttpRequest&, testkit::Connection& c) {
    testkit::FixtureServer::Respond(c, 302, "text/plain", "", {{"Location", Server.Url("/loop")}});
  });
  Server.Route("/junk", [this](const testkit::HttpRequest&, testkit::Connection& c) {
    if (!c.Write("ICY 200 OK\r\ncontent-type:audio/mpeg\r\n\r\n")) return;
    std::string junk(4096, '\x5a');
    while (c.Write(junk) && Server.SleepFor(std::chrono::milliseconds(5))) {
    }
  });
  const std::vector<std::pair<std::string, std::string>> cases = {
      {Server.Url("/missing"), "HTTP 404"},
      {Server.Url("/loop"), "redirect loop"},
      {Server.Url("/junk"), "not audio"},
      {"http://127.0.0.1:1/closed", "connection refused"},
  };
  std::vector<std::unique_ptr<TCliProcess>> runs;
  for (const auto& [address, cause] : cases) runs.push_back(Run({"play", address, "--no-sound"}));
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].first);
    ASSERT_EQ(runs[i]->Wait(std::chrono::seconds(40)), 1) << runs[i]->Stderr();
    const std::string err = runs[i]->Stderr();
    EXPECT_NE(err.find("Bağlantı kurulamadı. (" + cases[i].second), std::string::npos) << err;
  }
  // The codes stay those of the player: the library's file-open error.
  EXPECT_NE(runs[0]->Stderr().find(", 2)"), std::string::npos) << runs[0]->Stderr();
}

}  // namespace

namespace {

TEST_F(CliTest, ExactNamesFirstAndLinkedFavouritesPlayTheDatabaseAddress) {
  auto item = [](const std::u16string& key, const std::u16string& name, const std::string& url, int id) {
    auto i = std::make_unique<qor::TPlayItem>();
    i->Key = key;
    i->SetName(name);
    i->Url = url;
    i->Id = id;
    return i;
  };
  qor::TPlayList database;
  database.Add(item(u"501", u"Haber Radyo", "http://127.0.0.1:1/db-haber", 501));
  database.Add(item(u"502", u"Spor", "http://127.0.0.1:1/db-spor", 502));
  ASSERT_TRUE(qor::ExportListFile(database, Settings / "broadcast.rpf"));
  qor::TPlayList favourites;
  favourites.Add(item(u"", u"Haber Radyo Favori", "http://127.0.0.1:1/fav-haber", 1));
  favourites.Add(item(u"502", u"Spor FM", "http://127.0.0.1:1/old-spor", 2));
  ASSERT_TRUE(qor::SaveFavourites(favourites, Settings / "playlist.rpf"));

  auto station = [&](const std::string& name) {
    auto p = Run({"play", name, "--no-sound"});
    EXPECT_EQ(p->Wait(std::chrono::seconds(20)), 1) << p->Stderr();
    std::string out = p->Stdout();
    return out.substr(0, out.find('\n'));
  };
  // The exact name in the database beats a fragment among the favourites.
  EXPECT_EQ(station("Haber Radyo"), "İstasyon (station): Haber Radyo <http://127.0.0.1:1/db-haber>");
  // A fragment is looked up in the favourites first.
  EXPECT_EQ(station("haber"), "İstasyon (station): Haber Radyo Favori <http://127.0.0.1:1/fav-haber>");
  // A favourite taken from the database plays the database's address.
  EXPECT_EQ(station("Spor FM"), "İstasyon (station): Spor FM <http://127.0.0.1:1/db-spor>");
}

}  // namespace
