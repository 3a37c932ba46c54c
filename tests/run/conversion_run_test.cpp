// Tests of the conversion run driven in-process: the qualifiers written into
// policy sets, the name of a generated policy file, the policy sets of
// consecutive files, and the run's answers to missing files, directories
// and policy files.
#include "run/conversion_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

#include "common/text.h"
#include "platform/message_box.h"
#include "policy/own_policies.h"
#include "run/qualifier_policies.h"
#include "support/temp_folder.h"

namespace orv {
namespace {

using testing::TempFolder;

// ---- Qualifiers onto policies --------------------------------------------

struct FlagCase {
  std::string_view what;
  bool QualifierSettings::*flag;
  EnginePolicy policy;
};

TEST(QualifierPoliciesTest, FlagQualifiersDecideTheirPolicy) {
  const FlagCase cases[] = {
      {"/DOS", &QualifierSettings::dos, EnginePolicy::kUseDOSFilenames},
      {"/SIMPLE", &QualifierSettings::simple, EnginePolicy::kKeepItSimple},
      {"/CONCAT", &QualifierSettings::concat, EnginePolicy::kConcatenateResultsIntoOneFile},
      {"/POLICY", &QualifierSettings::policy, EnginePolicy::kOutputPolicyFile},
      {"/LOG", &QualifierSettings::log, EnginePolicy::kCreateALogFile},
      {"/FRAMES", &QualifierSettings::frames, EnginePolicy::kPlaceDocumentInFrames},
      {"/TAGS", &QualifierSettings::tags, EnginePolicy::kShowTagsInOutput},
  };
  for (const FlagCase& c : cases) {
    for (bool on : {false, true}) {
      Context context;
      context.Qualifiers().*c.flag = on;
      PolicySet set;
      // A policy file's value gives way to the qualifier's either way.
      set.SetYesNo(c.policy, !on, false);
      AttachWithQualifiers(context, set);
      EXPECT_EQ(set.GetYesNo(c.policy), on) << c.what;
      EXPECT_EQ(set.WasSet(c.policy), on) << c.what;
      EXPECT_EQ(set.GetContext(), &context) << c.what;
    }
  }
}

TEST(QualifierPoliciesTest, ContentsAndIndexOnlyAdd) {
  const FlagCase cases[] = {
      {"/CONTENTS", &QualifierSettings::contents, EnginePolicy::kAddContentsList},
      {"/INDEX", &QualifierSettings::index, EnginePolicy::kMakeDirectory},
  };
  for (const FlagCase& c : cases) {
    Context context;
    PolicySet set;
    set.SetYesNo(c.policy, true, true);  // as a policy file would
    AttachWithQualifiers(context, set);
    EXPECT_TRUE(set.GetYesNo(c.policy)) << c.what << ": a set policy is left alone";

    PolicySet unset;
    unset.SetYesNo(c.policy, true, false);
    AttachWithQualifiers(context, unset);
    EXPECT_FALSE(unset.GetYesNo(c.policy)) << c.what << ": an unset policy becomes no";
    EXPECT_FALSE(unset.WasSet(c.policy)) << c.what;

    context.Qualifiers().*c.flag = true;
    AttachWithQualifiers(context, unset);
    EXPECT_TRUE(unset.GetYesNo(c.policy)) << c.what;
    EXPECT_TRUE(unset.WasSet(c.policy)) << c.what;
  }
}

TEST(QualifierPoliciesTest, ValuesModeAndEcho) {
  Context context;
  QualifierSettings& q = context.Qualifiers();
  q.log = true;
  q.log_file_name = "run.log";
  q.cu = true;
  q.output_directory = "/data/out/";
  q.detag = true;
  context.SetEcho(false);
  PolicySet set;
  AttachWithQualifiers(context, set);
  EXPECT_EQ(set.OutputLogFilename(), "run.log");
  EXPECT_TRUE(set.WasSet(EnginePolicy::kOutputLogFilename));
  EXPECT_EQ(set.GetInteger(EnginePolicy::kInputFileIsACompositionUnit), 1);
  EXPECT_EQ(set.OutputDirectory(), "/data/out/");
  EXPECT_TRUE(set.WasSet(EnginePolicy::kOutputDirectory));
  EXPECT_FALSE(set.DisplayMessages());
  EXPECT_TRUE(set.WasSet(EnginePolicy::kDisplayMessages));
  EXPECT_FALSE(set.GetSectionYesNo(kSectionDetag, kRemoveAllTags));
  EXPECT_FALSE(OutputIsText(q));

  q.detag = false;
  context.SetEcho(true);
  PolicySet other;
  AttachWithQualifiers(context, other);
  EXPECT_TRUE(other.DisplayMessages());
  EXPECT_FALSE(other.WasSet(EnginePolicy::kDisplayMessages));
  EXPECT_TRUE(other.GetSectionYesNo(kSectionDetag, kRemoveAllTags));
  EXPECT_TRUE(OutputIsText(q));
}

TEST(QualifierPoliciesTest, RuleSetNameIsAppliedOrRefused) {
  Context context;
  std::ostringstream out, err;
  context.Sink().SetStreams(&out, &err);
  context.Qualifiers().ruleset = true;
  context.Qualifiers().ruleset_name = "Tarnwell";
  PolicySet set;
  AttachWithQualifiers(context, set);
  EXPECT_EQ(set.RuleSet(), kRuleSetTarnwell);
  EXPECT_EQ(context.Qualifiers().ruleset_name, "Tarnwell");

  context.Qualifiers().ruleset_name = "Bogus";
  PolicySet other;
  AttachWithQualifiers(context, other);
  EXPECT_NE(err.str().find("CTX.Command ERROR: Unrecognised RuleSet \"Bogus\"\n"),
            std::string::npos)
      << err.str();
  EXPECT_EQ(context.Qualifiers().ruleset_name, "");
}

TEST(QualifierPoliciesTest, HtmlExtension) {
  QualifierSettings q;
  PolicySet set;
  EXPECT_EQ(HtmlExtension(q, set), ".html");
  set.SetText(EnginePolicy::kOutputFileExtension, "shtml", true);
  EXPECT_EQ(HtmlExtension(q, set), ".shtml");
  q.dos = true;
  EXPECT_EQ(HtmlExtension(q, set), ".HTM");
}

// ---- Name of a generated policy file --------------------------------------

TEST(PolicyOutputPathTest, NameRules) {
  struct Case {
    std::string_view what;
    std::string filename_policy;
    std::string output_directory;
    std::string policy_value;
    std::string expected;
  };
  const Case cases[] = {
      {"no value: input name in the output directory", "", "/out/", "", "/out/page.pol"},
      {"no value, no output directory: beside the input", "", "", "", "/in/page.pol"},
      {"a name", "", "/out/", "mine", "/out/mine.pol"},
      {"a name and extension", "", "/out/", "mine.txt", "/out/mine.txt"},
      {"only an extension", "", "/out/", ".cfg", "/out/page.cfg"},
      {"a relative folder is taken below the output directory", "", "/out/", "sub/mine.pol",
       "/out/sub/mine.pol"},
      {"parent steps are folded", "", "/out/deep/", "../up.pol", "/out/up.pol"},
      {"a full path stays", "", "/out/", "/etc/x/p.pol", "/etc/x/p.pol"},
      {"the filename policy wins", "named.pol", "/out/", "mine.pol", "/out/named.pol"},
  };
  for (const Case& c : cases) {
    PolicySet set;
    set.SetText(EnginePolicy::kOutputPolicyFilename, c.filename_policy, true);
    set.SetText(EnginePolicy::kOutputDirectory, c.output_directory, true);
    EXPECT_EQ(PolicyOutputPath(set, c.policy_value, SplitPath("/in/page.htm")), c.expected)
        << c.what;
  }
}

TEST(RunSettingsTest, OnlyThreadsOneKeepsAFileOnOneThread) {
  for (const auto& [value, second_thread] :
       std::vector<std::pair<const char*, bool>>{{nullptr, true}, {"1", false}, {" 1 ", false},
                                                 {"2", true}, {"", true}, {"one", true}}) {
    RunSettings settings;
    settings.ReadEnvironment([value](const char* name) {
      return std::string(name) == "ORVTEXT_THREADS" ? value : nullptr;
    });
    EXPECT_EQ(settings.second_thread_per_file, second_thread) << (value ? value : "(unset)");
  }
}

// ---- The run in-process -----------------------------------------------------

// A run on a temporary folder, with message boxes and the status window
// collected.
struct RunFixture {
  TempFolder dir;
  Context context;
  std::ostringstream boxes;
  std::ostringstream shown;
  StatusWindow status{&shown};
  RunSettings settings;
  std::unique_ptr<ConversionRun> run;

