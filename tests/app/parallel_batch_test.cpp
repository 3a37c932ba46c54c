// A batch converted on several threads shows the user exactly what one
// thread shows: the same outputs byte for byte, the same messages and log
// in batch order, the same exit status, and the batch stopping at the same
// failing file with no output for the files after it.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/orvtext_process.h"
#include "support/text_header.h"

namespace orv {
namespace {

using testing::MaskTimestamp;
using testing::ReadAll;
using testing::RunOrvtext;
using testing::RunResult;
using testing::TempFolder;

// A document of one of several kinds, so that files differ in length,
// tables, lists, alignment and links.
std::string Document(int i) {
  std::string html = "<html><head><title>Page " + std::to_string(i) + "</title></head><body>";
  for (int p = 0; p <= i % 7; ++p)
    html += "<p>Paragraph " + std::to_string(p) + " of page " + std::to_string(i) +
            " has some words to fill a line or two of text, and then a few more words.</p>\n";
  if (i % 3 == 0) html += "<center>Centred at the end of page " + std::to_string(i) + "</center>";
  if (i % 4 == 1) html += "<table><tr><td>a</td><td>b " + std::to_string(i) + "</td></tr></table>";
  if (i % 5 == 2) html += "<ul><li>one</li><li>two</li></ul><p align=right>right</p>";
  if (i % 6 == 3) html += "<a href=\"http://example.com/" + std::to_string(i) + "\">link</a>";
  return html + "</body></html>\n";
}

// Every file below `folder` (hidden ones too), by relative name, with its
// content, time stamps masked.
std::map<std::string, std::string> Files(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    files[std::filesystem::relative(entry.path(), folder).string()] =
        MaskTimestamp(ReadAll(entry.path().string()));
  }
  return files;
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

struct BatchRun {
  RunResult result;
  std::map<std::string, std::string> outputs;
};

// Converts the batch in `input` into a fresh folder `name` with `jobs`
// threads; "blocked" there is a folder where one output should go, so that
// file fails. Folder names are made alike so messages can be compared.
BatchRun Convert(const TempFolder& dir, const std::string& name, int jobs,
                 const std::vector<std::string>& extra) {
  dir.MakeFolder(name + "/p150.txt");
  const std::string log = dir.Path() + name + ".log";
  std::vector<std::string> arguments = {"in/*.htm", "-output=" + name + "/*.txt", "-log=" + log,
                                        "--jobs=" + std::to_string(jobs)};
  arguments.insert(arguments.end(), extra.begin(), extra.end());
  BatchRun run;
  run.result = RunOrvtext(dir, arguments);
  auto alike = [&](std::string text) {
    return Replace(Replace(text, name + ".log", "OUT.log"), name + "/", "OUT/");
  };
  run.result.err = alike(run.result.err);
  run.outputs = Files(dir.Path() + name);
  run.outputs["log"] = alike(ReadAll(log));
  return run;
}

// The first line where `a` and `b` differ, for a short failure message.
std::string FirstDifference(const std::string& a, const std::string& b) {
  size_t line_start = 0;
  for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
    if (a[i] != b[i])
      return "at byte " + std::to_string(i) + ": \"" + a.substr(line_start, 100) + "\" vs \"" +
             b.substr(line_start, 100) + "\"";
    if (a[i] == '\n') line_start = i + 1;
  }
  return a.size() == b.size()
             ? ""
             : "lengths " + std::to_string(a.size()) + " and " + std::to_string(b.size());
}

void ExpectSame(const BatchRun& one, const BatchRun& many) {
  EXPECT_EQ(one.result.status, many.result.status);
  EXPECT_EQ(one.result.out, many.result.out);
  EXPECT_EQ(FirstDifference(one.result.err, many.result.err), "");
  EXPECT_EQ(one.outputs.size(), many.outputs.size());
  for (const auto& [name, text] : one.outputs) {
    auto found = many.outputs.find(name);
    if (found == many.outputs.end()) {
      ADD_FAILURE() << name << " missing";
    } else {
      EXPECT_EQ(FirstDifference(text, found->second), "") << name;
    }
  }
  for (const auto& [name, text] : many.outputs)
    EXPECT_TRUE(one.outputs.contains(name)) << name << " only in the batch on several threads";
}

class ParallelBatchTest : public ::testing::TestWithParam<bool> {};

TEST_P(ParallelBatchTest, GivesWhatOneThreadGivesAndStopsAtTheSameFile) {
  const bool justify = GetParam();
  TempFolder dir;
  for (int i = 0; i < 300; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "in/p%03d.htm", i);
    dir.Write(name, Document(i));
  }
  std::vector<std::string> extra;
  if (justify) {
    // Justified lines flip a toggle that carries over from file to file.
    dir.Write("justify.pol", "Right justify the output text : yes\n");
    extra.push_back("justify.pol");
  }
  const BatchRun one = Convert(dir, "one", 1, extra);
  EXPECT_EQ(one.result.status, 1);
  // The files before the failing one are converted; none after it.
  EXPECT_TRUE(one.outputs.contains("p149.txt"));
  EXPECT_FALSE(one.outputs.contains("p151.txt"));
  EXPECT_NE(one.result.err.find("ERROR: Failed to complete output pass"), std::string::npos);
  for (int jobs : {2, 4}) {
    SCOPED_TRACE("--jobs=" + std::to_string(jobs));
    const std::string name = "many" + std::to_string(jobs);
    BatchRun many = Convert(dir, name, jobs, extra);
    ExpectSame(one, many);
  }
}

INSTANTIATE_TEST_SUITE_P(Batches, ParallelBatchTest, ::testing::Bool());

TEST(ParallelBatchJobsTest, AWholeBatchSucceedsAndAnIllegalJobsValueIsReported) {
  TempFolder dir;
  for (int i = 0; i < 40; ++i) dir.Write("in/d" + std::to_string(i) + ".htm", Document(i));
  dir.MakeFolder("out");
  RunResult r = RunOrvtext(dir, {"in/*.htm", "-output=out/*.txt", "--jobs=3"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Files(dir.Path() + "out").size(), 40u);
  r = RunOrvtext(dir, {"in/d1.htm", "--jobs=0"});
  EXPECT_NE(r.err.find("Illegal value for qualifier /JOBS : \"0\""), std::string::npos) << r.err;
  EXPECT_EQ(r.status, 0);
}

}  // namespace
}  // namespace orv
