// Tests of the text header and footer around the detag pass's text output:
// the built-in header, fragments from a fragments file or from the
// document itself, and a concatenated output that gets one header, rule
// lines between its inputs and the footer after the last one.
#include <gtest/gtest.h>

#include "convert/detag.h"
#include "support/orvtext_process.h"
#include "support/text_header.h"

namespace orv {
namespace {

using testing::ReadAll;

struct HeaderRun {
  TagCatalogue catalogue;
  DetagPass pass{catalogue};
  ASCIIFile output;
  std::vector<std::string> messages;

  HeaderRun() {
    pass.SetTimestampSource([] { return std::string("2026-03-04 05:06:07"); });
  }
  bool Convert(const std::string& input, const std::string& output_path,
               const DetagOptions& options, bool first = true, bool last = true) {
    DetagRequest request;
    request.input_path = input;
    request.output_path = output_path;
    request.first_of_output = first;
    request.last_of_output = last;
    return pass.ConvertFile(options, request, output,
                            [this](const std::string& m, int) { messages.push_back(m); });
  }
};

TEST(DetagHeaderTest, EveryTextOutputOpensWithTheBuiltInHeader) {
  testing::TempFolder dir;
  const std::string input =
      dir.Write("doc.htm", "<html><head><title>A\nshort   title</title></head><p>Body text.</p>\n");
  HeaderRun run;
  ASSERT_TRUE(run.Convert(input, dir.Path() + "doc.txt", DetagOptions{}));
  run.output.Close();
  // Body: "Body text." (10 + 2) + 520 = 532.
  EXPECT_EQ(ReadAll(dir.Path() + "doc.txt"),
            "/----------------------------------------------------------------------\\\n"
            "| Title        : A short title                                         |\n"
            "|                                                                      |\n"
            "| File name    : doc.txt                                               |\n"
            "| File size    : 532 bytes (approx)                                    |\n"
            "| Create date  : 2026-03-04 05:06:07                                   |\n"
            "\\----------------------------------------------------------------------/\n"
            "\n"
            "Body text.\n");

  // Markup removal writes HTML without a header.
  DetagOptions markup;
  markup.remove_all_tags = false;
  HeaderRun html;
  ASSERT_TRUE(html.Convert(input, dir.Path() + "doc.html", markup));
  html.output.Close();
  EXPECT_EQ(ReadAll(dir.Path() + "doc.html").substr(0, 6), "<html>");
}

TEST(DetagHeaderTest, FragmentsFileAndDocumentDefineHeaderAndFooter) {
  testing::TempFolder dir;
  dir.Write("frag.txt",
            "$_$_DEFINE_TEXT_FRAGMENT TEXT_HEADER\n"
            "[[TEXT_HEADER BOX_TOP]]\n"
            "[[TEXT_HEADER OUT_FILESIZE]]\n"
            "[[TEXT_HEADER BOX_BOTTOM]]\n"
            "$_$_END_BLOCK\n"
            "$_$_DEFINE_TEXT_FRAGMENT TEXT_FOOTER\n"
            "-- [[SOURCE_FILE]] --\n"
            "$_$_END_BLOCK\n");
  const std::string input = dir.Write("page.htm", "<p>Hello</p>\n");
  DetagOptions options;
  options.page_width = 40;
  options.fragments_file = "frag.txt";
  HeaderRun run;
  ASSERT_TRUE(run.Convert(input, dir.Path() + "page.txt", options));
  run.output.Close();
  // The footer counts towards the size: (5 + 2) + (14 + 2) + 520 = 543.
  EXPECT_EQ(ReadAll(dir.Path() + "page.txt"),
            "/--------------------------------------\\\n"
            "| File size    : 543 bytes (approx)    |\n"
            "\\--------------------------------------/\n"
            "Hello\n"
            "-- page.htm --\n");
  EXPECT_EQ(run.messages.front(), "INFO: Reading input file " + input);

  // A document's own definition beats the fragments file's, and its lines
  // stay out of the body, also under another directive delimiter.
  const std::string own = dir.Write("own.htm",
                                    "<p>Text</p>\n"
                                    "##define_text_fragment text_footer\n"
                                    "[[VERSION]]\n"
                                    "##END_BLOCK\n");
  options.directive_delimiter = "##";
  HeaderRun second;
  ASSERT_TRUE(second.Convert(own, dir.Path() + "own.txt", options));
  second.output.Close();
  const std::string text = ReadAll(dir.Path() + "own.txt");
  EXPECT_EQ(text.substr(text.find("Text\n")), "Text\n" + ProgramVersionText() + "\n");

  // A missing fragments file is reported and the built-in header used.
  options.fragments_file = "gone.txt";
  HeaderRun third;
  ASSERT_TRUE(third.Convert(input, dir.Path() + "page2.txt", options));
  third.output.Close();
  EXPECT_EQ(testing::Body(ReadAll(dir.Path() + "page2.txt")), "Hello\n");
  EXPECT_NE(
      std::find(third.messages.begin(), third.messages.end(), "ERROR: Can't find file gone.txt"),
      third.messages.end());
}

TEST(DetagHeaderTest, ConcatenatedOutputHasOneHeaderAndFooter) {
  testing::TempFolder dir;
  dir.Write("frag.txt", "$_$_DEFINE_TEXT_FRAGMENT TEXT_FOOTER\n(end)\n$_$_END_BLOCK\n");
  const std::string a = dir.Write("a.htm", "<p>alpha</p>\n");
  const std::string b = dir.Write("b.htm", "<p>beta</p>\n");
  const std::string c = dir.Write("c.htm", "<head><title>Third</title></head><p>gamma</p>\n");
  DetagOptions options;
  options.page_width = 30;
  options.fragments_file = "frag.txt";
  HeaderRun run;
  const std::string out = dir.Path() + "all.txt";
  ASSERT_TRUE(run.Convert(a, out, options, true, false));
  ASSERT_TRUE(run.Convert(b, out, options, false, false));
  ASSERT_TRUE(run.Convert(c, out, options, false, true));
  run.output.Close();
  const std::string rule(30, '-');
  // alpha 7, rule 32, beta 6, rule 32, gamma 7, (end) 7, + 520 = 611. At
  // this width the size and the date break, and continue under the label.
  EXPECT_EQ(ReadAll(out),
            "/----------------------------\\\n"
            "| Title        : Third       |\n"
            "|                            |\n"
            "| File name    : all.txt     |\n"
            "| File size    : 611 bytes   |\n"
            "|              : (approx)    |\n"
            "| Create date  : 2026-03-04  |\n"
            "|              : 05:06:07    |\n"
            "\\----------------------------/\n"
            "\n"
            "alpha\n" +
                rule + "\nbeta\n" + rule + "\ngamma\n(end)\n");
}

TEST(DetagHeaderTest, AnOutputClosedBeforeItsLastInputKeepsWhatWasConverted) {
  testing::TempFolder dir;
  const std::string a = dir.Write("a.htm", "<p>alpha</p>\n");
  HeaderRun run;
  const std::string out = dir.Path() + "all.txt";
  ASSERT_TRUE(run.Convert(a, out, DetagOptions{}, true, false));
  // The next input is missing: the batch stops and closes the output.
  EXPECT_FALSE(run.Convert(dir.Path() + "missing.htm", out, DetagOptions{}, false, false));
  run.output.Close();
  EXPECT_EQ(testing::Body(ReadAll(out)), "alpha\n" + std::string(72, '-') + "\n");
}

TEST(DetagHeaderTest, LineListOutputGetsTheHeaderToo) {
  testing::TempFolder dir;
  const std::string input = dir.Write("a.htm", "<p>one\n\n\ntwo</p>\n");
  TagCatalogue catalogue;
  DetagPass pass(catalogue);
  ASCIIFile output;
  std::vector<std::string> lines;
  DetagRequest request;
  request.input_path = input;
  request.output_path = dir.Path() + "a.txt";
  request.line_list = &lines;
  ASSERT_TRUE(pass.ConvertFile(DetagOptions{}, request, output, {}));
  // The header, its empty line, and the paragraph's source lines re-joined.
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines[0].substr(0, 2), "/-");
  EXPECT_EQ(lines[7], "");
  EXPECT_EQ(lines[8], "one two");
  EXPECT_EQ(pass.Info().size_text, "529 bytes (approx)");  // 7 + 2 + 520
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

// Policies may differ between the inputs of one output: text held from an
// input in text mode is written before an input in markup removal.
TEST(DetagHeaderTest, InputsKeepTheirOrderWhenTheModeChanges) {
  testing::TempFolder dir;
  const std::string a = dir.Write("a.htm", "<p>alpha</p>\n");
  const std::string b = dir.Write("b.htm", "<p>beta</p>\n");
  HeaderRun run;
  const std::string out = dir.Path() + "all.txt";
  DetagOptions markup;
  markup.remove_all_tags = false;
  ASSERT_TRUE(run.Convert(a, out, DetagOptions{}, true, false));
  ASSERT_TRUE(run.Convert(b, out, markup, false, true));
  run.output.Close();
  EXPECT_EQ(testing::Body(ReadAll(out)), "alpha\n" + std::string(72, '-') + "\n<p>beta</p>\n");
}

}  // namespace
}  // namespace orv
