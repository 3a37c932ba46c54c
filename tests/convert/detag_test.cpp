// Tests of the detag pass on whole files: documents in tests/data/detag/
// converted and compared with expected output that was read and checked by
// hand, the per-file refusals and messages, and hostile inputs that must
// convert without losing text.
#include "convert/detag.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <stdexcept>
#include <sstream>

#include "support/temp_folder.h"
#include "support/text_header.h"
#include "textout/converted_text.h"

namespace orv {
namespace {

using testing::Body;

using testing::ReadFile;

struct Conversion {
  bool ok = false;
  std::string output;
  std::vector<std::string> messages;
};

Conversion Convert(const std::string& input, const std::string& output_path,
                   DetagOptions options = {}, DetagRequest request = {}) {
  TagCatalogue catalogue;
  DetagPass pass(catalogue);
  ASCIIFile output;
  request.input_path = input;
  request.output_path = output_path;
  Conversion result;
  result.ok = pass.ConvertFile(options, request, output,
                               [&](const std::string& m, int) { result.messages.push_back(m); });
  output.Close();
  result.output = ReadFile(output_path);
  return result;
}

TEST(DetagTest, ReportsItsStepsAndMayRewriteItsInputWhenAllowed) {
  testing::TempFolder dir;
  const std::string input = dir.Write("a.htm", "<p>text</p>\n");
  Conversion converted = Convert(input, (dir.Path() + "a.txt"));
  EXPECT_TRUE(converted.ok);
  EXPECT_EQ(converted.messages,
            (std::vector<std::string>{"INFO: Reading input file " + input,
                                      "INFO: Removing all remaining tags",
                                      "INFO: Reinserting line/paragraph markers",
                                      "INFO: Creating output file " + (dir.Path() + "a.txt")}));

  DetagOptions markup_removal;
  markup_removal.remove_all_tags = false;
  DetagRequest allowed;
  allowed.overwrite_allowed = true;
  Conversion overwritten = Convert(input, input, markup_removal, allowed);
  EXPECT_TRUE(overwritten.ok);
  EXPECT_EQ(ReadFile(input), "<p>text</p>\n");  // markup removal with nothing selected
}

TEST(DetagTest, OpenFailuresAreReported) {
  testing::TempFolder dir;
  Conversion missing = Convert((dir.Path() + "missing.htm"), (dir.Path() + "missing.txt"));
  EXPECT_FALSE(missing.ok);
  EXPECT_EQ(missing.messages,
            std::vector<std::string>{"ERROR: Error opening " + (dir.Path() + "missing.htm")});

  const std::string input = dir.Write("b.htm", "text\n");
  const std::string blocker = dir.Write("blocker", "x");
  Conversion unwritable = Convert(input, blocker + "/b.txt");
  EXPECT_FALSE(unwritable.ok);
  EXPECT_EQ(unwritable.messages.back(), "ERROR: Error opening " + blocker + "/b.txt");
}

TEST(DetagTest, UnicodeOutputGetsMarkerWhenAllowed) {
  testing::TempFolder dir;
  const std::string input = dir.Write("u.htm", "&euro; 5\n");
  DetagOptions options;
  options.may_add_unicode_marker = true;
  Conversion result = Convert(input, (dir.Path() + "u.txt"), options);
  EXPECT_EQ(Body(result.output), "\xEF\xBB\xBF\xE2\x82\xAC 5\n");
  EXPECT_NE(std::find(result.messages.begin(), result.messages.end(),
                      "WARNING: Unicode text detected.  Inserting UTF-8 file marker"),
            result.messages.end());
}

// Text output is UTF-8 whatever the input: 8-bit values from entities and
// a Western document's own bytes are written as their UTF-8 characters, a
// document in another declared set is decoded from it, and the marker comes
// only with characters beyond 8 bits, as before.
TEST(DetagTest, TextOutputIsAlwaysUtf8) {
  testing::TempFolder dir;
  DetagOptions options;
  options.may_add_unicode_marker = true;
  const std::string western =
      dir.Write("w.htm", "<p>&pound;12, caf\xE9 or &euro;14 &copy; \x93q\x94</p>\n");
  EXPECT_EQ(Body(Convert(western, dir.Path() + "w.txt", options).output),
            "\xEF\xBB\xBF\xC2\xA3" "12, caf\xC3\xA9 or \xE2\x82\xAC" "14 \xC2\xA9 "
            "\xE2\x80\x9Cq\xE2\x80\x9D\n");
  // Without an entity beyond 8 bits: UTF-8 too, without the marker.
  const std::string plain = dir.Write("p.htm", "<p>&pound;12, caf\xE9</p>\n");
  EXPECT_EQ(Body(Convert(plain, dir.Path() + "p.txt", options).output),
            "\xC2\xA3" "12, caf\xC3\xA9\n");
  // A UTF-8 document keeps its sequences; its 8-bit entity values are UTF-8.
  const std::string utf8 = dir.Write(
      "u.htm", "<meta charset=\"utf-8\"><p>caf\xC3\xA9 &pound;1 &euro;2</p>\n");
  EXPECT_EQ(Body(Convert(utf8, dir.Path() + "u.txt", options).output),
            "\xEF\xBB\xBF" "caf\xC3\xA9 \xC2\xA3" "1 \xE2\x82\xAC" "2\n");
  const std::string utf8_only = dir.Write(
      "v.htm", "<meta charset=\"UTF-8\"><p>caf\xC3\xA9 &pound;1</p>\n");
  EXPECT_EQ(Body(Convert(utf8_only, dir.Path() + "v.txt", options).output),
            "caf\xC3\xA9 \xC2\xA3" "1\n");
  // Declared windows-1251 is decoded: "\xCF\xF0\xE8" is "При".
  const std::string cyrillic = dir.Write(
      "c.htm", "<meta charset=\"windows-1251\"><p>\xCF\xF0\xE8 &euro;2</p>\n");
  EXPECT_EQ(Body(Convert(cyrillic, dir.Path() + "c.txt", options).output),
            "\xEF\xBB\xBF\xD0\x9F\xD1\x80\xD0\xB8 \xE2\x82\xAC" "2\n");
}

TEST(DetagTest, EllipsisRuleLeavesUtf8FromSixteenBitInputAlone) {
  testing::TempFolder dir;
  // "\u00c5" is C3 85 in UTF-8; 85 hex is 133, the Windows ellipsis byte.
  const std::string input = dir.Write("a.htm", std::string("\xFF\xFE\xC5\x00\n\x00", 6));
  EXPECT_EQ(Body(Convert(input, (dir.Path() + "a.txt")).output), "\xC3\x85\n");
  const std::string latin = dir.Write("b.htm", "wait\x85\n");
  EXPECT_EQ(Body(Convert(latin, (dir.Path() + "b.txt")).output), "wait...\n");
}

// Inputs that are not HTML at all still convert, keep their text, and end.
std::string WithoutBlanks(const std::string& text) {
  std::string out;
  for (char c : text)
    if (c != ' ' && c != '\n') out += c;
  return out;
}

TEST(DetagTest, HostileInputsKeepTheirText) {
  testing::TempFolder dir;
  struct Case {
    const char* name;
    std::string content;
    std::string expected;
  };
  const std::string lts(200000, '<');
  std::string prose = "<";
  while (prose.size() < 300000) prose += "plain words without a closing bracket\n";
  std::string ops;
  while (ops.size() < 100000) ops += "if (a << 2 < b && c <= d) x <<= 1;\n";
  const Case cases[] = {
      {"lt-only", lts, lts + "\n"},
      // Every "<" but the last is followed by "<" and rejected; the last
      // "<" and the ">" form an empty tag, which is removed.
      {"lt-then-gt", lts + ">", std::string(lts.size() - 1, '<') + "\n"},
      {"open-no-close", prose, prose},
      {"shift-ops", ops, ops},
      {"nul", std::string(1000, '\0'), ""},
      {"empty", "", ""},
  };
  for (const Case& c : cases) {
    const std::string input = dir.Write(std::string(c.name) + ".htm", c.content);
    Conversion result = Convert(input, (dir.Path() + std::string(c.name) + ".txt"));
    EXPECT_TRUE(result.ok) << c.name;
    // The layout wraps and joins lines; what must hold is that no character
    // of the text is lost or added.
    EXPECT_EQ(WithoutBlanks(Body(result.output)), WithoutBlanks(c.expected)) << c.name;
  }
}

// Widths written in a page (a table's, a cell's, a rule's, in pixels or in
// percent) are no wider than the widest page: a few rows of a
// "width=900000000%" table once made lines of fifty million blanks.
TEST(DetagTest, WidthsInThePageAreBounded) {
  testing::TempFolder dir;
  const std::string input = dir.Write(
      "wide.htm",
      "<table><tr><th colspan=6 width=55552222>a</th><th width=\"90000000%\">b</th></tr>"
      "<tr><td width=99999999>c</td><td>d</td></tr></table>\n"
      "<table width=\"900000000%\"><tr><td><table width=\"999999999\"><tr><td>e</td></tr>"
      "</table></td></tr></table><hr width=\"999999999\">\n");
  Conversion result = Convert(input, dir.Path() + "wide.txt");
  ASSERT_TRUE(result.ok);
  size_t widest = 0;
  for (size_t from = 0; from < result.output.size();) {
    size_t end = result.output.find('\n', from);
    if (end == std::string::npos) end = result.output.size();
    widest = std::max(widest, end - from);
    from = end + 1;
  }
  EXPECT_LE(widest, static_cast<size_t>(kMaxOutputColumns) + 100);
  EXPECT_EQ(WithoutBlanks(Body(result.output)).find_first_not_of("|+-=abcde"), std::string::npos);
}

TEST(DetagTest, LongLineAndChunkedDocument) {
  testing::TempFolder dir;
  std::string line;
  while (line.size() < 1000000) line += "word <b>bold</b> ";
  const std::string input = dir.Write("long.htm", line + "\n");
  Conversion result = Convert(input, (dir.Path() + "long.txt"));
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.output.find('<'), std::string::npos);
  EXPECT_EQ(Body(result.output).substr(0, 17), "word *bold* word ");

