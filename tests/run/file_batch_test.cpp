// Tests of the file parameters, the wildcard search and the expansion into
// the batch, on a real folder tree.
#include "run/file_batch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "run/context.h"
#include "support/temp_folder.h"

namespace orv {
namespace {

using testing::TempFolder;

TEST(NameMatchesTest, WildcardsAndCase) {
  struct Case {
    std::string_view pattern, name;
    bool matches;
  } cases[] = {
      {"*.htm", "a.htm", true},
      {"*.HTM", "page.htm", true},
      {"*.htm", "a.html", false},
      {"a.htm", "xa.htm", false},
      {"a.htm", "a.htmx", false},
      {"a%c.txt", "abc.txt", true},
      {"a%c.txt", "ac.txt", false},
      {"*", "anything", true},
      {"*", "", true},
      {"%", "", false},
      {"a*b*c", "aXbYbZc", true},
      {"a*b*c", "aXbYbZ", false},
      {"*.*", "noext", false},
      {"*~1.htm", "page.htm", false},
      {"*~1.htm", "PAGE~1.HTM", true},
      {"\xe9.htm", "\xc9.htm", false},
      // Characters that the pattern language treats specially are plain in
      // a file name.
      {"what?.htm", "what?.htm", true},
      {"what?.htm", "what.htm", false},
      {"a|b", "a|b", true},
      {"a|b", "ab", false},
      {"*|%", "x|y", true},
      {"n*t", "nxt", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(NameMatches(c.pattern, c.name), c.matches) << c.pattern << " / " << c.name;
}

// A tree with files at several levels, an empty file, a hidden file and
// folder, and a folder whose name looks like a matching file.
class FileTreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = dir_.Path();
    dir_.Write("b.htm", "b");
    dir_.Write("a.htm", "a");
    dir_.Write("t.htm", "t");
    dir_.Write("notes.txt", "n");
    dir_.Write("empty.htm", "");
    dir_.Write(".hidden.htm", "h");
    dir_.Write("sub/c.htm", "c");
    dir_.Write("sub/deeper/d.HTM", "d");
    dir_.Write("sub/deeper/blank.htm", "");
    dir_.Write(".git/x.htm", "x");
    dir_.MakeFolder("folder.htm");
  }
  TempFolder dir_;
  std::string root_;
};

TEST_F(FileTreeTest, TopLevelOnlyWithoutSubfolders) {
  MatchResult m = FindMatches(root_ + "*.htm", false);
  EXPECT_EQ(m.paths, (std::vector<std::string>{root_ + ".hidden.htm", root_ + "a.htm",
                                               root_ + "b.htm", root_ + "t.htm"}));
  EXPECT_EQ(m.empty_files, (std::vector<std::string>{root_ + "empty.htm"}));
}

TEST_F(FileTreeTest, SubfoldersGiveOneListSortedByFullPath) {
  MatchResult m = FindMatches(root_ + "*.htm", true);
  // sub/... sorts before t.htm: one list over all levels, not level by level.
  EXPECT_EQ(m.paths, (std::vector<std::string>{root_ + ".hidden.htm", root_ + "a.htm",
                                               root_ + "b.htm", root_ + "sub/c.htm",
                                               root_ + "sub/deeper/d.HTM", root_ + "t.htm"}));
  EXPECT_EQ(m.empty_files,
            (std::vector<std::string>{root_ + "empty.htm", root_ + "sub/deeper/blank.htm"}));
}

TEST_F(FileTreeTest, LinkLoopDoesNotMakeTheSearchEndless) {
  std::filesystem::create_directory_symlink(root_, root_ + "sub/loop");
  MatchResult m = FindMatches(root_ + "c.htm", true);
  EXPECT_EQ(m.paths, (std::vector<std::string>{root_ + "sub/c.htm"}));
}

TEST_F(FileTreeTest, ExpansionWarnsAboutEmptyFilesAndFillsFourLists) {
  FileBatch batch;
  std::vector<std::pair<std::string, int>> reports;
  auto report = [&](std::string_view message, int level) {
    reports.emplace_back(std::string(message), level);
  };
  EXPECT_EQ(ExpandFileSpec(root_ + "*.htm", "p.pol", false, batch, report), 4u);
  ASSERT_EQ(batch.Size(), 4u);
  EXPECT_EQ(batch.paths[1], root_ + "a.htm");
  EXPECT_EQ(batch.specs[1], root_ + "*.htm");
  EXPECT_EQ(batch.policy_files[1], "p.pol");
  EXPECT_EQ(batch.spares[1], "");
  EXPECT_EQ(reports, (std::vector<std::pair<std::string, int>>{
                         {"WARNING: File is empty " + root_ + "empty.htm", 7}}));
}

TEST_F(FileTreeTest, WildcardMatchingOnlyEmptyFilesAddsNothing) {
  dir_.Write("e1.dat", "");
  dir_.Write("e2.dat", "");
  FileBatch batch;
  std::vector<std::string> warnings;
  auto report = [&](std::string_view message, int) { warnings.emplace_back(message); };
  EXPECT_EQ(ExpandFileSpec(root_ + "*.dat", "", false, batch, report), 0u);
  EXPECT_TRUE(batch.Empty());
  EXPECT_EQ(warnings, (std::vector<std::string>{"WARNING: File is empty " + root_ + "e1.dat",
                                                "WARNING: File is empty " + root_ + "e2.dat"}));
}

TEST_F(FileTreeTest, QuotedListJoinsTheDirectoryOnlyToRelativeNames) {
  TempFolder other;
  const std::string elsewhere = other.Write("far.htm", "f");
  FileBatch batch;
  const std::string spec = root_ + "\"a.htm\" \"sub/c.htm\" \"" + elsewhere + "\" \"missing.htm\"";
  EXPECT_EQ(ExpandFileSpec(spec, "", false, batch, nullptr), 3u);
  EXPECT_EQ(batch.paths,
            (std::vector<std::string>{root_ + "a.htm", root_ + "sub/c.htm", elsewhere}));
}

TEST_F(FileTreeTest, ContextExpansionUsesItsSubfolderFlagAndSink) {
  Context context;
  std::ostringstream out, err;
  context.Sink().SetStreams(&out, &err);
  context.Qualifiers().subfolders = true;
  ExpandFileSpec(root_ + "*.htm", "", context);
  EXPECT_EQ(context.Batch().Size(), 6u);
  EXPECT_NE(err.str().find("WARNING: File is empty " + root_ + "sub/deeper/blank.htm"),
            std::string::npos);
}

struct Box {
  std::vector<std::string> lines;
  MessageBoxFn Fn() {
    return [this](std::string_view caption, std::string_view text) {
      lines.push_back(std::string(caption) + ": " + std::string(text));
    };
  }
};

TEST_F(FileTreeTest, FileParametersBuildTheSelection) {
  FileSelection selection;
  Box box;
  EXPECT_EQ(HandleFileParameter("rules.POL", selection, false, box.Fn(), root_),
            FileParameterKind::kPolicyFile);
  EXPECT_EQ(selection.policy_file_path, "rules.POL");
  EXPECT_EQ(HandleFileParameter("list@x", selection, false, box.Fn(), root_),
            FileParameterKind::kSteering);
  EXPECT_EQ(HandleFileParameter("nothing*.zz", selection, false, box.Fn(), root_),
            FileParameterKind::kNotFound);
  EXPECT_EQ(box.lines, (std::vector<std::string>{
                           "File selection error: Steering files not yet supported",
                           "File selection error: Unable to locate file \"nothing*.zz\""}));
  EXPECT_TRUE(selection.input_spec.empty());

  EXPECT_EQ(HandleFileParameter("./sub/../*.htm", selection, false, box.Fn(), root_),
            FileParameterKind::kInput);
  EXPECT_EQ(selection.input_spec, "*.htm");
  EXPECT_EQ(selection.input_directory, root_);
  EXPECT_EQ(selection.output_directory, root_);

  TempFolder other;
  const std::string elsewhere = other.Write("far.htm", "f");
  HandleFileParameter("sub/c.htm", selection, false, box.Fn(), root_);
  HandleFileParameter(elsewhere, selection, false, box.Fn(), root_);
  EXPECT_EQ(selection.input_spec, "\"*.htm\" \"sub/c.htm\" \"" + elsewhere + "\"");

  // The list expands to every named file; none is silently skipped.
  FileBatch batch;
  ExpandFileSpec(selection.input_directory + selection.input_spec, "", false, batch, nullptr);
  EXPECT_EQ(batch.Size(), 6u);
}

TEST_F(FileTreeTest, ParameterMatchingOnlyEmptyFilesIsWarnedAbout) {
  FileSelection selection;
  Box box;
  std::vector<std::string> warnings;
  auto report = [&](std::string_view message, int) { warnings.emplace_back(message); };
  EXPECT_EQ(HandleFileParameter("empty.htm", selection, false, box.Fn(), root_, report),
            FileParameterKind::kNotFound);
  EXPECT_EQ(warnings, (std::vector<std::string>{"WARNING: File is empty " + root_ + "empty.htm"}));
  EXPECT_EQ(box.lines.size(), 1u);
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

// A plain name is looked up directly; what it finds is what the listing
// found: the file under its own name, a name that differs only in case,
// nothing for a folder, an empty file set apart.
TEST(PlainNameTest, FindsWhatTheListingFinds) {
  TempFolder dir;
  dir.Write("Page.htm", "<p>x</p>");
  dir.Write("empty.htm", "");
  dir.MakeFolder("folder.htm");
  EXPECT_EQ(FindMatches(dir.Path() + "Page.htm", false).paths,
            std::vector<std::string>{dir.Path() + "Page.htm"});
  EXPECT_EQ(FindMatches(dir.Path() + "PAGE.HTM", false).paths,
            std::vector<std::string>{dir.Path() + "Page.htm"});
  EXPECT_TRUE(FindMatches(dir.Path() + "folder.htm", false).paths.empty());
  MatchResult empty = FindMatches(dir.Path() + "empty.htm", false);
  EXPECT_TRUE(empty.paths.empty());
  EXPECT_EQ(empty.empty_files, std::vector<std::string>{dir.Path() + "empty.htm"});
  EXPECT_TRUE(FindMatches(dir.Path() + "missing.htm", false).paths.empty());
}

// Standard input is one document, named for messages and the header; it
// cannot share the run with files.
TEST(PlainNameTest, DashSelectsStandardInput) {
  TempFolder dir;
  dir.Write("a.htm", "<p>x</p>");
  FileSelection selection;
  std::string box;
  auto message_box = [&box](std::string_view, std::string_view text) { box = text; };
  EXPECT_EQ(HandleFileParameter("-", selection, false, message_box, dir.Path()),
            FileParameterKind::kStandardInput);
  EXPECT_TRUE(selection.standard_input);
  EXPECT_EQ(selection.input_spec, kStandardInputName);
  EXPECT_EQ(selection.input_directory, dir.Path());
  EXPECT_EQ(HandleFileParameter("a.htm", selection, false, message_box, dir.Path()),
            FileParameterKind::kNotFound);
  EXPECT_EQ(box, "Standard input (-) cannot be mixed with input files");
  EXPECT_EQ(selection.input_spec, kStandardInputName);
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

// A wildcard is listed once: what the file parameter found is what the
// run's expansion takes, without listing the folder again.
TEST(PlainNameTest, AWildcardIsListedOnce) {
  TempFolder dir;
  dir.Write("a.htm", "<p>a</p>");
  FileSelection selection;
  ASSERT_EQ(HandleFileParameter("*.htm", selection, false, nullptr, dir.Path()),
            FileParameterKind::kInput);
  ASSERT_TRUE(selection.found.contains(dir.Path() + "*.htm"));
  // A file that comes after the listing is not seen: the listing is used.
  dir.Write("b.htm", "<p>b</p>");
  FileBatch batch;
  EXPECT_EQ(ExpandFileSpec(dir.Path() + "*.htm", "", false, batch, nullptr, &selection.found), 1u);
  EXPECT_EQ(batch.paths, std::vector<std::string>{dir.Path() + "a.htm"});
  // A plain name keeps no listing.
  EXPECT_EQ(HandleFileParameter("b.htm", selection, false, nullptr, dir.Path()),
            FileParameterKind::kInput);
  EXPECT_FALSE(selection.found.contains(dir.Path() + "b.htm"));
}

}  // namespace
}  // namespace orv
