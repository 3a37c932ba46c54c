// Reading and writing policy files: line kinds, include and switch files,
// configuration files, the writer's layout, round trips and bad input.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <vector>

#include "common/text.h"
#include "policy/own_policies.h"
#include "policy/policy_set.h"
#include "policy_test_util.h"
#include "common/ascii_file.h"

namespace orv {
namespace {

using testing::CapturedSet;
using testing::TempFolder;

// Reads `path` into the captured set (reset first, as callers do).
bool ReadFile(CapturedSet& c, const std::string& path, std::string& error) {
  c.set.Reset();
  c.context.ResetAllSections();
  ASCIIFile reader;
  if (!reader.OpenRead(path)) return false;
  bool ok = c.set.ReadPolicyFile(reader, error);
  reader.Close();
  return ok;
}

std::vector<std::string> Written(PolicySet& set, bool write_all) {
  std::vector<std::string> lines;
  ASCIIFile out;
  out.AttachLineList(&lines);
  set.WritePolicyFile(out, write_all);
  return lines;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

TEST(ReadPolicyFileTest, AcceptsEveryLineKind) {
  TempFolder folder;
  std::string path = folder.Write("a.pol",
                                  "! comment\n"
                                  "# another : comment\n"
                                  "\n"
                                  "[Detag]\n"
                                  "Remove all tags : no\n"
                                  "[Messages]\n"
                                  "----------\n"
                                  "Target Page width : 66\r\n"
                                  "Indent position(s) : 3 6\n"
                                  "We have 1  recognised headings\n"
                                  "    Heading level 0 = CHAPTER n\n");
  CapturedSet c;
  std::string error;
  EXPECT_TRUE(ReadFile(c, path, error));
  EXPECT_EQ(error, "");
  EXPECT_EQ(c.err.str(), "");
  EXPECT_FALSE(c.set.GetSectionYesNo(kSectionDetag, kRemoveAllTags));
  EXPECT_EQ(c.set.GetSectionInteger(kSectionTextFormatting, kTargetPageWidth), 66);
  EXPECT_EQ(c.set.Analysis().indent_positions, (std::vector<int>{3, 6}));
}

TEST(ReadPolicyFileTest, RefusedLinesAreReportedAndFailTheRead) {
  TempFolder folder;
  std::string path = folder.Write("a.pol",
                                  "Target Page width : 60\n"
                                  "Target Page width : 50\n"
                                  "Remove all tags\n"
                                  "#no colon\n"
                                  "[Unknown header]\n"
                                  "Page Width : 70\n");
  CapturedSet c;
  std::string error;
  EXPECT_FALSE(ReadFile(c, path, error));
  EXPECT_EQ(c.set.GetSectionInteger(kSectionTextFormatting, kTargetPageWidth), 60);
  EXPECT_EQ(c.set.GetInteger(EnginePolicy::kPageWidth), 70);
  EXPECT_EQ(c.Count("POLICY: Ignoring repeated policy \\Target Page width\\"), 1);
  EXPECT_EQ(c.Count("POLICY: Ignored - \\Target Page width : 50\\"), 1);
  EXPECT_EQ(c.Count("POLICY: Ignored - Missing colon in \"Remove all tags\""), 2);
  EXPECT_EQ(c.Count("ERROR: Don't understand policy value : "), 1);
  EXPECT_EQ(c.Count("POLICY: Ignored - \\Remove all tags\\"), 1);
  EXPECT_EQ(c.Count("POLICY: Ignored - Missing colon in \"#no colon\""), 1);
  EXPECT_EQ(c.Count("POLICY: Ignored - \\[Unknown header]\\"), 1);
  EXPECT_EQ(error, "POLICY: Ignored - \\[Unknown header]\\");
}

// The reader's own missing-colon test looks at the raw line: a line of
// blanks is not empty there, so it is reported, while the normalised line
// is blank and accepted.
TEST(ReadPolicyFileTest, ALineOfBlanksDrawsOnlyTheReadersReport) {
  TempFolder folder;
  CapturedSet c;
  std::string error;
  EXPECT_TRUE(ReadFile(c, folder.Write("b.pol", "TAB size : 3\n \t \n\nPage Width : 70\n"), error));
  EXPECT_EQ(c.err.str(), "POLICY: Ignored - Missing colon in \" \t \"\n");
  EXPECT_EQ(c.set.GetInteger(EnginePolicy::kPageWidth), 70);
}

TEST(ReadPolicyFileTest, IncludeAndSwitchFilesFromThePolicyFilesFolder) {
  TempFolder folder;
  folder.Write("inc.pol", "Page Width : 61\n");
  folder.Write("next.pol", "TAB size : 3\n");
  std::string path = folder.Write("main.pol",
                                  "Policy include file : inc.pol\n"
                                  "Target Page width : 62\n"
                                  "Policy include file : none\n"
                                  "Policy include file : missing.pol\n"
                                  "Link Dictionary File : links.txt\n"
                                  "Switch to file : next.pol\n"
                                  "Min chapter size : 9\n");
  CapturedSet c;
  std::string error;
  EXPECT_FALSE(ReadFile(c, path, error));
  EXPECT_EQ(c.set.GetInteger(EnginePolicy::kPageWidth), 61);
  EXPECT_EQ(c.set.GetSectionInteger(kSectionTextFormatting, kTargetPageWidth), 62);
  EXPECT_EQ(c.set.GetInteger(EnginePolicy::kTABSize), 3);
  EXPECT_FALSE(c.set.WasSet(EnginePolicy::kMinChapterSize));  // after the switch: not read
  EXPECT_EQ(c.set.GetText(EnginePolicy::kLinkDictionaryFile), "links.txt");
  EXPECT_EQ(c.Count("** Failed to open policy include file missing.pol ***"), 1);
  EXPECT_EQ(error, "** Failed to open policy include file missing.pol ***");
}

TEST(ReadPolicyFileTest, IncludeFallsBackToTheContextsFolder) {
  TempFolder folder;
  TempFolder other;
  other.Write("shared.pol", "TAB size : 5\n");
  std::string path = folder.Write("main.pol", "include file : shared.pol\n");
  CapturedSet c;
  c.context.SetIncludeFolder(other.Path().substr(0, other.Path().size() - 1));
  std::string error;
  EXPECT_TRUE(ReadFile(c, path, error));
  EXPECT_EQ(c.set.GetInteger(EnginePolicy::kTABSize), 5);
}

TEST(ReadPolicyFileTest, ConfigurationFilesMustExist) {
  TempFolder folder;
  folder.Write("defs.txt", "anything\n");
  folder.Write("cmds.txt", "anything\n");
  CapturedSet c;
  std::string error;
  EXPECT_TRUE(ReadFile(c, folder.Write("ok.pol", "Definitions file : defs.txt\nText command file : cmds.txt\n"), error));
  EXPECT_FALSE(ReadFile(c, folder.Write("d.pol", "Definitions file : nodefs.txt\n"), error));
  EXPECT_NE(error.find("nodefs.txt"), std::string::npos);
  EXPECT_FALSE(ReadFile(c, folder.Write("t.pol", "Text substitution file : nocmds.txt\n"), error));
  EXPECT_TRUE(ReadFile(c, folder.Write("s.pol", "Style file : nostyle.css\nDefinitions file : (none)\n"), error));
  EXPECT_TRUE(c.Saw("nostyle.css"));
}

TEST(ReadPolicyFileTest, RuleSetIsAppliedAfterTheFile) {
  TempFolder folder;
  CapturedSet c;
  std::string error;
  EXPECT_TRUE(ReadFile(c, folder.Write("r.pol", "Rule set to be used : Tarnwell\nPage Width : 90\n"), error));
  EXPECT_EQ(c.set.GetInteger(EnginePolicy::kPageWidth), 90);
  EXPECT_EQ(c.set.GetInteger(EnginePolicy::kTextJustification), kAlignJustified);
}

TEST(WritePolicyFileTest, ChangedOnlyAfterResetWritesNothing) {
  CapturedSet c;
  EXPECT_TRUE(Written(c.set, false).empty());
}

TEST(WritePolicyFileTest, WriteAllWritesorvtextsFirstSevenSectionsOnly) {
  CapturedSet c;
  std::vector<std::string> lines = Written(c.set, true);
  std::vector<std::string> headers;
  int policies = 0;
  for (const std::string& line : lines) {
    if (!line.empty() && line[0] == '[') headers.push_back(line);
    if (line.find(": ") != std::string::npos) ++policies;
  }
  EXPECT_EQ(headers, (std::vector<std::string>{"[Detag]", "[Detag tables]", "[Tag Manipulation]",
                                               "[Text formatting]", "[Text headers/footers]",
                                               "[Text hyperlinks]", "[Text tables]"}));
  EXPECT_EQ(policies, 20 + 5 + 5 + 20 + 1 + 7 + 13);
  EXPECT_EQ(lines[0], "");
  EXPECT_EQ(lines[1], "");
  EXPECT_EQ(lines[2], "[Detag]");
  EXPECT_EQ(lines[3], "");
  EXPECT_EQ(lines[4], "Remove all tags                           : Yes");
  const std::string joined = Joined(lines);
  EXPECT_NE(joined.find("\nTarget Page width                         : 72 \n"), std::string::npos);
  EXPECT_NE(joined.find("\nRemove HTML alignment attributes from tables  : No\n"), std::string::npos);
  EXPECT_NE(joined.find("\nStart list marker                         : (none)\n"), std::string::npos);
  EXPECT_LT(joined.find("Convert tags to upper case"), joined.find("Convert tags to lower case"));
}

// The last three of orvtext's sections hold their changed policies only,
// even when everything else is written.
TEST(WritePolicyFileTest, MailHelpAndConversionSectionsAreAlwaysChangedOnly) {
  CapturedSet c;
  c.Load("Level of header details wanted (0-10) : 3");
  c.Load("Help body background colour : ffffe0");
  const std::string text = Joined(Written(c.set, true));
  EXPECT_NE(text.find("\n\n\n[Mail Tidy]\n\nLevel of header details wanted (0-10)     : 3 \n\n\n"
                      "[RTF Help files]\n\nHelp body background colour               : #FFFFE0\n"),
            std::string::npos)
      << text;
  EXPECT_EQ(text.find("Simplify the mail headers"), std::string::npos);
  EXPECT_EQ(text.find("Help file citation"), std::string::npos);
  EXPECT_EQ(text.find("[Text conversion]"), std::string::npos);
  EXPECT_LT(text.find("[Text tables]"), text.find("[Mail Tidy]"));
}

TEST(WritePolicyFileTest, SectionOrderChangedOnlySectionsAndEngineSections) {
  CapturedSet c;
  c.Load("XE tag prefix : <x>");
  c.Load("Simplify the mail headers : yes");
  c.Load("Target table width : 60");
  c.Load("Suppress URL messages : no");
  c.Load("Search for definitions : yes");
  c.Load("Definition Char : ':' (strong)");
  c.Load("Indent position(s) : 4 8");
  c.Load("Hanging paragraph position(s) : none");
  c.Load("Recognised USENET groups : a.b c.d");
  c.Load("Include document section(s) : none");
  c.Load("We have 1  recognised headings");
  c.Load("Heading level 0 = CHAPTER n");
  c.Load("Rule set to be used : SEC");
  c.Load("Add FONT markup : yes");
  const std::string text = Joined(Written(c.set, false));
  std::vector<std::string> order = {"[Text tables]", "[Mail Tidy]", "[Text conversion]",
                                    "[Rule Set]",    "[Messages]",  "[Tarnwell]",
                                    "[General Analysis]", "[Headings]", "[Hyperlinks]",
                                    "[Preprocessor]"};
  size_t last = 0;
  for (const std::string& header : order) {
    size_t at = text.find("\n" + header + "\n");
    ASSERT_NE(at, std::string::npos) << header;
    EXPECT_GT(at, last) << header;
    last = at;
  }
  EXPECT_EQ(text.find("[Detag]"), std::string::npos);
  EXPECT_NE(text.find("\nRule set to be used              : SEC\n"), std::string::npos);
  EXPECT_NE(text.find("\nTarget table width                        : 60 \n"), std::string::npos);
  EXPECT_NE(text.find("\nSuppress URL messages                     : No\n"), std::string::npos);
  EXPECT_NE(text.find("Search for definitions                    : Yes\n"
                      "Definition Char                  : ':' (strong) \n"),
            std::string::npos);
  EXPECT_NE(text.find("\nIndent position(s)               : 4 8 \n"), std::string::npos);
  EXPECT_NE(text.find("\nHanging paragraph position(s)    : (none)\n"), std::string::npos);
  EXPECT_NE(text.find("\n\nWe have 1  recognised headings\n    Heading level 0 = CHAPTER n\n"),
            std::string::npos);
  EXPECT_NE(text.find("\nRecognised USENET groups         : a.b c.d\n"), std::string::npos);
  EXPECT_NE(text.find("\nInclude document section(s)      : (none)\n"), std::string::npos);
  // Only the set engine policies are written, whatever the write-all flag.
  EXPECT_EQ(text.find("Suppress INFO messages"), std::string::npos);
  EXPECT_EQ(Joined(Written(c.set, true)).find("Suppress INFO messages"), std::string::npos);
}

TEST(WritePolicyFileTest, TarnwellSectionOnlyWithARuleSet) {
  CapturedSet c;
  c.Load("Add FONT markup : no");
  EXPECT_EQ(Joined(Written(c.set, false)).find("[Tarnwell]"), std::string::npos);
  c.Load("Rule set to be used : none");
  const std::string text = Joined(Written(c.set, false));
  EXPECT_NE(text.find("Rule set to be used              : (none)"), std::string::npos);
  EXPECT_EQ(text.find("[Tarnwell]"), std::string::npos);
}

// ---- Round trips ----------------------------------------------------------

// A valid value for `policy`, different runs of the generator giving
// different values.
void SetRandomValue(Policy& policy, std::mt19937& random) {
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  if (NumberPolicy* number = policy.AsNumber()) {
    int value = 0;
    switch (policy.Type()) {
      case PolicyType::kYesNo: value = pick(2); break;
      case PolicyType::kAlignment: value = pick(5); break;
      case PolicyType::kChoice: {
        int count = static_cast<int>(static_cast<ChoicePolicy&>(policy).Choices().size());
        value = pick(4) == 0 ? -1 : 1 + pick(count);
        break;
      }
      default: {
        auto& integer = static_cast<IntegerPolicy&>(policy);
        if (integer.HasRange())
          value = integer.Lowest() + pick(integer.Highest() - integer.Lowest() + 1);
        else
          value = pick(5) == 0 ? -1 - pick(3) : pick(5000) - 100;
      }
    }
    number->SetValue(value, true);
    return;
  }
  StringPolicy& text = *policy.AsString();
  static const char* colours[] = {"", "Red", "navy", "#12AB3C", "Magenta", "#FFFFE0"};
  static const char* fonts[] = {"", "Arial", "Arial, bold italic, 9", "Courier New, Regular, 10",
                                "\"Odd, Face\", italic"};
  static const char* words[] = {"alpha", "b:c", "#x", "\"q\"", "[[TAG]]", "(none)x", "1", "*_x.html"};
  std::string value;
  switch (policy.Type()) {
    case PolicyType::kColour: value = colours[pick(6)]; break;
    case PolicyType::kFont: value = fonts[pick(5)]; break;
    default: {
      int count = pick(4);
      for (int i = 0; i < count; ++i) value += std::string(i ? " " : "") + words[pick(8)];
    }
  }
  if (policy.Key() == "Input file type") value = "comma-delimited table";
  if (policy.Key() == "DOS filename root") value = std::string(TrimView(value.substr(0, 5)));
  if (policy.Key() == "Definitions file" || policy.Key() == "Text command file" ||
      policy.Key() == "Style file")
    value.clear();
  text.SetValue(value, true);
}

// Every policy that a policy file can carry: orvtext's and the engine's,
// without the engine policies that are never written.
std::vector<Policy*> AllPolicies(CapturedSet& c) {
  std::vector<Policy*> all;
  for (PolicySection& section : c.context.Sections())
    for (size_t i = 0; i < section.Count(); ++i) all.push_back(&section.At(i));
  for (size_t i = 0; i < kEnginePolicyCount; ++i)
    if (EngineCatalogue()[i].section != kEngineNotWritten)
      all.push_back(&c.set.Engine(static_cast<EnginePolicy>(i)));
  return all;
}

void ExpectSameValues(CapturedSet& written, CapturedSet& read, bool compare_set_flags) {
  std::vector<Policy*> a = AllPolicies(written);
  std::vector<Policy*> b = AllPolicies(read);
  ASSERT_EQ(a.size(), b.size());
  for (size_t i = 0; i < a.size(); ++i) {
    EXPECT_EQ(a[i]->ValueText(), b[i]->ValueText()) << a[i]->Key();
    if (a[i]->AsNumber()) {
      EXPECT_EQ(a[i]->AsNumber()->Value(), b[i]->AsNumber()->Value()) << a[i]->Key();
    }
    if (compare_set_flags) {
      EXPECT_EQ(a[i]->IsSet(), b[i]->IsSet()) << a[i]->Key();
    }
  }
}

TEST(RoundTripTest, EveryPolicyWrittenInWriteAllModeReadsBack) {
  TempFolder folder;
  for (unsigned seed : {1u, 2u, 3u}) {
    std::mt19937 random(seed);
    CapturedSet written;
    for (Policy* policy : AllPolicies(written)) SetRandomValue(*policy, random);
    // The "[Tarnwell]" section is written only while a rule set is in force.
    written.Load(seed == 1 ? "Rule set to be used : Tarnwell" : "Rule set to be used : SEC");
    written.set.ApplyRuleSet();
    written.Load("Indent position(s) : 1 2 3");
    written.Load("Definition Char : '-' (strong)");
    written.Load("Bullet char : '*'");
    written.Load("We have 1  recognised headings");
    written.Load("Contents level 2 = n.n");
    written.Load("Recognised USENET groups : x.y");
    std::vector<std::string> lines = Written(written.set, true);
    std::string path = folder.Write("all.pol", Joined(lines));

    CapturedSet read;
    std::string error;
    EXPECT_TRUE(ReadFile(read, path, error)) << read.err.str();
    ExpectSameValues(written, read, true);
    const AnalysisSettings& a = written.set.Analysis();
    const AnalysisSettings& b = read.set.Analysis();
    EXPECT_EQ(a.indent_positions, b.indent_positions);
    EXPECT_EQ(a.dash_strong, b.dash_strong);
    EXPECT_EQ(a.bullet_characters, b.bullet_characters);
    EXPECT_EQ(a.contents_levels, b.contents_levels);
    EXPECT_EQ(a.recognised_headings, b.recognised_headings);
    EXPECT_EQ(a.usenet_groups, b.usenet_groups);
  }
}

TEST(RoundTripTest, RandomChangesWrittenChangedOnlyReadBackWithTheirFlags) {
  TempFolder folder;
  std::mt19937 random(20240611);
  for (int round = 0; round < 5; ++round) {
    CapturedSet written;
    static const char* rule_sets[] = {"none", "Tarnwell", "SEC"};
    const int rule_set = round % 3;
    for (Policy* policy : AllPolicies(written)) {
      bool tarnwell = written.set.FindEngine(policy->Key()) != nullptr &&
                      EngineEntry(static_cast<EnginePolicy>(policy->Identifier())).section == kEngineTarnwell;
      if (random() % 4 == 0 && (rule_set != 0 || !tarnwell)) SetRandomValue(*policy, random);
    }
    written.Load(std::string("Rule set to be used : ") + rule_sets[rule_set]);
    written.set.ApplyRuleSet();
    std::string path = folder.Write("changed.pol", Joined(Written(written.set, false)));
    CapturedSet read;
    std::string error;
    EXPECT_TRUE(ReadFile(read, path, error)) << read.err.str();
    ExpectSameValues(written, read, true);
    EXPECT_EQ(written.set.RuleSet(), read.set.RuleSet());
    EXPECT_EQ(written.set.Analysis().indent_positions, read.set.Analysis().indent_positions);
  }
}

// ---- Bad input ------------------------------------------------------------

TEST(BadPolicyFileTest, BinaryJunkIsReportedAndEarlierValuesStay) {
  TempFolder folder;
  std::mt19937 random(7);
  std::string junk = "TAB size : 6\n";
  for (int i = 0; i < 20000; ++i) junk += static_cast<char>(random() % 256);
  CapturedSet c;
  std::string error;
  EXPECT_FALSE(ReadFile(c, folder.Write("junk.pol", junk), error));
  EXPECT_EQ(c.set.GetInteger(EnginePolicy::kTABSize), 6);
  EXPECT_FALSE(error.empty());
}

TEST(BadPolicyFileTest, MegabyteLineAndLongFiles) {
  TempFolder folder;
  std::string text = "Page Width : 81\n" + std::string(1 << 20, 'x') + "\nTAB size : 2\n";
  CapturedSet c;
  std::string error;
  EXPECT_FALSE(ReadFile(c, folder.Write("long.pol", text), error));
  EXPECT_EQ(c.set.GetInteger(EnginePolicy::kPageWidth), 81);
  EXPECT_EQ(c.set.GetInteger(EnginePolicy::kTABSize), 2);

  std::string many;
  for (int i = 0; i < 100000; ++i) many += (i % 2) ? "! comment " + std::to_string(i) + "\n" : "\n";
  many += "TAB size : 4\n";
  EXPECT_TRUE(ReadFile(c, folder.Write("many.pol", many), error));
  EXPECT_EQ(c.set.GetInteger(EnginePolicy::kTABSize), 4);
}

TEST(BadPolicyFileTest, FilesThatIncludeThemselvesAreRefused) {
  TempFolder folder;
  std::string path = folder.Write("self.pol",
                                  "Page Width : 75\n"
                                  "include file : self.pol\n"
                                  "include file : ./self.pol\n"
                                  "TAB size : 7\n");
  CapturedSet c;
  std::string error;
  EXPECT_FALSE(ReadFile(c, path, error));
  EXPECT_EQ(c.Count("** Failed to open policy include file self.pol ***"), 1);
  EXPECT_EQ(c.Count("** Failed to open policy include file ./self.pol ***"), 1);
  EXPECT_EQ(c.set.GetInteger(EnginePolicy::kPageWidth), 75);
  EXPECT_EQ(c.set.GetInteger(EnginePolicy::kTABSize), 7);
}

TEST(BadPolicyFileTest, AChainOfElevenSwitchFilesStopsAtTheTenth) {
  TempFolder folder;
  const char* keys[] = {"Lines to ignore at start of file", "Lines to ignore at end of file",
                        "Page Width", "TAB size", "Min chapter size", "Minimum ruler length",
                        "Smallest allowed <Hn> tag", "Largest allowed <Hn> tag",
                        "First Section Number", "Contents style code", "Contents anchors level"};
  for (int i = 0; i <= 10; ++i) {
    std::string text = std::string(keys[i]) + " : " + std::to_string(100 + i) + "\n";
    if (i < 10) text += "Switch to file : f" + std::to_string(i + 1) + ".pol\n";
    folder.Write("f" + std::to_string(i) + ".pol", text);
  }
  CapturedSet c;
  std::string error;
  EXPECT_FALSE(ReadFile(c, folder.Path() + "f0.pol", error));
  for (int i = 0; i < 10; ++i) {
    Policy* policy = c.set.FindEngine(keys[i]);
    EXPECT_EQ(policy->AsNumber()->Value(), 100 + i) << keys[i];
  }
  EXPECT_FALSE(c.set.FindEngine(keys[10])->IsSet());
  EXPECT_EQ(error, "** Failed to open policy include file f10.pol ***");
}

// A folder opens for reading but has no lines: switching to it would end
// the reading silently, including it would pass unnoticed. Both are
// refused and reported, and the current file is read on.
TEST(BadPolicyFileTest, FoldersAndEmptyNamesAreNotPolicyFiles) {
  TempFolder folder;
  std::filesystem::create_directory(folder.Path() + "sub");
  struct Case {
    const char* line;
    const char* error;
  } cases[] = {
      {"Switch to file : sub", "** Failed to open policy include file sub ***"},
      {"Switch to file :", "** Failed to open policy include file  ***"},
      {"Policy include file : sub", "** Failed to open policy include file sub ***"},
      {"include file :", "** Failed to open policy include file  ***"},
  };
  for (const Case& k : cases) {
    CapturedSet c;
    std::string error;
    EXPECT_FALSE(ReadFile(c, folder.Write("p.pol", std::string(k.line) + "\nTAB size : 3\n"), error))
        << k.line;
    EXPECT_EQ(error, k.error) << k.line;
    EXPECT_EQ(c.set.GetInteger(EnginePolicy::kTABSize), 3) << k.line;
  }
  CapturedSet c;
  std::string error;
  EXPECT_FALSE(ReadFile(c, folder.Write("d.pol", "Definitions file : sub\n"), error));
  EXPECT_NE(error.find("sub"), std::string::npos);
}

TEST(BadPolicyFileTest, MissingSwitchFileKeepsReadingTheCurrentFile) {
  TempFolder folder;
  CapturedSet c;
  std::string error;
  EXPECT_FALSE(ReadFile(c, folder.Write("s.pol", "Switch to file : gone.pol\nTAB size : 9\n"), error));
  EXPECT_EQ(c.set.GetInteger(EnginePolicy::kTABSize), 9);
  EXPECT_EQ(c.Count("** Failed to open policy include file gone.pol ***"), 1);
}

}  // namespace
}  // namespace orv
