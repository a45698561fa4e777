// Starting an external program with optional pipes to its standard input,
// output and error. The child gets an argv array and is never run through a
// shell (child::Spawn); a command line is only split into words, by the one
// rule of support/CommandLine.h. Options that concern consoles and windows
// are accepted so that callers keep their settings, and have no effect here.
// The child is killed when this process ends, however it ends.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

class EProcess : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum TProcessOption {
  poRunSuspended,
  poWaitOnExit,
  poUsePipes,
  poStderrToOutPut,
  poNoConsole,
  poNewConsole,
  poDefaultErrorMode,
  poNewProcessGroup,
  poDebugProcess,
  poDebugOnlyThisProcess,
};

enum TShowWindowOptions {
  swoNone,
  swoHIDE,
  swoMaximize,
  swoMinimize,
  swoRestore,
  swoShow,
  swoShowDefault,
  swoShowMaximized,
  swoShowMinimized,
  swoshowMinNOActive,
  swoShowNA,
  swoShowNoActivate,
  swoShowNormal,
};

enum TStartupOption { suoUseShowWindow, suoUseSize, suoUsePosition, suoUseCountChars, suoUseFillAttribute };

enum TProcessPriority { ppHigh, ppIdle, ppNormal, ppRealTime };

// A small set of enumeration values, bit 0 for the first value.
template <typename E>
class TEnumSet {
 public:
  constexpr TEnumSet() = default;
  constexpr TEnumSet(std::initializer_list<E> values) {
    for (E v : values) bits_ |= Bit(v);
  }
  constexpr bool Contains(E v) const { return (bits_ & Bit(v)) != 0; }
  constexpr void Include(E v) { bits_ |= Bit(v); }
  constexpr void Exclude(E v) { bits_ &= ~Bit(v); }
  constexpr uint32_t Bits() const { return bits_; }
  constexpr bool operator==(const TEnumSet&) const = default;

 private:
  static constexpr uint32_t Bit(E v) { return uint32_t{1} << static_cast<unsigned>(v); }
  uint32_t bits_ = 0;
};

using TProcessOptions = TEnumSet<TProcessOption>;
using TStartupOptions = TEnumSet<TStartupOption>;

// Read end of a pipe from the child. Its position is the number of bytes
// read so far.
class TInputPipeStream {
 public:
  explicit TInputPipeStream(int fd) : fd_(fd) {}
  ~TInputPipeStream();
  TInputPipeStream(const TInputPipeStream&) = delete;
  TInputPipeStream& operator=(const TInputPipeStream&) = delete;

  // Blocks until at least one byte is there; 0 at the end, -1 on error.
  long Read(void* buffer, long count);
  long Write(const void*, long) { return 0; }
  int64_t Seek(int64_t, int) const { return position_; }
  int64_t Position() const { return position_; }
  // Bytes that can be read now without blocking.
  long NumBytesAvailable() const;
  // True when data (or the end) is there within the time; a negative time
  // waits without end.
  bool WaitReadable(int timeoutMs) const;
  int Handle() const { return fd_; }

 private:
  int fd_;
  std::atomic<int64_t> position_{0};
};

// Write end of the pipe to the child's standard input.
class TOutputPipeStream {
 public:
  explicit TOutputPipeStream(int fd) : fd_(fd) {}
  ~TOutputPipeStream();
  TOutputPipeStream(const TOutputPipeStream&) = delete;
  TOutputPipeStream& operator=(const TOutputPipeStream&) = delete;

  // Writes everything unless the child has closed its end; returns the
  // bytes written, -1 on error. A gone reader never raises SIGPIPE here.
  long Write(const void* buffer, long count);
  long Read(void*, long) { return 0; }
  int64_t Seek(int64_t, int) const { return 0; }
  int64_t Position() const { return 0; }
  int Handle() const { return fd_; }

 private:
  int fd_;
};

class TProcess {
 public:
  static constexpr uint32_t STILL_ACTIVE = 259;

