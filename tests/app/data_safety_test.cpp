// End-to-end tests that nothing the user has is lost: no output, log or
// policy file replaces a file the run reads (by any name), a write that
// fails is reported and fails the run, two inputs never share one output,
// and policy and settings files that are pipes, devices or endless lines
// cannot hang or exhaust the run.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "support/orvtext_process.h"
#include "support/temp_folder.h"
#include "support/text_header.h"

namespace orv {
namespace {

using testing::Body;
using testing::ReadAll;
using testing::RunOrvtext;
using testing::RunResult;
using testing::TempFolder;

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Runs orvtext in `folder` with its standard output sent to `stdout_path`
// and files it writes limited to `file_limit` bytes (0: no limit), so that
// a full disk can be stood in for.
RunResult RunLimited(const TempFolder& folder, const std::vector<std::string>& arguments,
                     const std::string& stdout_path, rlim_t file_limit) {
  const std::string settings = folder.Path() + ".no-settings.ini";
  // Standard error goes through a pipe: the file limit would cut a file.
  int err_pipe[2];
  if (pipe(err_pipe) != 0) return {};
  pid_t child = fork();
  if (child == 0) {
    if (chdir(folder.Path().c_str()) != 0) _exit(127);
    int out = open(stdout_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(out, 1);
    dup2(err_pipe[1], 2);
    close(err_pipe[0]);
    close(err_pipe[1]);
    setenv("ORVTEXT_SETTINGS", settings.c_str(), 1);
    if (file_limit > 0) {
      // Beyond the limit a write fails with "File too large" instead of
      // killing the program.
      std::signal(SIGXFSZ, SIG_IGN);
      rlimit limit{file_limit, file_limit};
      setrlimit(RLIMIT_FSIZE, &limit);
    }
    alarm(60);
    testing::ExecOrvtext(arguments);
  }
  RunResult result;
  close(err_pipe[1]);
  char buffer[4096];
  for (ssize_t got; (got = read(err_pipe[0], buffer, sizeof buffer)) > 0;)
    result.err.append(buffer, static_cast<size_t>(got));
  close(err_pipe[0]);
  int status = 0;
  waitpid(child, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string BigPage() {
  std::string page = "<html><body>";
  for (int i = 0; i < 20000; ++i) page += "<p>paragraph number " + std::to_string(i) + "</p>\n";
  return page + "</body></html>";
}

constexpr const char* kPolicyText = "[Text Formatting]\nTarget Page width : 60\n";

// ---- Files the run reads are never replaced ------------------------------

TEST(DataSafetyTest, PolicyOutputNeverReplacesThePolicyFileTheRunRead) {
  TempFolder dir;
  dir.Write("page.htm", "<p>page</p>");
  const std::string policy = dir.Write("page.pol", kPolicyText);
  // The default policy output name is the input's name: page.pol.
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"page.htm", "page.pol", "-policy"},
        std::vector<std::string>{"page.htm", "page.pol", "-policy=page.pol"},
        std::vector<std::string>{"page.htm", "page.pol", "-policy=" + dir.Path() + "./page.pol"}}) {
    RunResult r = RunOrvtext(dir, args);
    EXPECT_EQ(r.status, 1) << args.back() << "\n" << r.err;
    EXPECT_TRUE(Has(r.err, "ERROR: Policy file would overwrite input file - ")) << r.err;
    EXPECT_EQ(ReadAll(policy), kPolicyText) << args.back();
  }
}

TEST(DataSafetyTest, IncludedAndLinkedPolicyFilesAreNeverReplaced) {
  TempFolder dir;
  dir.Write("page.htm", "<p>page</p>");
  const std::string included = dir.Write("inc.pol", kPolicyText);
  dir.Write("main.pol", "include file : inc.pol\n");
  std::filesystem::create_symlink(included, dir.Path() + "link.txt");
  std::filesystem::create_hard_link(included, dir.Path() + "hard.log");

  // The output is a symbolic link to the included file.
  RunResult text = RunOrvtext(dir, {"page.htm", "main.pol", "-output=link.txt", "-overwrite"});
  EXPECT_EQ(text.status, 1) << text.err;
  EXPECT_TRUE(Has(text.err, "ERROR: Output file is overwriting input file - ")) << text.err;
  EXPECT_EQ(ReadAll(included), kPolicyText);

  // The log is a hard link to it.
  RunResult log = RunOrvtext(dir, {"page.htm", "main.pol", "-log=hard.log"});
  EXPECT_EQ(log.status, 1) << log.err;
  EXPECT_TRUE(Has(log.err, "ERROR: Log file would overwrite input file - ")) << log.err;
  EXPECT_EQ(ReadAll(included), kPolicyText);

  // The policy output goes through "..".
  std::filesystem::create_directory(dir.Path() + "sub");
  RunResult policy = RunOrvtext(dir, {"page.htm", "main.pol", "-policy=sub/../inc.pol"});
  EXPECT_EQ(policy.status, 1) << policy.err;
  EXPECT_EQ(ReadAll(included), kPolicyText);
}

TEST(DataSafetyTest, TheSettingsFileIsNeverReplaced) {
  TempFolder dir;
  dir.Write("page.htm", "<p>page</p>");
  const std::string settings = dir.Write("settings.txt", "[Dialogs]\nDisplayStatusDialog=0\n");
  RunResult r = RunOrvtext(dir, {"page.htm", "-output=settings.txt"}, settings);
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(ReadAll(settings), "[Dialogs]\nDisplayStatusDialog=0\n");
}

// ---- Writes that fail ---------------------------------------------------

TEST(DataSafetyTest, AFullDiskFailsTheFileWithTheSystemsReason) {
  TempFolder dir;
  dir.Write("big.htm", BigPage());
  const std::string out = dir.Path() + ".out";
  RunResult text = RunLimited(dir, {"big.htm"}, out, 64 * 1024);
  EXPECT_EQ(text.status, 1) << text.err;
  EXPECT_TRUE(Has(text.err, "ERROR: Error writing to file \"" + dir.Path() +
                                "big.txt\": File too large\n"))
      << text.err;

  RunResult detag = RunLimited(dir, {"big.htm", "-detag", "-output=big.html"}, out, 64 * 1024);
  EXPECT_EQ(detag.status, 1) << detag.err;
  EXPECT_TRUE(Has(detag.err, "ERROR: Error writing to file \"" + dir.Path() + "big.html\""))
      << detag.err;
}

TEST(DataSafetyTest, ConsoleOutputToAFullDeviceFails) {
  TempFolder dir;
  dir.Write("big.htm", BigPage());
  // The console run shows no status lines; its log has the reason.
  RunResult r = RunLimited(dir, {"big.htm", "-console", "-log=run.log"}, "/dev/full", 0);
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_TRUE(Has(ReadAll(dir.Path() + "run.log"),
                  "ERROR: Error writing to file \"(standard output)\": No space left on device"))
      << r.err;
}

TEST(DataSafetyTest, LogAndPolicyFilesThatCannotBeWrittenFailTheRun) {
  TempFolder dir;
  for (int i = 0; i < 40; ++i) dir.Write("p" + std::to_string(100 + i) + ".htm", "<p>page</p>");
  const std::string out = dir.Path() + ".out";
  // Each text output fits under the file limit; the log of forty files and
  // the policy file do not.
  RunResult log = RunLimited(dir, {"*.htm", "-log=run.log"}, out, 4000);
  EXPECT_EQ(log.status, 1) << log.err;
  EXPECT_TRUE(Has(log.err, "ERROR: Error writing to file \"" + dir.Path() + "run.log\": File too large"))
      << log.err;

  RunResult policy = RunLimited(dir, {"p100.htm", "-policy"}, out, 2000);
  EXPECT_EQ(policy.status, 1) << policy.err;
  EXPECT_TRUE(Has(policy.err, "ERROR: Error writing to file \"" + dir.Path() + "p100.pol\": File too large"))
      << policy.err;

  // A policy file in a folder that cannot be written.
  std::filesystem::create_directory(dir.Path() + "ro");
  chmod((dir.Path() + "ro").c_str(), 0555);
  if (access((dir.Path() + "ro").c_str(), W_OK) != 0) {  // not when run as root
    RunResult ro = RunOrvtext(dir, {"p100.htm", "-policy=ro/x.pol"});
    EXPECT_EQ(ro.status, 1) << ro.err;
    EXPECT_TRUE(Has(ro.err, "ERROR: Can't open file \"" + dir.Path() + "ro/x.pol\"")) << ro.err;
  }
  chmod((dir.Path() + "ro").c_str(), 0755);
  // A policy file whose folder is missing.
  RunResult missing = RunOrvtext(dir, {"p100.htm", "-policy=none/x.pol"});
  EXPECT_EQ(missing.status, 1) << missing.err;
}

// ---- Two inputs, one output ---------------------------------------------

TEST(DataSafetyTest, TwoInputsNeverShareAnOutput) {
  TempFolder dir;
  dir.Write("a.htm", "<p>first</p>");
  dir.Write("a.html", "<p>second</p>");
  RunResult r = RunOrvtext(dir, {"a.htm", "a.html"});
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_TRUE(Has(r.err, "ERROR: \"" + dir.Path() + "a.html\" and \"" + dir.Path() +
                             "a.htm\" would both be written to output file " + dir.Path() +
                             "a.txt\n"))
      << r.err;
  EXPECT_EQ(Body(ReadAll(dir.Path() + "a.txt")), "first\n");

  RunResult named = RunOrvtext(dir, {"a.htm", "a.html", "-output=x.txt"});
  EXPECT_EQ(named.status, 1) << named.err;
  EXPECT_EQ(Body(ReadAll(dir.Path() + "x.txt")), "first\n");

  // The same name in two folders, written to one output folder.
  std::filesystem::create_directories(dir.Path() + "in/one");
  std::filesystem::create_directories(dir.Path() + "in/two");
  std::filesystem::create_directory(dir.Path() + "out");
  dir.Write("in/one/p.htm", "<p>one</p>");
  dir.Write("in/two/p.htm", "<p>two</p>");
  RunResult tree = RunOrvtext(dir, {"in/*.htm", "-subfolders", "-output=out/"});
  EXPECT_EQ(tree.status, 1) << tree.err;
  EXPECT_EQ(Body(ReadAll(dir.Path() + "out/p.txt")), "one\n");

  // Concatenation writes every input to one output on purpose.
  RunResult concat = RunOrvtext(dir, {"a.htm", "a.html", "-concat", "-output=c.txt"});
  EXPECT_EQ(concat.status, 0) << concat.err;
}

TEST(DataSafetyTest, NoOutputIsWrittenOverTheLog) {
  TempFolder dir;
  dir.Write("a.htm", "<p>page</p>");
  RunResult text = RunOrvtext(dir, {"a.htm", "-log=run.out", "-output=run.out"});
  EXPECT_EQ(text.status, 1) << text.err;
  EXPECT_TRUE(Has(text.err, "ERROR: Output file would overwrite the log file - " + dir.Path() + "run.out"))
      << text.err;
  EXPECT_TRUE(ReadAll(dir.Path() + "run.out").starts_with("Generating log file "))
      << ReadAll(dir.Path() + "run.out");

  RunResult policy = RunOrvtext(dir, {"a.htm", "-log=run.log", "-policy=run.log", "-output=b.txt"});
  EXPECT_EQ(policy.status, 1) << policy.err;
  EXPECT_TRUE(Has(policy.err, "ERROR: Policy file would overwrite the log file - " + dir.Path() + "run.log"))
      << policy.err;
}

TEST(DataSafetyTest, ADanglingLinkIsAFileThatCannotBeOpened) {
  TempFolder dir;
  std::filesystem::create_symlink(dir.Path() + "gone.htm", dir.Path() + "dangling.htm");
  RunResult r = RunOrvtext(dir, {"dangling.htm"});
  EXPECT_NE(r.status, 0);
  EXPECT_TRUE(Has(r.err, "ERROR: Can't find or open " + dir.Path() + "dangling.htm")) << r.err;
  EXPECT_FALSE(Has(r.err, "File is empty")) << r.err;
}

// ---- Policy and settings files that are not plain files -------------------

TEST(DataSafetyTest, DevicesPipesAndEndlessLinesAreNotReadAsPolicies) {
  TempFolder dir;
  dir.Write("page.htm", "<p>page</p>");
  ASSERT_EQ(mkfifo((dir.Path() + "fifo.pol").c_str(), 0644), 0);
  for (const char* line : {"include file : /dev/zero\n", "Switch to file : /dev/zero\n",
                           "include file : fifo.pol\n"}) {
    dir.Write("main.pol", line);
    RunResult r = RunOrvtext(dir, {"page.htm", "main.pol"});
    EXPECT_EQ(r.status, 0) << line << r.err;  // reported, the run goes on
    EXPECT_TRUE(Has(r.err, "** Failed to open policy include file ")) << line << r.err;
  }

  dir.Write("long.pol", std::string(100000, 'x') + " : 1\n[Text Formatting]\nTarget Page width : 40\n");
  RunResult long_line = RunOrvtext(dir, {"page.htm", "long.pol"});
  EXPECT_TRUE(Has(long_line.err, "POLICY: Ignored - Line longer than 65536 characters in ")) << long_line.err;

  RunResult zero = RunOrvtext(dir, {"page.htm", "-console"}, "/dev/zero");
  EXPECT_EQ(zero.status, 0) << zero.err;
  EXPECT_TRUE(Has(zero.err, "ERROR: Settings file is not a readable plain file: /dev/zero")) << zero.err;

  RunResult fifo = RunOrvtext(dir, {"page.htm", "-console"}, dir.Path() + "fifo.pol");
  EXPECT_EQ(fifo.status, 0) << fifo.err;

  dir.Write("long.ini", "[Dialogs]\n" + std::string(100000, 'y') + "=1\n");
  RunResult long_settings = RunOrvtext(dir, {"page.htm", "-console"}, dir.Path() + "long.ini");
  EXPECT_TRUE(Has(long_settings.err, "ERROR: Line longer than 65536 characters ignored in settings file"))
      << long_settings.err;
}

}  // namespace
}  // namespace orv