  // 450000 bytes convert in three chunks, and the title comes from the first.
  std::string doc = "<html><head><title>Chunked</title></head><body>\n";
  while (doc.size() < 450000) doc += "<p>A paragraph of ordinary text, long enough to count.</p>\n";
  const std::string big = dir.Write("big.htm", doc);
  TagCatalogue catalogue;
  DetagPass pass(catalogue);
  ASCIIFile output;
  DetagRequest request;
  request.input_path = big;
  request.output_path = (dir.Path() + "big.txt");
  std::vector<std::string> messages;
  ASSERT_TRUE(pass.ConvertFile(DetagOptions{}, request, output,
                               [&](const std::string& m, int) { messages.push_back(m); }));
  EXPECT_EQ(pass.Info().title, "Chunked");
  EXPECT_NE(std::find(messages.begin(), messages.end(), "INFO: Processing chunk #2 "),
            messages.end());
  EXPECT_NE(std::find(messages.begin(), messages.end(), "INFO: Processing chunk #3 "),
            messages.end());
  EXPECT_EQ(std::find(messages.begin(), messages.end(), "INFO: Processing chunk #4 "),
            messages.end());
}

// A large document runs the two stages of its chunk pass side by side; the
// text, the numbered references, the messages and the fragment definitions
// met on the way must come out exactly as one thread gives them.
// Converts `input` into `dir`/big.txt with the chunk-pass stages side by
// side or one after the other, with a fixed time stamp.
Conversion ConvertLarge(const std::string& input, const std::string& dir, bool side_by_side) {
  TagCatalogue catalogue;
  DetagPass pass(catalogue);
  pass.SetSideBySideStages(side_by_side);
  pass.SetTimestampSource([] { return std::string("2026-01-01 00:00:00"); });
  ASCIIFile output;
  DetagRequest request;
  request.input_path = input;
  request.output_path = dir + "big.txt";
  Conversion result;
  result.ok = pass.ConvertFile(DetagOptions{}, request, output,
                               [&](const std::string& m, int) { result.messages.push_back(m); });
  output.Close();
  result.output = ReadFile(request.output_path);
  return result;
}

TEST(DetagTest, SideBySideStagesGiveTheSameConversion) {
  testing::TempFolder dir;
  std::string doc =
      "<html><head><title>Side by side</title><meta name=\"author\" content=\"A. Writer\">"
      "</head><body>\n";
  for (int n = 0; doc.size() < 1500000; ++n) {
    const std::string k = std::to_string(n);
    doc += "<h2>Part " + k + "</h2>\n<p>Text with <a href=\"http://example.com/" + k + "\">link " +
           k + "</a> and <b>bold</b> &amp; <!-- a comment\nover two lines --> more.</p>\n";
    doc += "<ul><li>item " + k + "</li><li>second<br>line</li></ul>\n";
    if (n % 7 == 0) doc += "<script>var x = '<p>';</script><style>p {}</style>\n";
    if (n % 11 == 0) doc += "<table><tr><td>cell " + k + "</td><td>more</td></tr></table>\n";
    if (n % 13 == 0) doc += "<pre>  kept   as it is\n</pre><blockquote>quoted</blockquote>\n";
    if (n % 97 == 0)  // the last definition of the footer wins
      doc += "$_$_DEFINE_TEXT_FRAGMENT TEXT_FOOTER\nfooter " + k + "\n$_$_END_BLOCK\n";
    if (n % 101 == 0) doc += "</ol></ul>\n";  // an unbalanced end, reported
    if (n % 1009 == 500) {  // a table across chunks, with a table inside
      doc += "<table border=1>\n";
      for (int row = 0; row < 3000; ++row)
        doc += "<tr><td>row " + std::to_string(row) + "</td><td>" +
               (row == 1500 ? "<table><tr><td>in</td></tr></table>" : "x") + "</td></tr>\n";
      doc += "</table>\n";
    }
  }
  const std::string input = dir.Write("big.htm", doc);
  const Conversion one = ConvertLarge(input, dir.Path(), false);
  const Conversion two = ConvertLarge(input, dir.Path(), true);
  ASSERT_TRUE(one.ok);
  ASSERT_TRUE(two.ok);
  EXPECT_NE(std::find(one.messages.begin(), one.messages.end(), "INFO: Processing chunk #7 "),
            one.messages.end());
  EXPECT_NE(one.output.find("[300]"), std::string::npos);  // references numbered across chunks
  EXPECT_NE(one.output.find("\nfooter "), std::string::npos);
  EXPECT_NE(one.output.find("|row 1500|in|"), std::string::npos);  // the long table is drawn
  EXPECT_NE(one.output.find("|row 2999|x |"), std::string::npos);
  EXPECT_EQ(two.messages.size(), one.messages.size());
  EXPECT_TRUE(two.messages == one.messages);
  EXPECT_TRUE(two.output == one.output);
}

// One pass converting file after file keeps its lists while the policies
// stay the same and builds them again when they change: each file comes out
// as a fresh pass would convert it.
TEST(DetagTest, ListsFollowThePoliciesFromFileToFile) {
  testing::TempFolder dir;
  const std::string input = dir.Write(
      "a.htm",
      "<p>One <b>bold</b> word<br>and <font color=red>red</font> <span>here</span>.</p>\n"
      "<p>Second paragraph.</p>\n");
  DetagOptions text;
  DetagOptions single_line;  // other marks, so other list entries
  single_line.paragraph_on_single_line = true;
  DetagOptions fonts;
  fonts.remove_all_tags = false;
  fonts.remove_font = true;
  DetagOptions spans = fonts;
  spans.remove_font = false;
  spans.remove_span = true;
  auto fresh = [&](const DetagOptions& options, const std::string& name) {
    return Convert(input, dir.Path() + name, options).output;
  };
  const std::vector<std::pair<DetagOptions, std::string>> runs = {
      {text, "1.txt"},    {text, "2.txt"},    {single_line, "3.txt"},
      {fonts, "4.htm"},   {spans, "5.htm"},   {text, "6.txt"}};
  TagCatalogue catalogue;
  DetagPass pass(catalogue);
  pass.SetTimestampSource([] { return std::string("2026-01-01 00:00:00"); });
  for (const auto& [options, name] : runs) {
    ASCIIFile output;
    DetagRequest request;
    request.input_path = input;
    request.output_path = dir.Path() + "kept-" + name;
    ASSERT_TRUE(pass.ConvertFile(options, request, output, {}));
    output.Close();
    const std::string kept = ReadFile(request.output_path);
    const std::string expected = fresh(options, name);
    if (options.TextMode())
      EXPECT_EQ(Body(kept), Body(expected)) << name;
    else
      EXPECT_EQ(kept, expected) << name;
  }
}

// A failure in either stage (here a handler that throws, as running out of
// memory would) reaches the caller, on its own thread, once the other
// thread has finished; nothing hangs and nothing ends the program.
TEST(DetagTest, SideBySideFailuresReachTheCaller) {
  testing::TempFolder dir;
  std::string doc;
  while (doc.size() < 1000000) doc += "<ul><li>item</li></ul><h2>Heading</h2><p>text</p>\n";
  const std::string input = dir.Write("big.htm", doc);
  for (PatternHandler DetagHandlerSlots::*slot :
       {&DetagHandlerSlots::lists, &DetagHandlerSlots::headings}) {
    TagCatalogue catalogue;
    DetagPass pass(catalogue);
    int calls = 0;
    (pass.HandlerSlots().*slot) = [&calls](PatternList&, const Pattern&, long, long,
                                           const std::string&, size_t, void*) -> int {
      if (++calls == 500) throw std::runtime_error("handler failed");
      return ActionNone;
    };
    ASCIIFile output;
    DetagRequest request;
    request.input_path = input;
    request.output_path = dir.Path() + "big.txt";
    EXPECT_THROW(pass.ConvertFile(DetagOptions{}, request, output, {}), std::runtime_error);
    EXPECT_EQ(calls, 500);  // the stage stopped at the failure
  }
}

// Side by side, tables are converted while the chunks come in, in parts
// cut between tables: the one table of a document, across many chunks, and
// a table that never ends (the rest of the text waits for its table scan
// until the end) come out as they do one stage after the other.
TEST(DetagTest, SideBySideStagesWithTablesAcrossChunks) {
  testing::TempFolder dir;
  std::string one_table = "<p>Before</p>\n<table>\n";
  for (int row = 0; one_table.size() < 700000; ++row)
    one_table += "<tr><td>row " + std::to_string(row) + "</td><td>x</td></tr>\n";
  one_table += "</table>\n<p>After</p>\n";
  std::string never_ends = "<p>Before</p>\n<table><tr><td>open\n";
  for (int n = 0; never_ends.size() < 1200000; ++n)
    never_ends += "<p>Line " + std::to_string(n) + " <table><tr><td>a</td></tr></table> after</p>\n";
  for (const std::string& doc : {one_table, never_ends}) {
    const std::string input = dir.Write("big.htm", doc);
    const Conversion one = ConvertLarge(input, dir.Path(), false);
    const Conversion two = ConvertLarge(input, dir.Path(), true);
    ASSERT_TRUE(one.ok);
    ASSERT_TRUE(two.ok);
    EXPECT_TRUE(two.messages == one.messages);
    EXPECT_TRUE(two.output == one.output);
    EXPECT_NE(one.output.find(doc == one_table ? "\nrow 9000  x" : "Line 4000"), std::string::npos);
  }
}

// A table whose scan match holds an end tag the scan does not pair
// ("</table " without its ">") closes the table around it for the tracker
// of enclosing tables, in one text as where the text is cut into parts for
// the stages side by side: the same messages (two levels, not three) and
// the same text either way. Cells after such a table are in no row of the
// table around it, so they do not narrow the nested table either.
TEST(DetagTest, StrayTableEndTagsCountTheSameInPartsAndWhole) {
  testing::TempFolder dir;
  const char* documents[] = {
      "<table><table></table </table>\n<table><table></table>",
      "<table><tr><td>a <table><tr><td>cell words</table </table>\n<td>b\n<td>c\n<td>d",
      // A table opening that the scan passes over ("<<table>": the first
      // "<" spends the second) after the tables before it have closed.
      "<table><table/</table></table>\n<<table><table><table></table>",
  };
  // A narrow table shows the width the nested table is given.
  DetagOptions options;
  options.table_width = 24;
  for (const char* document : documents) {
    const std::string input = dir.Write("nested.htm", document);
    Conversion results[2];
    for (const bool side_by_side : {false, true}) {
      TagCatalogue catalogue;
      DetagPass pass(catalogue);
      pass.SetSideBySideStages(side_by_side);
      pass.SetChunkingForTests(64, side_by_side);
      pass.SetTimestampSource([] { return std::string("2026-01-01 00:00:00"); });
      ASCIIFile output;
      DetagRequest request;
      request.input_path = input;
      request.output_path = dir.Path() + "nested.txt";
      Conversion& result = results[side_by_side ? 1 : 0];
      result.ok = pass.ConvertFile(options, request, output,
                                   [&](const std::string& m, int) { result.messages.push_back(m); });
      output.Close();
      result.output = ReadFile(request.output_path);
    }
    ASSERT_TRUE(results[0].ok && results[1].ok);
    EXPECT_EQ(results[0].messages, results[1].messages) << document;
    EXPECT_EQ(results[0].output, results[1].output) << document;
    EXPECT_NE(std::find(results[0].messages.begin(), results[0].messages.end(),
                        "INFO: nested tables detected (2 levels)"),
              results[0].messages.end());
  }
}

// A pass driven step by step, recording its messages.
struct Driven {
  TagCatalogue catalogue;
  DetagPass pass{catalogue};
  std::vector<std::string> messages;

