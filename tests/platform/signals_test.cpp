// A signal that ends the program removes the temporary files of outputs
// being written, and the destination keeps what it held.
#include "platform/signals.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/ascii_file.h"
#include "support/temp_folder.h"

namespace orv {
namespace {

TEST(SignalCleanupTest, TerminationRemovesTemporaryOutputs) {
  for (int signal_number : {SIGTERM, SIGINT, SIGPIPE}) {
    testing::TempFolder dir;
    const std::string path = dir.Write("out.txt", "old\n");
    const pid_t child = fork();
    if (child == 0) {
      InstallSignalCleanup();
      ASCIIFile file;
      file.SetReplaceWhenComplete(true);
      if (!file.OpenWrite(path)) _exit(3);
      file.WriteLine("half of the new text");
      std::raise(signal_number);
      _exit(4);  // not reached: the signal ends the child
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << signal_number;
    EXPECT_EQ(WTERMSIG(status), signal_number);
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "old\n");
    size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path()))
      ++entries;
    EXPECT_EQ(entries, 1u) << "a temporary file was left behind";
  }
}

}  // namespace
}  // namespace orv
