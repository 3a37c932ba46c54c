// Runs the built orvtext program for end-to-end tests: in a given folder,
// without a shell, with its standard output, standard error and exit
// status captured.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace orv::testing {

struct RunResult {
  std::string out;
  std::string err;
  int status = -1;
};

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs orvtext with `arguments` in `folder`, with `input` on its standard
// input. The stored settings come from `settings_file`, by default a file
// that does not exist, so every stored value has its default. A run that
// takes more than a minute is killed.
// In a child process: becomes the program with `arguments` (exits 127 when
// it cannot).
[[noreturn]] inline void ExecOrvtext(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(ORVTEXT_BINARY));
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  execv(ORVTEXT_BINARY, argv.data());
  _exit(127);
}

inline RunResult RunOrvtextWithInput(const TempFolder& folder,
                                     const std::vector<std::string>& arguments,
                                     const std::string& input,
                                     const std::string& settings_file = "") {
  const std::string out_path = folder.Path() + ".stdout";
  const std::string err_path = folder.Path() + ".stderr";
  const std::string in_path = folder.Path() + ".stdin";
  std::ofstream(in_path, std::ios::binary) << input;
  const std::string settings =
      settings_file.empty() ? folder.Path() + ".no-settings.ini" : settings_file;
  pid_t child = fork();
  if (child == 0) {
    if (chdir(folder.Path().c_str()) != 0) _exit(127);
    int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int in = open(in_path.c_str(), O_RDONLY);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    setenv("ORVTEXT_SETTINGS", settings.c_str(), 1);
    // A program that hangs is killed (the alarm survives exec) and the
    // test sees status -1 instead of waiting for ever.
    alarm(60);
    ExecOrvtext(arguments);
  }
  RunResult result;
  int status = 0;
  waitpid(child, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.out = ReadAll(out_path);
  result.err = ReadAll(err_path);
  unlink(out_path.c_str());
  unlink(err_path.c_str());
  unlink(in_path.c_str());
  return result;
}

// The same with an empty standard input.
inline RunResult RunOrvtext(const TempFolder& folder, const std::vector<std::string>& arguments,
                            const std::string& settings_file = "") {
  return RunOrvtextWithInput(folder, arguments, "", settings_file);
}

}  // namespace orv::testing
