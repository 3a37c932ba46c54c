// Clipboard output through wl-copy or xclip.
#include "platform/clipboard.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "common/text.h"

namespace orv {
namespace {

// The first executable called `name` in the folders of $PATH, or "".
std::string FindOnPath(std::string_view name) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return "";
  for (const std::string& folder : Split(path, ':')) {
    if (folder.empty()) continue;
    std::string candidate = folder + "/" + std::string(name);
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return "";
}

}  // namespace

std::string FindClipboardTool() {
  std::string tool = FindOnPath("wl-copy");
  if (!tool.empty() && std::getenv("WAYLAND_DISPLAY") != nullptr) return tool;
  std::string xclip = FindOnPath("xclip");
  if (!xclip.empty()) return xclip;
  return tool;
}

bool PutOnClipboard(std::string_view text) {
  const std::string tool = FindClipboardTool();
  if (tool.empty()) return false;
  std::vector<std::string> arguments = {tool};
  if (tool.ends_with("xclip")) {
    arguments.push_back("-selection");
    arguments.push_back("clipboard");
  }
  int pipe_ends[2];
  if (pipe(pipe_ends) != 0) return false;
  const pid_t child = fork();
  if (child < 0) {
    close(pipe_ends[0]);
    close(pipe_ends[1]);
    return false;
  }
  if (child == 0) {
    dup2(pipe_ends[0], 0);
    close(pipe_ends[0]);
    close(pipe_ends[1]);
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    execv(tool.c_str(), argv.data());
    _exit(127);
  }
  close(pipe_ends[0]);
  // A tool that quits early must not kill us with SIGPIPE.
  struct sigaction ignore = {};
  struct sigaction previous = {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &ignore, &previous);
  bool written = true;
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(pipe_ends[1], text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      written = false;
      break;
    }
    done += static_cast<size_t>(n);
  }
  close(pipe_ends[1]);
  sigaction(SIGPIPE, &previous, nullptr);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return written && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace orv
