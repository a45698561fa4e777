// What each thread of a process cost: time on the processor (nanoseconds
// from /proc/PID/task/*/schedstat, exact where the clock ticks of `stat`
// are a hundredth of a second) and context switches (wake-ups), by thread
// name, threads of one name summed; and the minor page faults.
#pragma once

#include <sys/types.h>

#include <map>
#include <string>

namespace benchkit {

struct TThreadTime {
  double CpuSeconds = 0;
  long Switches = 0;     // voluntary and involuntary
  long MinorFaults = 0;  // pages the kernel had to map (memory given back and taken again)
};

using TThreadTimes = std::map<std::string, TThreadTime>;

TThreadTimes ReadThreadTimes(pid_t pid);
// What each thread named in `last` cost since `first` (a thread that
// started in between counts from nothing).
TThreadTimes ThreadTimesBetween(const TThreadTimes& first, const TThreadTimes& last);

}  // namespace benchkit
