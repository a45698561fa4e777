#include "support/CommandLine.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

#include "TempDir.h"
#include "support/ChildProcess.h"

namespace {

using V = std::vector<std::string>;

TEST(CommandLine, SplitsByTheOneQuotingRule) {
  EXPECT_EQ(cmdline::Split("ffmpeg -ac 2 -i pipe:0"), (V{"ffmpeg", "-ac", "2", "-i", "pipe:0"}));
  EXPECT_EQ(cmdline::Split(" a\tb\r\nc  "), (V{"a", "b", "c"}));
  EXPECT_EQ(cmdline::Split("ffmpeg -c:a aac \"/home/u/My Music/Radyo Şarkı.aac\""),
            (V{"ffmpeg", "-c:a", "aac", "/home/u/My Music/Radyo Şarkı.aac"}));
  // Quoted parts join the word around them.
  EXPECT_EQ(cmdline::Split(R"(a "b c"d e)"), (V{"a", "b cd", "e"}));
  EXPECT_EQ(cmdline::Split("-i=\"a b\" z"), (V{"-i=a b", "z"}));
  // Backslashes count only before a double quote.
  EXPECT_EQ(cmdline::Split(R"(a\\\"b)"), (V{R"(a\"b)"}));
  EXPECT_EQ(cmdline::Split(R"(a\\"b c")"), (V{R"(a\b c)"}));
  EXPECT_EQ(cmdline::Split(R"(C:\dir\file.mp3)"), (V{R"(C:\dir\file.mp3)"}));
  EXPECT_EQ(cmdline::Split(R"("say ""hi""")"), (V{R"(say "hi")"}));
  // Single quotes are literal to the next one; each kind is plain inside the other.
  EXPECT_EQ(cmdline::Split("x 'c d' sh -c 'echo a; echo \\\"b'"), (V{"x", "c d", "sh", "-c", "echo a; echo \\\"b"}));
  EXPECT_EQ(cmdline::Split("\"it's\" 'say \"hi\"'"), (V{"it's", "say \"hi\""}));
  // Empty pairs are empty words; an unclosed quote runs to the end.
  EXPECT_EQ(cmdline::Split(R"(a "" '' b)"), (V{"a", "", "", "b"}));
  EXPECT_EQ(cmdline::Split(R"("unterminated quote)"), (V{"unterminated quote"}));
  EXPECT_EQ(cmdline::Split("a 'open"), (V{"a", "open"}));
  EXPECT_TRUE(cmdline::Split(" \t\r\n").empty());
  EXPECT_TRUE(cmdline::Split("").empty());
}

TEST(CommandLine, QuotedWordsSplitBackUnchanged) {
  const V awkward = {"ffmpeg", "", "plain", "a b", "say \"hi\"", "it's", R"(C:\dir\)", R"(end\")",
                     R"(\\"\\)", "tab\there", "line\nbreak", "'both' \"kinds\"", "Şarkı — 1.mp3"};
  EXPECT_EQ(cmdline::Split(cmdline::Join(awkward)), awkward);
  for (const auto& word : awkward) EXPECT_EQ(cmdline::Split(cmdline::Quote(word, true)), V{word}) << word;
  // Only words that need it are quoted.
  EXPECT_EQ(cmdline::Join({"ffmpeg", "-i", "a b.mp3"}), "ffmpeg -i \"a b.mp3\"");
  EXPECT_EQ(cmdline::Quote("x", true), "\"x\"");
}

// A child that writes each of its arguments on a line of the file given
// as the first one, so that what it received can be compared.
std::string WriteArgsScript(const testkit::TempDir& dir) {
  std::string script = (dir / "args.sh").string();
  std::ofstream(script) << "#!/bin/sh\nout=$1; shift\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > \"$out\"\n";
  ::chmod(script.c_str(), 0755);
  return script;
}

int WaitExit(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ChildProcess, ArgumentsEnvironmentAndFolderReachTheChildAsGiven) {
  testkit::TempDir dir;
  const std::string script = WriteArgsScript(dir);
  const std::string out = (dir / "out.txt").string();
  child::TSpawn launch;
  launch.Argv = {script, out, "a b", "say \"hi\"", "$HOME;ls", "*", ""};
  launch.StdIn = child::kNull;
  pid_t pid = -1;
  ASSERT_EQ(child::Spawn(launch, pid), 0);
  EXPECT_EQ(WaitExit(pid), 0);
  EXPECT_EQ(testkit::TempDir::ReadFile(out), "[a b]\n[say \"hi\"]\n[$HOME;ls]\n[*]\n[]\n");

  // A folder and an environment of its own.
  child::TSpawn env;
  env.Argv = {"/bin/sh", "-c", "printf '%s %s' \"$QOR_TEST_VALUE\" \"$(pwd)\" > out2.txt"};
  env.Environment = {"QOR_TEST_VALUE=değer", "PATH=/usr/bin:/bin"};
  env.Directory = dir.Path().string();
  ASSERT_EQ(child::Spawn(env, pid), 0);
  EXPECT_EQ(WaitExit(pid), 0);
  EXPECT_EQ(testkit::TempDir::ReadFile(dir / "out2.txt"), "değer " + std::filesystem::canonical(dir.Path()).string());
}

TEST(ChildProcess, WhatCannotStartIsReportedAtOnce) {
  testkit::TempDir dir;
  pid_t pid = 123;
  child::TSpawn missing;
  missing.Argv = {"no-such-program-qor-test"};
  EXPECT_EQ(child::Spawn(missing, pid), ENOENT);
  EXPECT_EQ(pid, -1);
  child::TSpawn badFolder;
  badFolder.Argv = {"/bin/true"};
  badFolder.Directory = (dir / "gone").string();
  EXPECT_EQ(child::Spawn(badFolder, pid), ENOENT);
  std::ofstream(dir / "plain") << "not a program";
  child::TSpawn notExecutable;
  notExecutable.Argv = {(dir / "plain").string()};
  EXPECT_EQ(child::Spawn(notExecutable, pid), EACCES);
  EXPECT_EQ(child::Spawn(child::TSpawn{}, pid), EINVAL);
}

TEST(ChildProcess, ABareNameIsTakenFromTheGivenFolderBeforePath) {
  testkit::TempDir dir;
  EXPECT_EQ(child::BesideOrOnPath("ffmpeg", dir.Path().string()), "ffmpeg");
  std::ofstream(dir / "ffmpeg") << "#!/bin/sh\n";
  EXPECT_EQ(child::BesideOrOnPath("ffmpeg", dir.Path().string()), "ffmpeg") << "not executable yet";
  ::chmod((dir / "ffmpeg").c_str(), 0755);
  EXPECT_EQ(child::BesideOrOnPath("ffmpeg", dir.Path().string()), (dir / "ffmpeg").string());
  EXPECT_EQ(child::BesideOrOnPath("/usr/bin/ffmpeg", dir.Path().string()), "/usr/bin/ffmpeg");
  int error = 0;
  EXPECT_EQ(child::FindOnPath("sh", error).empty(), false);
  EXPECT_TRUE(child::FindOnPath("no-such-program-qor-test", error).empty());
  EXPECT_EQ(error, ENOENT);
}

}  // namespace
