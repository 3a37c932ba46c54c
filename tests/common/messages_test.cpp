// Tests of the message sink's prefix and level filters, its routing to
// callbacks, standard streams and the log, and of the command-line stage
// reports of the Context with the start-up record and the log file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "run/context.h"
#include "common/messages.h"
#include "support/temp_folder.h"

namespace orv {
namespace {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class SinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sink_.SetStreams(&out_, &err_);
    sink_.ApplySettings(SinkSettings{});  // the policy defaults
  }
  MessageSink sink_;
  std::ostringstream out_, err_;
};

TEST_F(SinkTest, PrefixFilterLooksAnywhereIgnoringCaseInFixedOrder) {
  SinkSettings all;
  all.suppress_url = all.suppress_info = all.suppress_warning = true;
  all.suppress_program_error = all.suppress_tag_error = true;
  sink_.ApplySettings(all);
  struct Case {
    const char* message;
    bool suppressed;
  } cases[] = {
      {"URL: http://x", true},         {"found url: in text", true},
      {"INFO: Processing", true},      {"WARNING: File is empty a", true},
      {"PROGRAM ERROR: oops", true},   {"TAG ERROR: bad", true},
      {"ERROR: Can't open", false},    {"POLICY: Changed - x", false},
      {"plain progress line", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(sink_.IsSuppressedByPrefix(c.message), c.suppressed) << c.message;

  sink_.ApplySettings(SinkSettings{});  // only URL suppression is on by default
  EXPECT_TRUE(sink_.IsSuppressedByPrefix("URL: x"));
  EXPECT_FALSE(sink_.IsSuppressedByPrefix("INFO: x"));
}

TEST_F(SinkTest, LevelFilterShowsTenMinusLevelAndAbove) {
  // Default reporting level 5 shows levels 5..10.
  EXPECT_TRUE(sink_.IsSuppressedByLevel(4));
  EXPECT_FALSE(sink_.IsSuppressedByLevel(5));
  EXPECT_FALSE(sink_.IsSuppressedByLevel(10));
  SinkSettings busy;
  busy.level = 1;  // a busy batch shows only 9 and 10
  sink_.ApplySettings(busy);
  EXPECT_TRUE(sink_.IsSuppressedByLevel(8));
  EXPECT_FALSE(sink_.IsSuppressedByLevel(9));
  SinkSettings hidden;
  hidden.display = false;
  sink_.ApplySettings(hidden);
  EXPECT_TRUE(sink_.IsSuppressedByLevel(10));
}

TEST_F(SinkTest, LevelledReportGoesToErrorStreamOrCallback) {
  sink_.Report("WARNING: shown", 7);
  sink_.Report("INFO: too minor", 1);
  EXPECT_EQ(err_.str(), "WARNING: shown\n");
  EXPECT_EQ(out_.str(), "");
  EXPECT_EQ(sink_.LastMessage(), "INFO: too minor");

  std::vector<std::string> seen;
  sink_.SetLevelCallback([&](const std::string& m) { seen.push_back(m); });
  sink_.Report("ERROR: via callback", 10);
  sink_.ReportAgain(10);
  EXPECT_EQ(seen, (std::vector<std::string>{"ERROR: via callback", "ERROR: via callback"}));
  EXPECT_EQ(err_.str(), "WARNING: shown\n");
}

TEST_F(SinkTest, PlainReports) {
  sink_.ReportPlain("Processing : \"a.htm\"");
  EXPECT_EQ(out_.str(), "Processing : \"a.htm\"\n");

  // "Display messages" off silences plain output on the stream but not a
  // plain callback.
  SinkSettings hidden;
  hidden.display = false;
  sink_.ApplySettings(hidden);
  sink_.ReportPlain("hidden");
  EXPECT_EQ(out_.str(), "Processing : \"a.htm\"\n");
  std::vector<std::string> seen;
  sink_.SetPlainCallback([&](const std::string& m) { seen.push_back(m); });
  sink_.ReportPlain("through callback");
  sink_.ReportPlain("URL: suppressed by prefix");
  EXPECT_EQ(seen, (std::vector<std::string>{"through callback"}));

  // Reporting level 0 (a reset sink) drops plain messages entirely.
  sink_.Reset();
  sink_.SetStreams(&out_, &err_);
  sink_.ReportPlain("dropped");
  EXPECT_EQ(sink_.LastMessage(), "URL: suppressed by prefix");
}

TEST_F(SinkTest, LogTakesLevelSuppressedButNotPrefixSuppressedMessages) {
  testing::TempFolder dir;
  ASCIIFile log;
  ASSERT_TRUE(log.OpenWrite((dir.Path() + "run.log")));
  sink_.AttachLog((dir.Path() + "run.log"), &log);
  SinkSettings quiet;
  quiet.level = 2;
  sink_.ApplySettings(quiet);
  sink_.Report("WARNING: level 7 at reporting level 2", 7);
  sink_.Report("URL: http://example.invalid/", 10);
  sink_.ReportPlain("plain line");
  log.Close();
  EXPECT_EQ(ReadFile((dir.Path() + "run.log")), "WARNING: level 7 at reporting level 2\nplain line\n");
  EXPECT_EQ(err_.str(), "");
}

TEST(ContextTest, StartupRecordReachesLogEvenWhenSilent) {
  testing::TempFolder dir;
  Context context;
  std::ostringstream out, err;
  context.Sink().SetStreams(&out, &err);
  context.Sink().ApplySettings(SinkSettings{});
  context.SetEcho(false);
  context.Report("Illegal Qualifier : /subfoldersx");
  context.Report("*** Unrecognised, ambiguous or repeated qualifiers : /subfoldersx ");
  EXPECT_EQ(err.str(), "");
  ASSERT_TRUE(context.OpenLog("run.log", dir.Path()));
  context.Report("after the log opened");
  context.CloseLog();
  EXPECT_EQ(ReadFile((dir.Path() + "run.log")),
            "Generating log file " + (dir.Path() + "run.log") +
                "\nSESSION: Illegal Qualifier : /subfoldersx\n"
                "SESSION: *** Unrecognised, ambiguous or repeated qualifiers : /subfoldersx \n"
                "SESSION: after the log opened\n");
  EXPECT_TRUE(context.StartupRecord().empty());
}

TEST(ContextTest, EchoWritesQualifierMessagesToErrorStream) {
  Context context;
  std::ostringstream out, err;
  context.Sink().SetStreams(&out, &err);
  context.Report("Illegal Qualifier : /x");
  EXPECT_EQ(err.str(), "Illegal Qualifier : /x\n");
  EXPECT_EQ(context.StartupRecord(), "SESSION: Illegal Qualifier : /x");
}

TEST(ContextTest, LogFallsBackToDefaultNameThenRunsWithout) {
  testing::TempFolder dir;
  const std::string blocker = dir.Write("blocker", "not a folder");
  {
    // The named log cannot be created, the default in the output directory
    // can; the log asked for is still missing, so the open reports failure.
    Context context;
    std::ostringstream out, err;
    context.Sink().SetStreams(&out, &err);
    EXPECT_FALSE(context.OpenLog(blocker + "/run.log", dir.Path()));
    EXPECT_TRUE(context.IsLogOpen());
    EXPECT_EQ(err.str(), "*** Failed to open log file : " + blocker + "/run.log ***\n" +
                             "    Opening " + (dir.Path() + "Tessaly.log") + " instead\n");
    context.CloseLog();
    EXPECT_TRUE(std::filesystem::exists((dir.Path() + "Tessaly.log")));
  }
  {
    // Both fail: two failure lines, and the run goes on without a log.
    Context context;
    std::ostringstream out, err;
    context.Sink().SetStreams(&out, &err);
    EXPECT_FALSE(context.OpenLog("run.log", blocker + "/"));
    EXPECT_EQ(err.str(), "*** Failed to open log file : " + blocker + "/run.log ***\n" +
                             "    Opening " + blocker + "/Tessaly.log instead\n" +
                             "*** Failed to open log file : " + blocker + "/Tessaly.log ***\n");
    EXPECT_FALSE(context.IsLogOpen());
    context.Report("still reported");
    context.CloseLog();
  }
}

}  // namespace
}  // namespace orv
