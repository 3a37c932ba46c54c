// Tests of the text file object: output to a file, the console and a line
// list; reading through the stack of included files with its recursion
// check and switch limit; and the failure paths that must stay quiet.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/ascii_file.h"
#include "support/temp_folder.h"

namespace orv {
namespace {

using testing::ReadFile;

std::vector<std::string> ReadAll(ASCIIFile& file) {
  std::vector<std::string> lines;
  std::string line;
  while (file.ReadNextLine(line)) lines.push_back(line);
  return lines;
}

TEST(ASCIIFileTest, WritesFileWithMarkerAndReplacesExistingFile) {
  testing::TempFolder dir;
  const std::string path = dir.Write("out.txt", "old content that must go\n");
  ASCIIFile file;
  ASSERT_TRUE(file.OpenWrite(path));
  EXPECT_TRUE(file.WriteUtf8Marker());
  EXPECT_TRUE(file.WriteLine("first"));
  EXPECT_TRUE(file.WriteText("partial "));
  EXPECT_TRUE(file.WriteLine("second"));
  EXPECT_TRUE(file.WriteLine(std::string_view()));  // an empty view has no data pointer
  EXPECT_TRUE(file.WriteLines("third\n\nfifth\n"));
  file.Close();
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(ReadFile(path), "\xEF\xBB\xBF" "first\npartial second\n\nthird\n\nfifth\n");
}

TEST(ASCIIFileTest, ConsoleModeWritesToStreamAndCreatesNothing) {
  testing::TempFolder dir;
  std::ostringstream console;
  ASCIIFile file;
  file.SetConsoleStream(&console);
  ASSERT_TRUE(file.OpenWrite((dir.Path() + "never.txt"), /*console=*/true));
  EXPECT_TRUE(file.WriteLine("to the console"));
  file.Close();
  EXPECT_EQ(console.str(), "to the console\n");
  EXPECT_FALSE(std::filesystem::exists((dir.Path() + "never.txt")));
}

TEST(ASCIIFileTest, LineListCollectsAndReplaysLines) {
  std::vector<std::string> lines;
  ASCIIFile file;
  file.AttachLineList(&lines);
  EXPECT_TRUE(file.WriteLine("one"));
  EXPECT_TRUE(file.WriteLine("two"));
  EXPECT_TRUE(file.WriteLines("three\n\nfive\n"));  // a block becomes its lines
  EXPECT_FALSE(file.WriteUtf8Marker());  // no marker bytes in a line list
  EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "three", "", "five"}));
  file.AttachLineList(&lines);  // rewinds
  EXPECT_EQ(ReadAll(file), lines);
}

TEST(ASCIIFileTest, FailuresAreQuiet) {
  testing::TempFolder dir;
  const std::string blocker = dir.Write("blocker", "x");
  ASCIIFile file;
  file.Close();  // closing what is not open does nothing
  EXPECT_FALSE(file.OpenWrite(blocker + "/out.txt"));  // parent is a regular file
  EXPECT_FALSE(file.IsOpen());
  EXPECT_FALSE(file.WriteLine("ignored"));
  EXPECT_FALSE(file.WriteText("ignored"));
  std::string line;
  EXPECT_FALSE(file.ReadNextLine(line));
  EXPECT_FALSE(file.OpenRead((dir.Path() + "missing.pol")));

  // A stream that fails while being written: every write is refused or
  // ignored, nothing crashes.
  if (std::filesystem::exists("/dev/full")) {
    ASCIIFile full;
    ASSERT_TRUE(full.OpenWrite("/dev/full"));
    bool any_refused = false;
    const std::string long_line(4096, 'x');
    for (int i = 0; i < 200; ++i) any_refused |= !full.WriteLine(long_line);
    EXPECT_TRUE(any_refused);
    full.Close();
  }
}

TEST(ASCIIFileTest, ReadsLinesAcceptingCrLfAndLongLinesUpToTheLimit) {
  testing::TempFolder dir;
  const std::string long_line(ASCIIFile::kMaxLineLength, 'a');
  const std::string too_long(ASCIIFile::kMaxLineLength + 1, 'b');
  const std::string path =
      dir.Write("in.txt", "dos\r\nunix\n\n" + long_line + "\n" + too_long + "\r\nlast");
  ASCIIFile file;
  ASSERT_TRUE(file.OpenRead(path));
  std::vector<std::string> lines;
  std::vector<bool> refused;
  std::string line;
  while (file.ReadNextLine(line)) {
    lines.push_back(line);
    refused.push_back(file.LastLineTooLong());
  }
  // The line over the limit is read past but handed back empty.
  EXPECT_EQ(lines, (std::vector<std::string>{"dos", "unix", "", long_line, "", "last"}));
  EXPECT_EQ(refused, (std::vector<bool>{false, false, false, false, true, false}));
}

TEST(ASCIIFileTest, IncludedFileIsReadInPlaceAndRecursionRefused) {
  testing::TempFolder dir;
  const std::string main_path = dir.Write("main.pol", "a\nINCLUDE\nb\n");
  const std::string inc_path = dir.Write("inc.pol", "i1\ni2\n");
  ASCIIFile file;
  ASSERT_TRUE(file.OpenRead(main_path));
  std::vector<std::string> lines;
  std::string line;
  while (file.ReadNextLine(line)) {
    lines.push_back(line);
    if (line == "INCLUDE") {
      EXPECT_TRUE(file.OpenInclude(inc_path));
      EXPECT_FALSE(file.OpenInclude(inc_path));   // already open: recursion
      EXPECT_FALSE(file.OpenInclude(main_path));  // includes its includer
      EXPECT_TRUE(file.IsOnStack(main_path));
      EXPECT_EQ(file.Depth(), 2u);
    }
  }
  EXPECT_EQ(lines, (std::vector<std::string>{"a", "INCLUDE", "i1", "i2", "b"}));
}

TEST(ASCIIFileTest, AtMostTenFilesInARowBySwitching) {
  testing::TempFolder dir;
  std::vector<std::string> paths;
  for (int i = 0; i < 11; ++i)
    paths.push_back(dir.Write("f" + std::to_string(i) + ".pol", "line" + std::to_string(i) + "\n"));
  ASCIIFile file;
  ASSERT_TRUE(file.OpenRead(paths[0]));
  std::string line;
  int files_read = 0;
  for (int i = 1; i <= 10; ++i) {
    ASSERT_TRUE(file.ReadNextLine(line));
    EXPECT_EQ(line, "line" + std::to_string(i - 1));
    ++files_read;
    bool switched = file.SwitchTo(paths[i]);
    EXPECT_EQ(switched, i <= ASCIIFile::kMaxSwitches) << i;
    if (!switched) break;
  }
  EXPECT_EQ(files_read, 10);
  EXPECT_FALSE(file.IsOpen());  // the refused switch closed the current file
  EXPECT_FALSE(file.ReadNextLine(line));
}

}  // namespace
}  // namespace orv
