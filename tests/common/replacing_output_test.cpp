// An output written with replacement appears only when complete: until
// Close the destination keeps what it held, a failed or discarded output
// leaves it as it was, and no temporary file is left behind either way.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/ascii_file.h"
#include "common/temporary_files.h"
#include "support/temp_folder.h"

namespace orv {
namespace {

using testing::ReadFile;

// The names in `folder`, hidden ones included.
std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(ReplacingOutputTest, DestinationChangesOnlyWhenTheOutputIsComplete) {
  testing::TempFolder dir;
  const std::string path = dir.Write("out.txt", "old\n");
  chmod(path.c_str(), 0640);
  ASCIIFile file;
  file.SetReplaceWhenComplete(true);
  ASSERT_TRUE(file.OpenWrite(path));
  EXPECT_EQ(file.CurrentName(), path);
  EXPECT_TRUE(file.WriteLine("new"));
  EXPECT_EQ(ReadFile(path), "old\n");
  EXPECT_EQ(Names(dir.Path()).size(), 2u);  // the output and its temporary file
  file.Close();
  EXPECT_TRUE(file.Replaced());
  EXPECT_EQ(ReadFile(path), "new\n");
  EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"out.txt"});
  struct stat info;
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);  // the replaced file's permissions stay
}

TEST(ReplacingOutputTest, DiscardedAndAbandonedOutputsLeaveTheDestinationAlone) {
  testing::TempFolder dir;
  const std::string path = dir.Write("out.txt", "old\n");
  {
    ASCIIFile file;
    file.SetReplaceWhenComplete(true);
    ASSERT_TRUE(file.OpenWrite(path));
    file.WriteLine("half");
    file.Discard();
    EXPECT_FALSE(file.Replaced());
  }
  {
    ASCIIFile file;  // goes out of scope without Close: not complete
    file.SetReplaceWhenComplete(true);
    ASSERT_TRUE(file.OpenWrite(path));
    file.WriteLine("half");
  }
  EXPECT_EQ(ReadFile(path), "old\n");
  EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"out.txt"});
  // A new output that is discarded leaves nothing at all.
  const std::string fresh = dir.Path() + "fresh.txt";
  ASCIIFile file;
  file.SetReplaceWhenComplete(true);
  ASSERT_TRUE(file.OpenWrite(fresh));
  file.Discard();
  EXPECT_FALSE(std::filesystem::exists(fresh));
  EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"out.txt"});
}

TEST(ReplacingOutputTest, ALinkStaysALinkAndAMissingFolderFails) {
  testing::TempFolder dir;
  const std::string target = dir.Write("real/target.txt", "old\n");
  const std::string link = dir.Path() + "link.txt";
  ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
  ASCIIFile file;
  file.SetReplaceWhenComplete(true);
  ASSERT_TRUE(file.OpenWrite(link));
  file.WriteLine("new");
  file.Close();
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(ReadFile(target), "new\n");
  EXPECT_EQ(Names(dir.Path() + "real"), std::vector<std::string>{"target.txt"});

  EXPECT_FALSE(file.OpenWrite(dir.Path() + "missing/out.txt"));
  EXPECT_FALSE(file.IsOpen());
}

TEST(ReplacingOutputTest, ListedTemporaryFilesAreRemovedOnRequest) {
  testing::TempFolder dir;
  const std::string path = dir.Path() + "out.txt";
  ASCIIFile file;
  file.SetReplaceWhenComplete(true);
  ASSERT_TRUE(file.OpenWrite(path));
  file.WriteLine("text");
  ASSERT_EQ(Names(dir.Path()).size(), 1u);
  // What the signal handler does.
  RemoveListedTemporaryFiles();
  EXPECT_TRUE(Names(dir.Path()).empty());
  file.Close();  // the rename finds no file: nothing appears
  EXPECT_FALSE(file.Replaced());
  EXPECT_TRUE(Names(dir.Path()).empty());
}

}  // namespace
}  // namespace orv