  TProcess();
  virtual ~TProcess();
  TProcess(const TProcess&) = delete;
  TProcess& operator=(const TProcess&) = delete;

  virtual void Execute();
  // Kills a running child; the exit status then reads `exitCode`.
  virtual bool Terminate(uint32_t exitCode);
  bool WaitOnExit();
  // Waits at most `timeoutMs`; false when the child still runs then.
  bool WaitOnExit(int timeoutMs);
  bool Suspend();
  bool Resume();
  virtual void CloseInput();
  virtual void CloseOutput();
  virtual void CloseStderr();

  bool Running();
  bool Active() { return Running(); }
  void SetActive(bool value);
  uint32_t ExitStatus();
  pid_t ProcessID() const { return pid_; }

  const std::string& ApplicationName() const { return ApplicationName_; }
  void SetApplicationName(const std::string& value);
  const std::string& CommandLine() const { return CommandLine_; }
  void SetCommandLine(const std::string& value);
  const std::string& Executable() const { return Executable_; }
  void SetExecutable(const std::string& value) { Executable_ = value; }
  std::vector<std::string>& Parameters() { return Parameters_; }
  std::vector<std::string>& Environment() { return Environment_; }
  const std::string& CurrentDirectory() const { return CurrentDirectory_; }
  void SetCurrentDirectory(const std::string& value) { CurrentDirectory_ = value; }
  const std::string& ConsoleTitle() const { return ConsoleTitle_; }
  void SetConsoleTitle(const std::string& value) { ConsoleTitle_ = value; }
  const std::string& Desktop() const { return Desktop_; }
  void SetDesktop(const std::string& value) { Desktop_ = value; }
  const std::string& XTermProgram() const { return XTermProgram_; }
  void SetXTermProgram(const std::string& value) { XTermProgram_ = value; }

  TProcessOptions Options() const { return Options_; }
  void SetOptions(TProcessOptions value);
  TProcessPriority Priority() const { return Priority_; }
  void SetPriority(TProcessPriority value) { Priority_ = value; }
  TStartupOptions StartupOptions() const { return StartupOptions_; }
  void SetStartupOptions(TStartupOptions value) { StartupOptions_ = value; }
  TShowWindowOptions ShowWindow() const { return ShowWindow_; }
  void SetShowWindow(TShowWindowOptions value) { ShowWindow_ = value; }
  uint32_t WindowColumns = 0, WindowHeight = 0, WindowLeft = 0, WindowRows = 0, WindowTop = 0,
           WindowWidth = 0, FillAttribute = 0;
  bool InheritHandles = true;

  TOutputPipeStream* Input() const { return Input_.get(); }
  TInputPipeStream* Output() const { return Output_.get(); }
  TInputPipeStream* Stderr() const { return merged_ ? Output_.get() : Stderr_.get(); }

  // The command line that Execute starts when CommandLine is empty:
  // Executable and Parameters, each quoted where it needs it so that
  // splitting the line (cmdline::Split) gives them back.
  std::string BuildCommandLine() const;

 private:
  std::vector<std::string> BuildArgv() const;
  void ClosePipes();
  void Reap(int status);

  std::string ApplicationName_, CommandLine_, Executable_, CurrentDirectory_, ConsoleTitle_, Desktop_,
      XTermProgram_;
  std::vector<std::string> Parameters_, Environment_;
  TProcessOptions Options_;
  TProcessPriority Priority_ = ppNormal;
  TStartupOptions StartupOptions_;
  TShowWindowOptions ShowWindow_ = swoNone;

  pid_t pid_ = 0;
  bool running_ = false;
  bool reaped_ = false;
  bool merged_ = false;
  uint32_t exitCode_ = 0;
  bool terminated_ = false;
  uint32_t terminateCode_ = 0;
  std::unique_ptr<TOutputPipeStream> Input_;
  std::unique_ptr<TInputPipeStream> Output_;
  std::unique_ptr<TInputPipeStream> Stderr_;
};
