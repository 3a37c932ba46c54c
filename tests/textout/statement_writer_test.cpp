// Tests of the statement writer's block rules and of CHANGE_POLICY, which
// changes a policy from the middle of a document even when set before.
#include "textout/statement_writer.h"

#include <gtest/gtest.h>

#include <sstream>

#include "policy/own_policies.h"
#include "policy/policy_set.h"
#include "common/ascii_file.h"
#include "run/context.h"

namespace orv {
namespace {

struct Written {
  std::vector<std::string> lines;
  std::vector<std::pair<std::string, int>> messages;
  ReportFunction Report() {
    return [this](const std::string& m, int level) { messages.emplace_back(m, level); };
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const auto& [text, level] : messages) texts.push_back(text);
    return texts;
  }
};

TEST(StatementWriterTest, DefinitionsAreCapturedAndMisplacedStatementsReported) {
  Written w;
  ASCIIFile file;
  file.AttachLineList(&w.lines);
  DefinitionList definitions;
  const DirectiveKeywords keywords;
  StatementWriter writer(&file, keywords, w.Report(), &definitions);
  for (const char* line : {"before", "$_$_DEFINE_TEXT_FRAGMENT Foot", "in foot",
                           "$_$_DEFINE_BLOCK Nested", "$_$_RESET_BLOCK X", "$_$_EMBED_BLOCK Y",
                           "$_$_END_BLOCK", "$_$_END_BLOCK", "$_$_EMBED_BLOCK Z", "after"})
    EXPECT_TRUE(writer.WriteOutStatement(line)) << line;
  writer.Finish();
  // Only the lines outside definitions are written.
  EXPECT_EQ(w.lines, (std::vector<std::string>{"before", "after"}));
  EXPECT_EQ(w.Texts(), (std::vector<std::string>{
                           "TAG ERROR: recursive DEFINE_BLOCK or DEFINE_<XXXX>_FRAGMENT detected.",
                           "TAG ERROR: recursive RESET_BLOCK or RESET_<XXXX>_FRAGMENT detected.",
                           "TAG ERROR: END_BLOCK not expected here.",
                           "PROGRAM ERROR: No support for EMBED_BLOCK in this program",
                       }));
  // Inside the definition, an EMBED_BLOCK line is simply one of its lines.
  const Definition* foot = definitions.Find(DefinitionKind::kTextFragment, "foot");
  ASSERT_NE(foot, nullptr);
  EXPECT_EQ(foot->lines, (std::vector<std::string>{"in foot", "$_$_EMBED_BLOCK Y"}));
  EXPECT_EQ(definitions.Find(DefinitionKind::kBlock, "Nested"), nullptr);

  // Outside a definition a reset ends the named one.
  writer.WriteOutStatement("$_$_reset_text_fragment FOOT");
  EXPECT_EQ(definitions.Find(DefinitionKind::kTextFragment, "foot"), nullptr);
}

TEST(StatementWriterTest, TablesMustEndBeforeOtherStatements) {
  Written w;
  ASCIIFile file;
  file.AttachLineList(&w.lines);
  const DirectiveKeywords keywords;
  StatementWriter writer(&file, keywords, w.Report());
  for (const char* line : {"$_$_BEGIN_COMMA_DELIMITED_TABLE", "a,b", "$_$_END_TABLE",
                           "$_$_BEGIN_TABLE", "$_$_TABLE_BORDER 1", "$_$_NEW_ROW", "x", "$_$_PARA",
                           "$_$_BEGIN_DELIMITED_TABLE", "$_$_BEGIN_TABLE"})
    writer.WriteOutStatement(line);
  EXPECT_TRUE(writer.InTable());
  writer.Finish();
  EXPECT_EQ(w.lines.size(), 10u);  // table statements are written
  const std::pair<std::string, int> missing{"TAG ERROR: Missing \"End Table\" tag detected", 10};
  // After PARA, after a second BEGIN, and at the end.
  EXPECT_EQ(w.messages, (std::vector<std::pair<std::string, int>>{missing, missing, missing}));
}

TEST(StatementWriterTest, FileFaultsAreReported) {
  Written w;
  const DirectiveKeywords keywords;
  StatementWriter nowhere(nullptr, keywords, w.Report());
  EXPECT_FALSE(nowhere.WriteOutStatement("text"));
  ASCIIFile closed;
  StatementWriter not_open(&closed, keywords, w.Report());
  EXPECT_FALSE(not_open.WriteOutStatement("$_$_PARA"));
  // A definition needs no file: nothing is written.
  EXPECT_TRUE(not_open.WriteOutStatement("$_$_DEFINE_BLOCK b"));
  EXPECT_EQ(w.Texts(), (std::vector<std::string>(
                           2, "PROGRAM ERROR: File not open in ASCIIFile::WriteOutStatement!")));

  // A write that fails: the device refuses it.
  Written full;
  ASCIIFile device;
  ASSERT_TRUE(device.OpenWrite("/dev/full"));
  StatementWriter writer(&device, keywords, full.Report());
  std::string big(1 << 16, 'x');
  bool all_ok = true;
  for (int i = 0; i < 4; ++i) all_ok = writer.WriteOutStatement(big) && all_ok;
  device.Close();
  EXPECT_FALSE(all_ok);
  ASSERT_FALSE(full.messages.empty());
  EXPECT_EQ(full.messages[0].first, "ERROR: Error writing to file");
}

TEST(ChangePolicyTest, AppliesThePolicyLineOverAnEarlierSetting) {
  Context context;
  std::ostringstream out, err;
  context.Sink().SetStreams(&out, &err);
  PolicySet set;
  set.AttachContext(&context);
  int category = 0;
  ASSERT_EQ(set.LoadPolicyLine("Target Page width : 60", category, true), 0);

  Written w;
  const DirectiveKeywords keywords;
  EXPECT_EQ(
      ApplyChangePolicy("$_$_CHANGE_POLICY Target Page width : 50", keywords, set, w.Report()), 0);
  EXPECT_EQ(set.GetSectionInteger(kSectionTextFormatting, kTargetPageWidth), 50);
  // Written in lower case the statement still comes off the line.
  EXPECT_EQ(
      ApplyChangePolicy("$_$_change_policy Target Page width : 44", keywords, set, w.Report()), 0);
  EXPECT_EQ(set.GetSectionInteger(kSectionTextFormatting, kTargetPageWidth), 44);
  EXPECT_EQ(ApplyChangePolicy("$_$_CHANGE_POLICY No such policy : 1", keywords, set, w.Report()),
            kPolicyLineUnknown);
  EXPECT_EQ(ApplyChangePolicy("Target Page width : 30", keywords, set, w.Report()),
            kPolicyLineUnknown);
  EXPECT_EQ(set.GetSectionInteger(kSectionTextFormatting, kTargetPageWidth), 44);
  EXPECT_EQ(w.Texts(), (std::vector<std::string>{
                           "POLICY: Changed - Target Page width : 50",
                           "POLICY: Changed - Target Page width : 44",
                           "POLICY: Changed - No such policy : 1",
                           "TAG ERROR: Failed to remove directive \"$_$_CHANGE_POLICY\" from input "
                           "line (may be case sensitive)",
                       }));

  // With another delimiter the statement is the new one.
  const DirectiveKeywords hash("##");
  EXPECT_EQ(ApplyChangePolicy("##CHANGE_POLICY Target Page width : 66", hash, set, w.Report()), 0);
  EXPECT_EQ(set.GetSectionInteger(kSectionTextFormatting, kTargetPageWidth), 66);
}

}  // namespace
}  // namespace orv
