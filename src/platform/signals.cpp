// Signal handlers that remove the listed temporary files and then let the
// signal take its default course.
#include "platform/signals.h"

#include <csignal>

#include "common/temporary_files.h"

namespace orv {
namespace {

extern "C" void RemoveTemporariesAndEnd(int signal_number) {
  RemoveListedTemporaryFiles();
  std::signal(signal_number, SIG_DFL);
  std::raise(signal_number);
}

}  // namespace

void InstallSignalCleanup() {
  struct sigaction action {};
  action.sa_handler = RemoveTemporariesAndEnd;
  sigemptyset(&action.sa_mask);
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
    // An interrupt the shell told the program to ignore (a background job)
    // stays ignored; a broken pipe is always handled.
    struct sigaction previous {};
    if (sigaction(signal_number, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN &&
        signal_number != SIGPIPE)
      continue;
    sigaction(signal_number, &action, nullptr);
  }
}

}  // namespace orv
