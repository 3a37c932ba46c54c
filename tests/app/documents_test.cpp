// End to end: documents in tests/data/detag/ converted by the program as a
// user runs it, compared with expected output that was read and checked by
// hand. When a conversion rule changes, the expected file is re-read and
// re-checked, never regenerated blindly. The header's creation time is
// masked in the output; the expected files show it as kMaskedTime.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "support/orvtext_process.h"
#include "support/text_header.h"

namespace orv::testing {
namespace {

class DocumentTest : public ::testing::TestWithParam<const char*> {};

TEST_P(DocumentTest, ConvertsToTheCheckedText) {
  TempFolder folder;
  const std::string base = std::string(ORVTEXT_TEST_DATA) + "/detag/" + GetParam();
  folder.Write("page.htm", ReadAll(base + ".htm"));
  // A document may come with the policies it is converted under.
  std::vector<std::string> arguments{"page.htm"};
  if (std::ifstream(base + ".pol")) {
    folder.Write("page.pol", ReadAll(base + ".pol"));
    arguments.push_back("page.pol");
  }
  RunResult run = RunOrvtext(folder, arguments);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(MaskTimestamp(ReadAll(folder.Path() + "page.txt")),
            ReadAll(base + ".expected.txt"));
  EXPECT_NE(run.err.find("Processing : \"page.htm\""), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Documents, DocumentTest, ::testing::Values("listing", "entities", "utf16", "tables", "reading"));

}  // namespace
}  // namespace orv::testing