  RunFixture() { context.Sink().SetStreams(&shown, &shown); }
  ConversionRun& Make() {
    run = std::make_unique<ConversionRun>(context, status, settings, StreamMessageBox(boxes));
    return *run;
  }
  // Selects `spec` in the folder, as the command line would.
  FileSelection Select(const std::string& spec) const {
    FileSelection selection;
    selection.input_directory = dir.Path();
    selection.output_directory = dir.Path();
    selection.input_spec = spec;
    return selection;
  }
  std::string StatusText() const {
    std::string text;
    for (const std::string& line : status.Lines()) text += line + "\n";
    return text;
  }
};

TEST(ConversionRunTest, PerFileChangesDoNotLeakIntoTheNextFile) {
  RunFixture f;
  f.dir.Write("a.htm", "<p>a</p>");
  f.dir.Write("b.htm", "<p>b</p>");
  f.dir.Write("master.pol", "Page width : 60\n");
  ConversionRun& run = f.Make();
  struct Seen {
    int page_width;
    bool page_width_set;
    int tab_size;
    std::string output_directory;
  };
  std::vector<Seen> seen;
  run.SetFileObserver([&](const std::string&, PolicySet& c) {
    seen.push_back({c.GetInteger(EnginePolicy::kPageWidth), c.WasSet(EnginePolicy::kPageWidth),
                    c.GetInteger(EnginePolicy::kTABSize), c.OutputDirectory()});
    // What a document may change for itself while it is converted.
    c.SetInteger(EnginePolicy::kPageWidth, 20, true);
    c.SetInteger(EnginePolicy::kTABSize, 3, true);
  });
  FileSelection selection = f.Select("*.htm");
  selection.policy_file_path = f.dir.Path() + "master.pol";
  EXPECT_EQ(run.RunCommandLine(selection), 0) << f.boxes.str() << f.StatusText();

  ASSERT_EQ(seen.size(), 2u);
  const int default_tab = PolicySet().GetInteger(EnginePolicy::kTABSize);
  for (const Seen& s : seen) {
    EXPECT_EQ(s.page_width, 60);
    EXPECT_TRUE(s.page_width_set);
    EXPECT_EQ(s.tab_size, default_tab);
    EXPECT_EQ(s.output_directory, f.dir.Path());
  }
  EXPECT_EQ(run.MainSet().GetInteger(EnginePolicy::kPageWidth), 60);
  EXPECT_EQ(run.FilesConverted(), 2);
}

TEST(ConversionRunTest, NoFilesFoundEndsTheRunNormally) {
  RunFixture f;
  f.dir.Write("a.htm", "<p>a</p>");
  ConversionRun& run = f.Make();
  EXPECT_EQ(run.RunCommandLine(f.Select("*.xyz")), 3);
  EXPECT_TRUE(run.NoFilesFound());
  const std::string message = "No files found \"" + f.dir.Path() + "*.xyz\"";
  EXPECT_EQ(f.boxes.str(), "File selection error: " + message + "\n");
  EXPECT_NE(f.StatusText().find("ERROR: " + message + "\n"), std::string::npos);
  // The window was hidden before the box, so nothing more reached the screen.
  EXPECT_EQ(f.shown.str().find("ERROR: No files found"), std::string::npos);
  EXPECT_NE(f.StatusText().find("Conversion complete"), std::string::npos);
}

TEST(ConversionRunTest, InvalidDirectoriesStopTheRun) {
  {
    RunFixture f;
    ConversionRun& run = f.Make();
    FileSelection selection = f.Select("*.htm");
    selection.input_directory = f.dir.Path() + "missing/";
    selection.output_directory = selection.input_directory;
    EXPECT_EQ(run.RunCommandLine(selection), 1);
    EXPECT_EQ(f.boxes.str(),
              "Directory Error: Invalid Input "
              "Directory\nConvert Error: Conversion failed\n");
    EXPECT_NE(f.StatusText().find("ERROR: Selected output directory has unexpected format"),
              std::string::npos);
  }
  {
    RunFixture f;
    f.dir.Write("a.htm", "<p>a</p>");
    ConversionRun& run = f.Make();
    FileSelection selection = f.Select("a.htm");
    selection.output_directory = f.dir.Path() + "missing/";
    EXPECT_EQ(run.RunCommandLine(selection), 1);
    EXPECT_EQ(f.boxes.str(),
              "Directory Error: Invalid Output Directory. Must be writable\n"
              "Convert Error: Conversion failed\n");
    EXPECT_FALSE(std::filesystem::exists(f.dir.Path() + "a.txt"));
  }
}

TEST(ConversionRunTest, MissingPolicyFiles) {
  RunFixture f;
  f.dir.Write("a.htm", "<p>a</p>");
  f.settings.always_reload = true;
  ConversionRun& run = f.Make();
  FileSelection selection = f.Select("a.htm");
  selection.policy_file_path = f.dir.Path() + "gone.pol";
  EXPECT_EQ(run.RunCommandLine(selection), 0);
  EXPECT_EQ(f.boxes.str(),
            "Policy File Error: Can't find policy file \"" + f.dir.Path() + "gone.pol\"\n");
  // Both master loads of the run report it, and the run goes on.
  const std::string line = "ERROR: Can't find master policy file " + f.dir.Path() + "gone.pol\n";
  const std::string status = f.StatusText();
  const size_t first = status.find(line);
  ASSERT_NE(first, std::string::npos) << status;
  EXPECT_NE(status.find(line, first + 1), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(f.dir.Path() + "a.txt"));
}

TEST(ConversionRunTest, ClipboardOutputWritesNoFile) {
  RunFixture f;
  f.dir.Write("a.htm", "<p>first</p>\n<p>second</p>");
  ConversionRun& run = f.Make();
  std::vector<std::string> clips;
  run.SetOutputToClipboard(true);
  run.SetClipboard([&](const std::string& text) {
    clips.push_back(text);
    return true;
  });
  EXPECT_EQ(run.RunCommandLine(f.Select("a.htm")), 0);
  ASSERT_EQ(clips.size(), 1u);
  EXPECT_NE(clips[0].find("first"), std::string::npos);
  EXPECT_NE(clips[0].find("second"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(f.dir.Path() + "a.txt"));
  EXPECT_EQ(f.StatusText().find("Creating output file"), std::string::npos);

  run.SetClipboard([](const std::string&) { return false; });
  EXPECT_EQ(run.StartRun(), true);
  EXPECT_NE(f.StatusText().find("ERROR: No clipboard available"), std::string::npos);
}

TEST(ConversionRunTest, PolicyFileNeverReplacesItsInput) {
  RunFixture f;
  const std::string input = f.dir.Write("page.pol.htm", "<p>a</p>");
  f.context.Qualifiers().policy = true;
  f.context.Qualifiers().policy_out_name = "page.pol.htm";
  ConversionRun& run = f.Make();
  EXPECT_EQ(run.RunCommandLine(f.Select("page.pol.htm")), 1);
  EXPECT_NE(f.StatusText().find("ERROR: Policy file would overwrite input file - " + input),
            std::string::npos);
  std::ifstream in(input);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "<p>a</p>");
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

TEST(ConversionRunTest, RunningOutOfMemoryEndsTheFileNotTheProgram) {
  RunFixture f;
  f.dir.Write("a.htm", "<p>first</p>");
  f.dir.Write("b.htm", "<p>second</p>");
  ConversionRun& run = f.Make();
  run.SetFileObserver([](const std::string& input, PolicySet&) {
    if (input.ends_with("a.htm")) throw std::bad_alloc();
  });
  EXPECT_EQ(run.RunCommandLine(f.Select("*.htm")), 1);
  EXPECT_NE(f.StatusText().find("ERROR: Out of memory converting " + f.dir.Path() + "a.htm"),
            std::string::npos)
      << f.StatusText();
  EXPECT_EQ(run.FilesConverted(), 0);
}

}  // namespace
}  // namespace orv