  explicit Driven(DetagOptions options = {}, DetagRequest request = {}) {
    pass.BeginFile(options, request, [this](const std::string& m, int) { messages.push_back(m); });
  }
  std::string Chunk(std::string text, int number = 1) {
    pass.ChunkPass(number, text);
    return text;
  }
  std::string Whole(std::string text) {
    pass.WholeTextPass(text);
    return text;
  }
};

// A slot handler that records the codes it was called with and replaces
// the match by a word, so the step shows in the messages and the text.
PatternHandler Recording(std::vector<std::string>& calls, const std::string& word,
                         bool as_text = false) {
  return [&calls, word, as_text](PatternList& list, const Pattern&, long, long, const std::string&,
                                 size_t, void* data) {
    calls.push_back(
        word + ":" +
        (as_text ? std::string(static_cast<const char*>(data)) : std::to_string(DataCode(data))));
    return list.ReplaceMatch(word);
  };
}

TEST(DetagPassTest, ChunkStepsRunInOrderWithTheirMessages) {
  Driven d;
  std::vector<std::string> calls;
  DetagHandlerSlots& slots = d.pass.HandlerSlots();
  slots.lists = Recording(calls, "L");
  slots.images = Recording(calls, "I");
  slots.hyperlinks = Recording(calls, "A");
  slots.highlighting = Recording(calls, "E", /*as_text=*/true);
  slots.headings = Recording(calls, "H");
  const std::string text = d.Chunk(
      "<html><head><title>The &amp; Title</title>"
      "<meta name=author content=\"Ann\"><meta http-equiv=Content-Type content=\"text/html; "
      "charset=utf-8\">"
      "<base href=\"http://example.com/a/b.html\"></head>\n"
      "<body><!-- note --><style>p {}</style><object>o</object><form><input name=x></form>"
      "<font size=2>f</font><h1>H</h1><ul><li>i</li></ul><img src=x.gif><a href=y>y</a><b>b</b>"
      "<p>p</p>x<br>y\n");
  EXPECT_EQ(calls,
            (std::vector<std::string>{"L:1", "L:2", "L:3", "I:0", "A:0", "E:b", "H:1", "H:2"}));
  EXPECT_EQ(d.messages,
            (std::vector<std::string>{
                "INFO: Processing <META> tags", "INFO: Removing <HEAD>..</HEAD> tags",
                "INFO: Removing comments", "INFO: Removing style sheet", "INFO: Removing objects",
                "INFO: Removing Form fields", "INFO: Removing in-line markup tags",
                "INFO: Processing list tags", "INFO: Removing image tags",
                "INFO: Removing hyperlink tags", "INFO: Applying highlighting mods"}));
  EXPECT_EQ(d.pass.Info().title, "The & Title");
  EXPECT_EQ(d.pass.Info().author, "Ann");
  EXPECT_EQ(d.pass.Info().charset, "utf-8");
  EXPECT_EQ(d.pass.Info().base_url, "http://example.com/a/b.html");
  const DetagMarkers& m = d.pass.Markers();
  // The form is a block of its own: its tags end the line.
  EXPECT_EQ(text, "<html>\n<body>" + m.statement + m.statement + "fHHHLLi</li>" + m.statement +
                      "LIAE" + m.paragraph +
                      "[[LEFT]]p</p>" + m.paragraph + "x<br>" + m.break_mark + "y\n");
  EXPECT_TRUE(d.pass.ParagraphTagsSeen());
}

TEST(DetagPassTest, EmptySlotsLeaveTagsToTheRemainingTagPass) {
  Driven d;
  // The pass fills its handler slots itself; empty them all.
  d.pass.HandlerSlots() = DetagHandlerSlots{};
  std::string text =
      d.Chunk("<ul><li>one<li>two</ul><img src=a.gif><a href=x>link</a><h2>Head</h2>\n");
  EXPECT_EQ(text, "<ul><li>one<li>two</ul><img src=a.gif><a href=x>link</a><h2>Head</h2>\n");
  EXPECT_EQ(d.Whole(text), "onetwolinkHead\n");
}

TEST(DetagPassTest, InLineListRunsAgainWhenItActed) {
  DetagOptions options;
  options.remove_all_tags = false;
  options.remove_font = true;
  options.remove_emphasis = true;
  Driven d(options);
  EXPECT_EQ(d.Chunk("<fo<b>nt size=2>x</font>\n"), "x\n");
  EXPECT_EQ(d.messages, std::vector<std::string>{"INFO: Removing in-line markup tags"});
}

TEST(DetagPassTest, MarkupRemovalStepsFollowThePolicies) {
  DetagOptions options;
  options.remove_all_tags = false;
  options.remove_comments = true;
  Driven only_comments(options);
  EXPECT_EQ(only_comments.Chunk("<script><!-- code --></script><!-- a -->b<head>h</head>\n"),
            "<script><!-- code --></script>b<head>h</head>\n");
  EXPECT_EQ(only_comments.messages, std::vector<std::string>{"INFO: Removing comments"});

  // The middle input of a concatenated output loses its document frame.
  DetagRequest middle;
  middle.first_of_output = false;
  middle.last_of_output = false;
  DetagOptions nothing;
  nothing.remove_all_tags = false;
  Driven concatenated(nothing, middle);
  EXPECT_EQ(concatenated.Chunk("<html><body bgcolor=white>x</body></html>\n"), "x\n");
  EXPECT_EQ(concatenated.messages, std::vector<std::string>{"INFO: Removing <BODY> tags"});
  DetagRequest first;
  first.last_of_output = false;
  Driven opening(nothing, first);
  EXPECT_EQ(opening.Chunk("<html><body>x</body></html>\n"), "<html><body>x\n");
}

// ---- Markup removal as a reader of the page sees it ----

DetagOptions MarkupRemoval() {
  DetagOptions options;
  options.remove_all_tags = false;
  return options;
}

// The file's converted text: `html` written with CR LF line ends or as it
// is, converted by the program's own steps.
std::string ConvertedHtml(const std::string& html, const DetagOptions& options) {
  testing::TempFolder dir;
  const std::string input = dir.Write("page.htm", html);
  const Conversion run = Convert(input, dir.Path() + "page.out.htm", options);
  EXPECT_TRUE(run.ok);
  return run.output;
}

TEST(MarkupRemovalTest, CarriageReturnLineFeedIsALineEnd) {
  EXPECT_EQ(ConvertedHtml("<p>a</p>\r\n<p>b</p>\r\n", MarkupRemoval()), "<p>a</p>\n<p>b</p>\n");
  // A carriage return inside a line still becomes a blank.
  EXPECT_EQ(ConvertedHtml("a\rb\r\n", MarkupRemoval()), "a b\n");
}

TEST(MarkupRemovalTest, OfficeConditionalCommentsGoWhole) {
  DetagOptions office = MarkupRemoval();
  office.remove_office_tags = true;
  office.tags_to_upper = true;
  EXPECT_EQ(ConvertedHtml("<!--[if gte mso 9]><xml>..</xml><![endif]--><p>after</p>\n"
                          "<!--[if gte vml 1]><v:shape>\n</v:shape><![endif]-->x\n"
                          "<!--[if !mso]><!--><p>shown</p><!--<![endif]-->\n"
                          "<!--[if IE]><p>ie</p><![endif]-->\n",
                          office),
            "<P>after</P>\nx\n<P>shown</P>\n<!--[if IE]><p>ie</p><![endif]-->\n");
  // Without the Office policy the comments stay whole, opener and closer.
  DetagOptions upper = MarkupRemoval();
  upper.remove_office_tags = false;
  upper.tags_to_upper = true;
  EXPECT_EQ(ConvertedHtml("<!--[if gte mso 9]><xml>..</xml><![endif]--><p>after</p>\n", upper),
            "<!--[if gte mso 9]><xml>..</xml><![endif]--><P>after</P>\n");
}

TEST(MarkupRemovalTest, KeptCommentsAreKeptAsTheyAre) {
  DetagOptions options = MarkupRemoval();
  options.remove_non_standard_tags = true;
  options.tags_to_lower = true;
  EXPECT_EQ(ConvertedHtml("<P>x<!-- <blink>x</blink> <FONT size=2> --><BLINK>y</BLINK></P>\n",
                          options),
            "<p>x<!-- <blink>x</blink> <FONT size=2> -->y</p>\n");
  // A comment that is never closed hides the rest, which stays as it is.
  EXPECT_EQ(ConvertedHtml("<P>x</P><!-- <B>open\n<P>y</P>\n", options),
            "<p>x</p><!-- <B>open\n<P>y</P>\n");
}

TEST(MarkupRemovalTest, QuotedValuesDoNotEndATag) {
  DetagOptions options = MarkupRemoval();
  options.tags_to_upper = true;
  EXPECT_EQ(ConvertedHtml("<a title=\"a>b\" href=x>y</a> <img alt='1 > 0' src=z>\n", options),
            "<A TITLE=\"a>b\" HREF=x>y</A> <IMG ALT='1 > 0' SRC=z>\n");
  // A quote that is not closed before the next tag does not hide the ">".
  EXPECT_EQ(ConvertedHtml("<a title=\"a>b <i>c</i>\n", options), "<A TITLE=\"a>b <I>c</I>\n");
}

// A removed tag goes whole when a value of it holds '<' or '>', and a kept
// tag keeps such a value byte for byte.
TEST(MarkupRemovalTest, MarkupInsideQuotedValuesStaysInItsTag) {
  DetagOptions options = MarkupRemoval();
  options.remove_font = true;
  options.remove_emphasis = true;
  options.remove_span = true;
  EXPECT_EQ(ConvertedHtml("<p>Before <b title=\"a>b\">Fat</b> after, <i data-x='1 > 0'>slanted</i>"
                          " end.</p>\n<font face=\"x>y\" color=red>Font text</font> tail.\n"
                          "<span data-html=\"<b>bold</b>\">Span</span> <a title=\"<i>x</i> > y\""
                          " href=z>kept</a>\n",
                          options),
            "<p>Before Fat after, slanted end.</p>\nFont text tail.\n"
            "Span <a title=\"<i>x</i> > y\" href=z>kept</a>\n");
  // A '<' that is an attribute name to a browser ("<b <i>") comes back too.
  EXPECT_EQ(ConvertedHtml("<p><b <i>it</i></b> <em class=\"a>\">x</em></p>\n", options),
            "<p>it x</p>\n");
  // The text's own carriage returns and the document's other bytes stay as
  // the reader leaves them.
  EXPECT_EQ(ConvertedHtml("<p title=\"(a)\">a\rb \\r( \\r)</p>\n", options),
            "<p title=\"(a)\">a b \\r( \\r)</p>\n");
}

TEST(MarkupRemovalTest, SpanAndFontWithoutAttributesGoWithTheirEndTags) {
  DetagOptions options = MarkupRemoval();
  options.remove_span = true;
  options.remove_font = true;
  EXPECT_EQ(ConvertedHtml("<p><span>a</span> <font>b</font> <SPAN class=x>c</SPAN></p>\n", options),
            "<p>a b c</p>\n");
}

TEST(MarkupRemovalTest, TagsThePassWritesFollowTheCasePolicy) {
  DetagOptions lower = MarkupRemoval();
  lower.remove_p_from_tables = true;
  lower.tags_to_lower = true;
  EXPECT_EQ(ConvertedHtml("<TABLE><TR><TD><P>one</P><P>two</P></TD></TR></TABLE>\n", lower),
            "<table><tr><td>one<br>two</td></tr></table>\n");
  EXPECT_EQ(WrittenTag("<BR>", MarkupRemoval()), "<BR>");
  DetagOptions upper = MarkupRemoval();
  upper.tags_to_upper = true;
  EXPECT_EQ(WrittenTag("<hr align=\"center\">", upper), "<HR ALIGN=\"center\">");
}

TEST(MarkupRemovalTest, ConcatenatedInputsArePartedByACentredRule) {
  testing::TempFolder dir;
  const std::string first = dir.Write("a.htm", "<html><body><p>one</p></body></html>\n");
  const std::string second = dir.Write("b.htm", "<html><body><p>two</p></body></html>\n");
  TagCatalogue catalogue;
  DetagPass pass(catalogue);
  ASCIIFile output;
  DetagRequest request;
  request.output_path = dir.Path() + "all.html";
  request.input_path = first;
  request.last_of_output = false;
  ASSERT_TRUE(pass.ConvertFile(MarkupRemoval(), request, output, {}));
  request.input_path = second;
  request.first_of_output = false;
  request.last_of_output = true;
  ASSERT_TRUE(pass.ConvertFile(MarkupRemoval(), request, output, {}));
  output.Close();
  EXPECT_EQ(ReadFile(request.output_path),
            "<html><body><p>one</p>\n<HR ALIGN=\"center\">\n<p>two</p></body></html>\n");
}

TEST(DetagPassTest, BlocksBecomeStatementLines) {
  DetagOptions options;
  options.page_width = 72;
  Driven d(options);
  const DetagMarkers& m = d.pass.Markers();
  EXPECT_EQ(d.Chunk("a<hr width=400>b<blockquote cite=x>q</blockquote><pre>p</pre>\n"),
            "a[[LEFT]]\n<hr width=400>" + m.statement + "$_$_LINE 36" + m.statement +
                "b<blockquote cite=x>\n" + m.start_block + "\nq</blockquote>\n" + m.end_block +
                "\n<pre>\n" + m.start_pre + "\np</pre>\n" + m.end_pre + "\n\n");
}

TEST(DetagPassTest, DialogueStepsReportThemselves) {
  DetagOptions options;
  options.look_for_dialogue = true;
  options.break_dialogue_lines = true;
  Driven d(options);
  const std::string& s = d.pass.Markers().statement;
  EXPECT_EQ(d.Chunk("Stop! \"   Now.\n  \"Yes,\" he cries.  \n\"Go.\" \"Run.\"\n"),
            "Stop!\" Now. " + s + "\"Yes,\" he cries. " + s + "\"Go.\"" + s + "\"Run.\"\n");
  EXPECT_EQ(d.messages, (std::vector<std::string>{"INFO: Preparing Dialogue text (0)",
                                                  "INFO: Reformatting Dialogue text (1)",
                                                  "INFO: Reformatting Dialogue text (2)"}));
}

TEST(DetagPassTest, SourceLinesAreRejoinedAroundStatements) {
  Driven d;
  const std::string text = d.Whole(d.Chunk(
      "<p>one\n  two   three\n\nfour</p>\n<pre>\n  keep\n\tthis</pre>\n<p align=center> centred\n"
      "$_$_TEXTBLOCK 1\nend [[RIGHT]]\nlast <br> line\n"));
  const std::string br(kForcedBreak);
  // Ordinary lines are joined, each after one blank; statements, lines
  // ending in an in-line tag and the pre-formatted lines keep their lines.
  // The marks then become line feeds and forced breaks.
  EXPECT_EQ(text, "\n\n[[LEFT]]one two three four\n\n\n\n" + br + "\n$_$_START_PRE\n" + br +
                      "\n\n  keep\n\tthis\n\n" + br + "\n$_$_END_PRE\n" + br +
                      "\n\n\n[[CENTER]]centred\n"
                      "$_$_TEXTBLOCK 1\nend [[RIGHT]]\n last\n" +
                      br + "line\n");
  EXPECT_EQ(d.pass.AverageLineLength(), 80);  // no line longer than 40

  // Each run of blanks inside a joined line keeps its first blank, tab or
  // space; only a blank after an alignment tag is dropped.
  Driven blanks;
  EXPECT_EQ(blanks.Whole(blanks.Chunk("<p>a \t b\t\t c  \n<p align=right>  r [x] y  [[LEFT]] z\n")),
            "\n\n[[LEFT]]a b\tc\n\n[[RIGHT]]r [x] y [[LEFT]]z\n");
  EXPECT_EQ(d.messages.back(), "INFO: Reinserting line/paragraph markers");

  Driven measured;
  const std::string fifty(50, 'x');
  const std::string sixty_one(61, 'y');
  measured.Whole(measured.Chunk("<p>\n" + fifty + "\n" + sixty_one + "\nshort\n"));
  EXPECT_EQ(measured.pass.AverageLineLength(), (50 + 61) / 3 + 1);

  // Without paragraph or break tags the source lines stay as they are.
  Driven plain;
  EXPECT_EQ(plain.Whole(plain.Chunk("one\n  two\n")), "one\n  two\n");
}

TEST(DetagPassTest, FinalMarksInBothModes) {
  Driven text_mode;
  const DetagMarkers& m = text_mode.pass.Markers();
  const std::string br(kForcedBreak);
  EXPECT_EQ(text_mode.Whole("a " + m.line_break + " b" + m.paragraph + "x" + m.statement + " \n " +
                            m.statement + "d" + m.start_list + "e"),
            "a\n" + br + "b\n\nx\n" + br + "d\n" + br + "\n$_$_START_LIST\n" + br + "e");

  DetagOptions options;
  options.remove_all_tags = false;
  Driven markup(options);
  EXPECT_EQ(markup.Whole("<p>a" + m.line_break + "b" + m.statement + "c</p>"),
            "<p>a<BR>b<BR>c</p>");

  DetagOptions single = DetagOptions{};
  single.paragraph_on_single_line = true;
  Driven single_line(single);
  const DetagMarkers& sm = single_line.pass.Markers();
  EXPECT_EQ(sm.break_mark, sm.paragraph_end + sm.line_break);
  EXPECT_EQ(single_line.Whole("a" + sm.statement + " " + sm.break_mark + "b"),
            "a" + sm.paragraph_end + "\n" + br + "b");
}

TEST(DetagPassTest, ByLineAndAddressFromTheFirstLines) {
  DetagOptions options;
  options.allow_by_line_author = true;
  Driven d(options);
  d.Whole(
      "A Title\nWritten By: Ann Writer \nsee <x> the list, or ann@example.org and "
      "bob@example.org.\n");
  EXPECT_EQ(d.pass.Info().by_line, "Ann Writer");
  EXPECT_EQ(d.pass.Info().email, "bob@example.org.");

  Driven late(options);
  std::string text;
  for (int i = 0; i < 40; ++i) text += "line\n";
  late.Whole(text + "By Nobody\nno@where\n");
  EXPECT_EQ(late.pass.Info().by_line, "");
  EXPECT_EQ(late.pass.Info().email, "");

  Driven long_line(options);
  long_line.Whole("By " + std::string(60, 'x') + "\nBy Second\n");
  EXPECT_EQ(long_line.pass.Info().by_line, "Second");

  Driven not_allowed;
  not_allowed.Whole("By Ann\n");
  EXPECT_EQ(not_allowed.pass.Info().by_line, "");
}

TEST(DetagPassTest, SentenceGapsInTextMode) {
  DetagOptions options;
  options.sentence_gap = true;
  Driven d(options);
  EXPECT_EQ(d.Whole("One. Two.   Three.Four e.G. x\n"), "One.  Two.  Three.Four e.G.  x\n");
  EXPECT_EQ(d.messages.back(), "INFO: Reformatting sentence text");
}

// ---- What a reader sees ----

using Lines = std::vector<std::string>;

TEST(ReaderViewTest, AlignmentEndsWithItsParagraph) {
  testing::ConvertedText c;
  EXPECT_EQ(c.Lines("<p align=center>Mid</p>Loose text\n"),
            (Lines{std::string(34, ' ') + "Mid", "", "Loose text"}));
  testing::ConvertedText d;
  EXPECT_EQ(d.Lines("<p style=\"text-align: right\">Right</p>\n<ul><li>item</ul>\n"),
            (Lines{std::string(67, ' ') + "Right", "", "  \xB7 item"}));
  // A paragraph without its end tag keeps its alignment to the next one.
  testing::ConvertedText e;
  EXPECT_EQ(e.Lines("<p align=center>Mid<br>Also mid<p>Left</p>\n"),
            (Lines{std::string(34, ' ') + "Mid", std::string(32, ' ') + "Also mid", "", "Left"}));
}

TEST(ReaderViewTest, RuleWidthsInPercentAreAShareOfTheWidth) {
  testing::ConvertedText c;
  EXPECT_EQ(c.Lines("<hr width=\"50%\"><p>x</p><hr width=\"25%\" align=right>\n"),
            (Lines{std::string(36, '-'), "", "x", "", std::string(54, ' ') + std::string(18, '-')}));
}

TEST(ReaderViewTest, PreformattedTextIsWrittenAsItStands) {
  testing::ConvertedText c;
  EXPECT_EQ(c.Lines("<p>Before.</p><pre>a\n\n\nb  c.\tTabbed\n\t\tx</pre><p>After.</p>\n"),
            (Lines{"Before.", "", "a", "", "", "b  c.   Tabbed", "                x", "", "After."}));
  // The line feed right after the start tag is not a line of the text.
  testing::ConvertedText d;
  EXPECT_EQ(d.Lines("<pre>\n\n  one\n</pre>\n"), (Lines{"", "  one"}));
  // No gap is put between sentences inside preformatted text.
  DetagOptions gap;
  gap.sentence_gap = true;
  testing::ConvertedText e(gap);
  EXPECT_EQ(e.Lines("<p>One. Two.</p><pre>Three. Four.</pre><p>Five. Six.</p>\n"),
            (Lines{"One.  Two.", "", "Three. Four.", "", "Five.  Six."}));
  // Inside a block quote the text keeps its own indentation too, with or
  // without a line feed between the tags.
  for (const char* html : {"<blockquote><pre>x\n   y</pre></blockquote>\n",
                           "<blockquote>\n<pre>x\n   y</pre>\n</blockquote>\n",
                           "Text<br><pre>x\n   y</pre>\n"}) {
    testing::ConvertedText f;
    const Lines lines = f.Lines(html);
    ASSERT_GE(lines.size(), 2u) << html;
    const std::string& x = lines[lines.size() - 2];
    const std::string& y = lines.back();
    EXPECT_EQ(x.substr(x.find('x')), "x") << html;
    EXPECT_EQ(y.find('y'), x.find('x') + 3) << html;
  }
}

TEST(DetagPassTest, FirstChunkOnlyStepsOnAChunkedDocument) {
  testing::TempFolder dir;
  std::string doc =
      "<html><head><title>First</title><meta name=author content=First>"
      "<base href=\"http://first.example/\"></head><body>\n";
  std::string filler;
  while (filler.size() < 225000)
    filler += "<p>A paragraph of ordinary text, long enough to count.</p>\n";
  const std::string late_head =
      "<head><title>Late</title><meta name=author content=Late><base href=\"http://late.example/\">"
      "late head text</head>\n";
  // About 450000 bytes: three chunks, with a late head in chunks 2 and 3.
  doc += filler + late_head + filler + late_head;
  ASSERT_GT(doc.size(), 450000u);
  ASSERT_LT(doc.size(), 460000u);
  const std::string input = dir.Write("chunks.htm", doc);
  TagCatalogue catalogue;
  DetagPass pass(catalogue);
  ASCIIFile output;
  DetagRequest request;
  request.input_path = input;
  request.output_path = dir.Path() + "chunks.txt";
  std::vector<std::string> messages;
  ASSERT_TRUE(pass.ConvertFile(DetagOptions{}, request, output,
                               [&](const std::string& m, int) { messages.push_back(m); }));
  output.Close();
  EXPECT_EQ(pass.Info().title, "First");
  EXPECT_EQ(pass.Info().author, "First");
  EXPECT_EQ(pass.Info().base_url, "http://first.example/");
  auto count = [&messages](const std::string& message) {
    return std::count(messages.begin(), messages.end(), message);
  };
  EXPECT_EQ(count("INFO: Processing <META> tags"), 1);
  EXPECT_EQ(count("INFO: Removing <HEAD>..</HEAD> tags"), 1);
  EXPECT_EQ(count("INFO: Processing chunk #1 "), 1);
  EXPECT_EQ(count("INFO: Processing chunk #2 "), 1);
  EXPECT_EQ(count("INFO: Processing chunk #4 "), 0);
  // Later head sections are not removed as a whole: their text stays.
  const std::string written = ReadFile(dir.Path() + "chunks.txt");
  size_t late = 0;
  for (size_t at = 0; (at = written.find("late head text", at)) != std::string::npos; ++at) ++late;
  EXPECT_EQ(late, 2u);
  EXPECT_EQ(testing::Body(written).find("First"), std::string::npos);  // the title shows in the header only
}

}  // namespace
}  // namespace orv
