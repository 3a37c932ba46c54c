// Tests of the output names, the directory check, folder creation and the
// refusal to overwrite an input file.
#include "run/output_names.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/text.h"
#include "platform/directory.h"
#include "run/qualifiers.h"
#include "support/temp_folder.h"

namespace orv {
namespace {

using testing::TempFolder;

struct NameCase {
  std::string_view what;
  OutputNameInputs inputs;
  std::string_view directory, name, extension;
};

OutputNameInputs In(std::string path) {
  OutputNameInputs inputs;
  inputs.input_path = path;
  inputs.input_spec = SplitPath(path).directory + "*.htm";
  return inputs;
}

TEST(OutputNamesTest, DirectoryNameAndExtensionRules) {
  std::vector<NameCase> cases;
  cases.push_back({"text output beside the input", In("/in/a.htm"), "/in/", "a", ".txt"});
  {
    OutputNameInputs i = In("/in/a.htm");
    i.output_is_text = false;
    cases.push_back({"detag keeps the input extension", i, "/in/", "a", ".htm"});
  }
  {
    OutputNameInputs i = In("/in/readme");
    i.output_is_text = false;
    cases.push_back({"detag of a name without extension", i, "/in/", "readme", ".html"});
  }
  {
    OutputNameInputs i = In("/in/a.htm");
    i.output_spec_directory = "/out/";
    i.output_spec_name = "*";
    i.output_spec_extension = ".txt";
    cases.push_back({"/OUTPUT=/out/*.txt", i, "/out/", "a", ".txt"});
  }
  {
    OutputNameInputs i = In("/in/a.htm");
    i.output_spec_name = "result";
    i.output_spec_extension = ".*";
    i.output_is_text = false;
    cases.push_back({"/OUTPUT=result.*", i, "/in/", "result", ".htm"});
  }
  cases.push_back({"in.asc becomes out", In("in.asc"), "", "out", ".txt"});
  {
    OutputNameInputs i = In("/in/a.htm");
    i.single_output_name = "/x/y.z";
    cases.push_back({"single-file output name", i, "/x/", "y", ".z"});
  }
  {
    OutputNameInputs i = In("/in/a.htm");
    i.single_output_name = "*.q";
    cases.push_back({"single-file name with a wildcard part", i, "/in/", "a", ".q"});
  }
  {
    OutputNameInputs i = In("/in/a.htm");
    i.output_spec_directory = "/out/";
    i.chosen_output_directory = "/chosen/";
    i.chosen_output_directory_in_use = true;
    cases.push_back({"the dialog's directory wins", i, "/chosen/", "a", ".txt"});
  }
  for (const NameCase& c : cases) {
    OutputNameResult r = OutputNames(c.inputs);
    EXPECT_EQ(r.output_directory, c.directory) << c.what;
    EXPECT_EQ(r.output_name, c.name) << c.what;
    EXPECT_EQ(r.output_extension, c.extension) << c.what;
  }
}

TEST(OutputNamesTest, DiagnosticNames) {
  OutputNameInputs i = In("/in/a.htm");
  OutputNameResult none = OutputNames(i);
  EXPECT_EQ(none.lis_name + none.lis1_name + none.stats_name, "");

  i.list = true;
  OutputNameResult list = OutputNames(i);
  EXPECT_EQ(list.lis_name, "/in/a.lis");
  EXPECT_EQ(list.lis1_name, "/in/a.lis1");
  EXPECT_EQ(list.stats_name, "");

  i.debug = true;
  i.dos = true;
  OutputNameResult dos = OutputNames(i);
  EXPECT_EQ(dos.lis1_name, "/in/a.ls1");
  EXPECT_EQ(dos.stats_name, "/in/a.sts");
}

TEST(OutputNamesTest, TakesQualifierSettings) {
  QualifierSettings q;
  q.output_directory = "/o/";
  q.output_name = "*";
  q.output_extension = ".txt";
  q.tree = true;
  OutputNameInputs i;
  TakeQualifiers(q, i);
  EXPECT_TRUE(i.tree);
  EXPECT_EQ(i.output_spec_directory + i.output_spec_name + i.output_spec_extension, "/o/*.txt");
}

TEST(OutputNamesTest, TreeMirrorsTheSubfolderAndCreatesIt) {
  TempFolder dir;
  const std::string input = dir.Write("in/x/y/b.htm", "b");
  OutputNameInputs i = In(input);
  i.input_spec = dir.Path() + "in/*.htm";
  i.tree = true;
  i.output_spec_directory = dir.Path() + "out/";
  OutputNameResult r = OutputNames(i);
  EXPECT_EQ(r.OutputPath(), dir.Path() + "out/x/y/b.txt");
  EXPECT_TRUE(r.directory_ready);
  EXPECT_TRUE(IsDirectory(dir.Path() + "out/x/y"));

  // A listed file outside the input root goes straight into the output
  // directory, never above it.
  TempFolder other;
  i.input_path = other.Write("far/c.htm", "c");
  i.input_spec = dir.Path() + "in/\"a.htm\" \"" + i.input_path + "\"";
  EXPECT_EQ(OutputNames(i).OutputPath(), dir.Path() + "out/c.txt");
}

TEST(MakeDirectoryPathTest, CreatesExistsAndFails) {
  TempFolder dir;
  EXPECT_TRUE(MakeDirectoryPath(dir.Path() + "a/b/c/"));
  EXPECT_TRUE(IsDirectory(dir.Path() + "a/b/c"));
  EXPECT_TRUE(MakeDirectoryPath(dir.Path() + "a/b"));
  const std::string file = dir.Write("plain", "x");
  EXPECT_FALSE(MakeDirectoryPath(file + "/below/deeper"));
  EXPECT_FALSE(MakeDirectoryPath(file));
}

struct Reports {
  std::vector<std::string> lines;
  LineReportFn Fn() {
    return [this](std::string_view line) { lines.emplace_back(line); };
  }
};

TEST(DirectoryCheckTest, ExistingDirectoryPassesQuietly) {
  TempFolder dir;
  Reports r;
  EXPECT_TRUE(DirectoryCheck(dir.Path(), false, r.Fn()));
  EXPECT_TRUE(DirectoryCheck("/", false, r.Fn()));
  // An empty directory text is the current directory, not the root.
  std::string listed;
  auto record = [&](std::string_view d) {
    listed = d;
    return ListDirectory(d);
  };
  EXPECT_TRUE(DirectoryCheck("", true, r.Fn(), record));
  EXPECT_EQ(listed, "./");
  EXPECT_TRUE(r.lines.empty());
}

TEST(DirectoryCheckTest, MissingDirectoryFailsWithSummary) {
  TempFolder dir;
  Reports r;
  EXPECT_FALSE(DirectoryCheck(dir.Path() + "nothere", true, r.Fn()));
  EXPECT_EQ(r.lines, (std::vector<std::string>{
                         "ERROR: Selected output directory has unexpected format",
                         "INFO: Output drive is valid", "WARNING: Output directory is invalid",
                         "INFO: Output drive is writeable",
                         "WARNING: Output directory is not writeable", dir.Path() + "nothere/"}));
}

TEST(DirectoryCheckTest, SingleEntryListingHoldsNoFiles) {
  Reports r;
  auto one_entry = [](std::string_view) { return std::vector<DirEntry>{{".", true, 0}}; };
  EXPECT_FALSE(DirectoryCheck("/mnt/root", true, r.Fn(), one_entry));
  EXPECT_EQ(r.lines, (std::vector<std::string>{
                         "ERROR: Selected output directory seems to hold no files",
                         "INFO: Output drive is valid", "WARNING: Output directory is invalid",
                         "INFO: Output drive is writeable", "/mnt/root/"}));
}

TEST(CheckOverwriteTest, RefusesToWriteOverTheInput) {
  TempFolder dir;
  const std::string input = dir.Write("a.htm", "a");
  std::vector<std::pair<std::string, int>> reports;
  auto report = [&](std::string_view m, int level) { reports.emplace_back(std::string(m), level); };

  EXPECT_TRUE(CheckOverwrite(input, dir.Path() + "a.txt", false, false, report));
  EXPECT_TRUE(CheckOverwrite(input, input, true, false, report));
  EXPECT_TRUE(CheckOverwrite(input, input, false, true, report));
  EXPECT_TRUE(reports.empty());

  EXPECT_FALSE(CheckOverwrite(input, dir.Path() + "sub/../A.HTM", false, false, report));
  EXPECT_EQ(reports, (std::vector<std::pair<std::string, int>>{
                         {"ERROR: Output file is overwriting input file - " + input, 10},
                         {"ERROR: Choose a different output directory", 10}}));

  // A link to the input is the input.
  std::filesystem::create_symlink(input, dir.Path() + "link.htm");
  EXPECT_FALSE(CheckOverwrite(input, dir.Path() + "link.htm", false, false, nullptr));
}

}  // namespace
}  // namespace orv
