// The exact texts and levels of the messages that policy lines, policy
// files and rule sets report, caught by a set that records its reports.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "policy/own_policies.h"
#include "policy/policy_section.h"
#include "policy/policy_set.h"
#include "policy_test_util.h"
#include "common/ascii_file.h"
#include "run/context.h"

namespace orv {
namespace {

using Message = std::pair<std::string, int>;

// A policy set that keeps every levelled message instead of showing it.
class RecordingSet : public PolicySet {
 public:
  explicit RecordingSet(Context& context) { AttachContext(&context); }
  void Report(std::string_view message, int level) override {
    messages.emplace_back(std::string(message), level);
  }
  int Load(const std::string& line, bool check_repeats = true) {
    int category = 0;
    return LoadPolicyLine(line, category, check_repeats);
  }
  std::vector<Message> messages;
};

class RecordingReporter : public PolicyReporter {
 public:
  void Report(std::string_view message, int level) override {
    messages.emplace_back(std::string(message), level);
  }
  std::vector<Message> messages;
};

struct LineMessages {
  std::vector<const char*> lines;  // loaded in turn, repeat check on
  std::vector<Message> expected;   // every message of the last line
};

TEST(PolicyMessagesTest, RefusalsOfPolicyLinesWithTheirLevels) {
  const LineMessages cases[] = {
      {{"Remove all tags"},
       {{"POLICY: Ignored - Missing colon in \"Remove all tags\"", 10},
        {"ERROR: Don't understand policy value : ", 10}}},
      {{"Use first line as Title : maybe"}, {{"ERROR: Don't understand policy value : maybe", 10}}},
      {{"List markup code : 5"}, {{"POLICY: Ignored - Value 5 is outside allowed range (0:2)", 10}}},
      {{"Text Colour : #fff"}, {{"WARNING: \"#fff\" is not a standard HTML colour", 7}}},
      {{"Help body background colour : pinkish"},
       {{"WARNING: \"pinkish\" is not a standard HTML colour", 7}}},
      {{"Default font : Arial, Heavy"},
       {{"WARNING: \"Arial, Heavy\" is not a valid font specification", 10}}},
      {{"Target Page width : 1", "Target Page width : 2"},
       {{"POLICY: Ignoring repeated policy \\Target Page width\\", 10}}},
      {{"TAB size : 1", "tab SIZE : 2"}, {{"POLICY: Ignoring repeated policy \\TAB size\\", 10}}},
      {{"Input file type : html"}, {{"ERROR: Invalid file type - Input file type : html", 10}}},
      {{"Rule set to be used : Tarnwell", "Rule set to be used : SEC"},
       {{"WARNING: Changing rule set - Rule set to be used : SEC", 10}}},
      {{"Rule set to be used : none", "Rule set to be used : SEC"}, {}},
      {{"Rule set to be used : SEC", "Rule set to be used : SEC"}, {}},
      {{"Paper size : B5"}, {}},
      {{"Text justification : middle"}, {}},
  };
  for (const LineMessages& c : cases) {
    Context context;
    RecordingSet set(context);
    for (const char* line : c.lines) {
      set.messages.clear();
      set.Load(line);
    }
    EXPECT_EQ(set.messages, c.expected) << c.lines.back();
  }
}

TEST(PolicyMessagesTest, RuleSetOverridesAreReportedWithTheValueOfEachType) {
  Context context;
  context.SetReportRuleSetOverrides(true);
  RecordingSet set(context);
  set.Load("Page Width : 100");
  set.Load("Add FONT markup : no");
  set.Load("Text justification : right");
  set.Load("Default font : Arial");
  set.Load("Rule set to be used : Tarnwell");
  set.messages.clear();
  set.ApplyRuleSet();
  EXPECT_EQ(set.messages, (std::vector<Message>{
                              {"INFO: Ruleset overrided - Page Width : 100", 10},
                              {"INFO: Ruleset overrided - Text justification : \"3\"", 10},
                              {"INFO: Ruleset overrided - Add FONT markup : No", 10},
                              {"INFO: Ruleset overrided - Default font : \"Arial\"", 10},
                          }));
  // Text, Colour and Choice values as the report shows them.
  set.messages.clear();
  set.Load("Text Colour : navy");
  set.Load("Paper size : Legal");
  set.Load("Document Title : Mine");
  set.Engine(EnginePolicy::kTextColour).ApplyRuleSetValue({0, "Black"}, false, &set, true);
  set.Engine(EnginePolicy::kPaperSize).ApplyRuleSetValue({2, ""}, false, &set, true);
  set.Engine(EnginePolicy::kDocumentTitle).ApplyRuleSetValue({0, "Theirs"}, false, &set, true);
  EXPECT_EQ(set.messages, (std::vector<Message>{
                              {"INFO: Ruleset overrided - Text Colour : \"navy\"", 10},
                              {"INFO: Ruleset overrided - Paper size : \"3\"", 10},
                              {"INFO: Ruleset overrided - Document Title : \"Mine\"", 10},
                          }));

  // Without the Context asking for them, overrides are silent; a later
  // file line for a policy the rule set gave is reported and applied.
  Context quiet;
  RecordingSet other(quiet);
  other.Load("Page Width : 100");
  other.Load("Rule set to be used : SEC");
  other.ApplyRuleSet();
  EXPECT_TRUE(other.messages.empty());
  other.Load("Fixed font : Courier, bold");
  EXPECT_EQ(other.messages,
            (std::vector<Message>{{"INFO: Ruleset overrided : Fixed font : Courier, bold", 10}}));
  EXPECT_EQ(other.GetText(EnginePolicy::kFixedFont), "Courier, bold");
}

TEST(PolicyMessagesTest, PolicyFileReportsWithTheirLevels) {
  testing::TempFolder folder;
  std::string path = folder.Write("m.pol",
                                  "Policy include file : absent.pol\n"
                                  "Switch to file : gone.pol\n"
                                  "Nobody's key : 1\n"
                                  "No colon at all\n");
  Context context;
  RecordingSet set(context);
  ASCIIFile reader;
  ASSERT_TRUE(reader.OpenRead(path));
  std::string error;
  EXPECT_FALSE(set.ReadPolicyFile(reader, error));
  reader.Close();
  EXPECT_EQ(set.messages, (std::vector<Message>{
                              {"** Failed to open policy include file absent.pol ***", 10},
                              {"** Failed to open policy include file gone.pol ***", 10},
                              {"POLICY: Ignored - \\Nobody's key : 1\\", 10},
                              {"POLICY: Ignored - Missing colon in \"No colon at all\"", 10},
                              {"POLICY: Ignored - Missing colon in \"No colon at all\"", 10},
                              {"POLICY: Ignored - \\No colon at all\\", 10},
                          }));
  EXPECT_EQ(error, "POLICY: Ignored - \\No colon at all\\");
}

TEST(PolicyMessagesTest, PoliciesWithoutKeyTextReportAProgramError) {
  PolicySection section;
  for (int type = 1; type <= 7; ++type)
    ASSERT_TRUE(section.AddPolicy(type, type, 1, 4, PolicyValue{0, ""}, "a,b", ""));
  RecordingReporter reporter;
  PolicyLineContext line;
  line.reporter = &reporter;
  line.Prepare("Some key : 1", true);
  EXPECT_FALSE(section.TryLine(line));
  EXPECT_EQ(reporter.messages, (std::vector<Message>{
                                   {"PROGRAM ERROR: Missing Int policy text", 10},
                                   {"PROGRAM ERROR: Missing Bool policy text", 10},
                                   {"PROGRAM ERROR: Missing text policy text", 10},
                                   {"PROGRAM ERROR: Missing text policy text", 10},
                                   {"PROGRAM ERROR: Missing text policy text", 10},
                                   {"PROGRAM ERROR: Missing text policy text", 10},
                                   {"PROGRAM ERROR: Missing text policy text", 10},
                               }));
  // The query form reports the text message for every type.
  reporter.messages.clear();
  EXPECT_FALSE(section.QueryLine(line));
  ASSERT_EQ(reporter.messages.size(), 7u);
  for (const Message& message : reporter.messages)
    EXPECT_EQ(message, Message("PROGRAM ERROR: Missing text policy text", 10));
}

}  // namespace
}  // namespace orv
