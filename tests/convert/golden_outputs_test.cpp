// The byte-for-byte guard: every document of tests/data and a set of built
// documents (tables, lists, links, comments, scripts, entities, headings,
// forms... placed so that small chunks cut them everywhere) are converted in
// text mode and in markup removal under a few sets of options, in chunks of
// 40, 300 and 2000 bytes and of the usual size, on one thread and with the
// two stages side by side. Output and messages must equal the files in
// tests/data/golden/ byte for byte. Those files record what the converter
// wrote when they were made; they were not checked by hand the way
// tests/data/detag/*.expected.txt were. A change meant to alter the output
// regenerates them (ORVTEXT_WRITE_GOLDEN=1 build-dev/test_convert
// --gtest_filter='GoldenOutputs*') and the diff shows every byte it moved;
// a change meant to keep the output (a speed change) must leave them alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "convert/detag.h"
#include "support/chunked_conversion.h"
#include "support/temp_folder.h"

namespace orv {
namespace {

using testing::ReadFile;

const std::string kGoldenFolder = std::string(ORVTEXT_TEST_DATA) + "/golden/";

bool WritingGoldens() {
  const char* value = std::getenv("ORVTEXT_WRITE_GOLDEN");
  return value != nullptr && std::string(value) == "1";
}

// A named set of options: the two modes, each with a few policies changed.
struct Variant {
  const char* name;
  DetagOptions options;
};

std::vector<Variant> Variants() {
  std::vector<Variant> variants;
  variants.push_back({"text", DetagOptions{}});

  DetagOptions narrow;
  narrow.page_width = 50;
  narrow.right_justify = true;
  narrow.display_link_urls = true;
  narrow.table_format = 2;  // comma-delimited tables
  narrow.first_line_indent = "  ";
  narrow.sentence_gap = true;
  narrow.ApplyDependentRules();
  variants.push_back({"narrow", narrow});

  DetagOptions detag;
  detag.remove_all_tags = false;
  detag.ApplyDependentRules();
  variants.push_back({"detag", detag});

  DetagOptions strip = detag;
  strip.remove_head = true;
  strip.remove_comments = true;
  strip.remove_script = true;
  strip.remove_style_sheet = true;
  strip.remove_object = true;
  strip.remove_form = true;
  strip.remove_font = true;
  strip.remove_span = true;
  strip.replace_hyperlinks = true;
  strip.tags_to_lower = true;
  strip.replace_entities = true;
  variants.push_back({"strip", strip});

  DetagOptions attributes = detag;
  attributes.remove_non_standard_tags = true;
  attributes.keep_deprecated_tags = false;
  attributes.remove_non_standard_attributes = true;
  attributes.keep_deprecated_attributes = false;
  attributes.remove_p_from_tables = true;
  attributes.remove_table_alignment = true;
  attributes.remove_table_color = true;
  attributes.remove_table_size = true;
  attributes.remove_img = true;
  attributes.remove_emphasis = true;
  attributes.tags_to_upper = true;
  variants.push_back({"attributes", attributes});

  DetagOptions bare = detag;
  bare.remove_all_html_tags = true;
  bare.remove_table_tags = true;
  variants.push_back({"bare", bare});
  return variants;
}

// --- built documents -------------------------------------------------------

std::string Num(int n) { return std::to_string(n); }

std::string TablesDocument() {
  std::string d = "<html><head><title>Tables</title></head><body>\n";
  for (int n = 0; n < 12; ++n) {
    d += "<p>Paragraph " + Num(n) + " before a table, with a few words to fill it.</p>\n";
    d += "<table border=" + Num(n % 2) + " width=\"" + Num(50 + n) + "%\" bgcolor=#eeeeee>\n";
    d += "<tr><th align=left>Name " + Num(n) + "</th><th>Value</th></tr>\n";
    d += "<tr><td>alpha &amp; beta</td><td align=right>" + Num(n * 37) + "</td></tr>\n";
    if (n % 3 == 0)
      d += "<tr><td colspan=2><table border=1><tr><td>inner " + Num(n) +
           "</td><td><p>para in cell</p></td></tr></table></td></tr>\n";
    if (n % 4 == 1) d += "<tr><td rowspan=2>spans</td><td>one</td></tr><tr><td>two</td></tr>\n";
    if (n % 5 == 2)
      d += "<tr><td>a cell whose text runs on for long enough to wrap in a narrow column of the "
           "grid</td><td>x</td></tr>\n";
    d += "</table>\n";
  }
  d += "<table><tr></tr></table>\n<p>Before the open table</p>\n";
  d += "<table border=1><tr><td>never\n<td>ends\n<tr><td>at all";  // no end tags
  return d;
}

std::string ListsDocument() {
  std::string d = "<html><body>\n";
  for (int n = 0; n < 8; ++n) {
    d += "<ol" + std::string(n % 2 ? " start=5" : "") + ">\n";
    d += "<li>first item of list " + Num(n) + "\n<li>second item\n";
    d += "<ul type=square><li>bullet " + Num(n) + "</li><li>another bullet\n";
    if (n % 2 == 0) d += "<ol type=a><li>deep a<li>deep b</ol>\n";
    d += "</ul>\n<li>third, after the nested list</li>\n</ol>\n";
    d += "<dl><dt>Term " + Num(n) + "</dt><dd>Its description, a sentence long.</dd>";
    d += "<dt>Second term<dd>No end tags here</dl>\n";
    if (n % 3 == 1) d += "<ul><li>unclosed list item " + Num(n) + "\n";  // never closed
    d += "<menu><li>menu entry</menu><dir><li>dir entry</dir>\n";
  }
  d += "<ol><li>open at the end";
  return d;
}

std::string LinksDocument() {
  std::string d =
      "<html><head><base href=\"http://example.org/docs/\"><title>Links &amp; more</title></head>"
      "<body>\n";
  for (int n = 0; n < 15; ++n) {
    d += "<p>See <a href=\"http://example.com/page" + Num(n) + ".html\" name=\"n" + Num(n) +
         "\">page " + Num(n) + "</a>, ";
    d += "<a href=\"relative/" + Num(n) + ".htm\">a relative one</a>, ";
    d += "<a href=\"mailto:someone" + Num(n % 3) + "@example.net\">mail us</a>, ";
    d += "<A HREF='#section" + Num(n) + "'>an anchor</A> and ";
    d += "<a name=\"target" + Num(n) + "\">a target</a>.</p>\n";
    if (n % 4 == 0)
      d += "<a href=\"img.htm\"><img src=\"pic" + Num(n) + ".png\" alt=\"Picture " + Num(n) +
           "\" width=10 height=10></a>\n";
    if (n % 5 == 3) d += "<a href=\"http://example.com/same\">repeated target</a>\n";
  }
  d += "<a href=\"../up.html\">up one</a> <a href=\"ftp://files.example.com/x\">ftp</a>\n";
  d += "<a href=\"http://example.com/open\">a link that never closes\n</body></html>\n";
  return d;
}

std::string CommentsDocument() {
  std::string d = "<html><body>\n";
  for (int n = 0; n < 20; ++n) {
    d += "<p>Visible text " + Num(n) + ".</p>\n";
    if (n % 2 == 0) d += "<!-- a comment\nover <b>two</b> lines " + Num(n) + " -->\n";
    if (n % 3 == 1) d += "<!--- dashes ---><!---->\n";
    if (n % 5 == 2) d += "<!--[if IE]><p>conditional " + Num(n) + "</p><![endif]-->\n";
    if (n % 7 == 3) d += "<!-- holds -- inside and > signs > here -->\n";
  }
  d += "<p>After the last closed comment</p>\n<!-- this comment never ends\n<p>hidden?</p>\n";
  return d;
}

std::string ScriptsDocument() {
  std::string d = "<html><head><title>Scripts</title>\n<style type=\"text/css\">\n";
  for (int n = 0; n < 20; ++n) d += "p.c" + Num(n) + " { color: #" + Num(100 + n) + "; }\n";
  d += "</style>\n<script>var early = '<div>';</script></head><body>\n";
  for (int n = 0; n < 10; ++n) {
    d += "<p>Before script " + Num(n) + ".</p>\n<script type=\"text/javascript\">\n";
    d += "document.write(\"<div class='x'>written</div>\");\n";
    d += "var s" + Num(n) + " = '<style>.hidden{display:none}</style>';\n";
    d += "if (a < b && c > d) { x = \"</div>\"; }\n</script>\n";
    if (n % 3 == 0) d += "<noscript><p>No script " + Num(n) + "</p></noscript>\n";
    if (n % 4 == 1) d += "<style>div.s" + Num(n) + " { margin: 0 }</style>\n";
  }
  d += "<p>The end of the page.</p>\n<script>var never = 'ends';\n";
  return d;
}

std::string EntitiesDocument() {
  std::string d = "<html><body>\n";
  const char* pieces[] = {
      "&amp;",     "&lt;",   "&gt;",  "&quot;", "&nbsp;",      "&eacute;", "&copy;", "&hellip;",
      "&mdash;",   "&euro;", "&#65;", "&#233;", "&#8364;",     "&#x41;",   "&#xE9;", "&#X2014;",
      "&unknown;", "&amp",   "&#;",   "&#x;",   "&#99999999;", "&Alpha;",  "&rarr;", "&frac12;"};
  for (int n = 0; n < 12; ++n) {
    d += "<p>Line " + Num(n) + ":";
    for (const char* p : pieces) d += std::string(" x") + p + "y";
    d += "</p>\n";
  }
  d += "<p>Eight-bit: caf\xE9 \x93quoted\x94 \x85</p>\n<p>Open at the end &eac";
  return d;
}

std::string BlocksDocument() {
  std::string d = "<html><body>\n";
  for (int n = 0; n < 6; ++n) {
    d += "<h1>Heading one " + Num(n) + "</h1>\n<h2 align=center>Centred two</h2>\n";
    d += "<h3>Three</h3><h4>Four</h4><h5>Five</h5><h6>Six " + Num(n) + "</h6>\n";
    d += "<p>Text under the headings, long enough to be filled across more than one line "
         "of the page, so that the layout has to wrap it " +
         Num(n) + ".</p>\n";
    d += "<pre>\n  kept    as it is " + Num(n) + "\n\ttab\tstops\n  x < y &amp; z\n</pre>\n";
    d += "<center>centred text " + Num(n) + "<br>second line</center>\n";
    d += "<div align=right>right aligned " + Num(n) + "</div>\n";
    d += "<div align=center><p>centred paragraph</p><p align=left>left inside</p></div>\n";
    d += "<blockquote>quoted words " + Num(n) + "</blockquote><hr>\n";
    d += "<p>Line one<br>line two<br/>line three<BR clear=all>end</p>\n";
    d += "<b>bold</b> <i>italic</i> <em>em</em> <strong>strong</strong> <u>u</u> "
         "<font face=Arial size=2>font</font> <span class=x>span</span>\n";
  }
  d += "<h2>Open heading at the end";
  return d;
}

std::string FormsDocument() {
  std::string d = "<html><body>\n";
  for (int n = 0; n < 8; ++n) {
    d += "<form action=\"/submit" + Num(n) + "\" method=post>\n";
    d += "<label for=f" + Num(n) + ">Name</label> <input type=text id=f" + Num(n) +
         " name=name value=\"v&amp;" + Num(n) + "\">\n";
    d += "<select name=s><option value=1>One<option selected>Two</option></select>\n";
    d += "<textarea rows=2>typed text " + Num(n) + "</textarea>\n";
    d += "<input type=checkbox checked> tick <button type=submit>Send</button>\n";
    d += "</form>\n<p>Between forms " + Num(n) + ".</p>\n";
    if (n % 3 == 0)
      d += "<object data=\"movie.swf\"><param name=q value=high><embed src=\"m.swf\"></object>\n";
    if (n % 3 == 1) d += "<iframe src=\"frame.htm\">frame text</iframe>\n";
  }
  d += "<form><input type=text name=open>\n<p>form without an end</p>\n";
  return d;
}

std::string PageDocument() {
  std::string d =
      "<!DOCTYPE html>\n<html lang=en><head>\n<meta charset=\"utf-8\">\n"
      "<meta name=\"author\" content=\"A. Writer\">\n<title>A whole page</title>\n"
      "<link rel=stylesheet href=\"site.css\">\n</head>\n<body bgcolor=white>\n"
      "<header><nav><a href=\"/\">Home</a> | <a href=\"/about\">About</a></nav></header>\n<main>\n";
  for (int n = 0; n < 8; ++n) {
    d += "<article><h2>Story " + Num(n) + "</h2>\n";
    d += "<p>The first paragraph of story " + Num(n) +
         " tells of caf\xC3\xA9s and na\xC3\xAFve people \xE2\x80\x94 in UTF-8.</p>\n";
    d += "<figure><img src=\"s" + Num(n) +
         ".jpg\" alt=\"Photo\"><figcaption>Caption</figcaption>"
         "</figure>\n";
    d += "<aside>Aside " + Num(n) + "</aside><section><p>Section text</p></section>\n";
    d += "<svg width=10><title>drawing</title><circle r=4/></svg>\n</article>\n";
  }
  d += "</main>\n<footer><p>&copy; 2026 by <a href=\"mailto:w@example.org\">the writer</a>"
       "</p></footer>\n</body></html>\n";
  return d;
}

std::string DeclaredCharsetDocument() {
  std::string d =
      "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">"
      "<title>\xCF\xF0\xE8\xEC\xE5\xF0</title></head><body>\n";
  for (int n = 0; n < 10; ++n)
    d += "<p>\xCF\xF0\xE8\xE2\xE5\xF2 " + Num(n) + " \x85 &eacute; &#1046;</p>\n";
  return d + "</body></html>\n";
}

std::string MalformedDocument() {
  std::string d = "<html><body>\n";
  for (int n = 0; n < 10; ++n) {
    d += "<p>a < b and c > d, x<<y>>z " + Num(n) + "</p>\n";
    d += "<p class=\"unclosed>quote " + Num(n) + "</p>\n";
    d += "<unknowntag attr=1>unknown</unknowntag> <o:p>office</o:p> <xml>data</xml>\n";
    d += "<p>tag with\nnew lines <a\nhref=\"x.htm\"\n>link</a> <b >b</ b></p>\n";
    d += "</p></p><br></br><p/>\n";
  }
  d += "<p>end <a href=\"cut";
  return d;
}

// A document every chunk of which is mostly markup: many small tags.
std::string DenseDocument() {
  std::string d;
  for (int n = 0; n < 60; ++n) {
    d += "<p><b>" + Num(n) + "</b><i>i</i><a href=#" + Num(n) + ">a</a><br>";
    d += n % 2 ? "<li>item" : "<td>cell";
    d += "&nbsp;&#" + Num(65 + n % 26) + ";</p>\n";
  }
  return d;
}

struct Document {
  std::string name;
  std::string html;
};

std::vector<Document> Documents() {
  std::vector<Document> documents;
  std::vector<std::filesystem::path> files;
  for (const auto& entry :
       std::filesystem::directory_iterator(std::string(ORVTEXT_TEST_DATA) + "/detag"))
    if (entry.path().extension() == ".htm") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  for (const auto& path : files)
    documents.push_back({"data-" + path.stem().string(), ReadFile(path.string())});
  documents.push_back({"tables", TablesDocument()});
  documents.push_back({"lists", ListsDocument()});
  documents.push_back({"links", LinksDocument()});
  documents.push_back({"comments", CommentsDocument()});
  documents.push_back({"scripts", ScriptsDocument()});
  documents.push_back({"entities", EntitiesDocument()});
  documents.push_back({"blocks", BlocksDocument()});
  documents.push_back({"forms", FormsDocument()});
  documents.push_back({"page", PageDocument()});
  documents.push_back({"charset", DeclaredCharsetDocument()});
  documents.push_back({"malformed", MalformedDocument()});
  documents.push_back({"dense", DenseDocument()});
  documents.push_back({"empty", ""});
  return documents;
}

// --- converting and comparing ----------------------------------------------

struct Conversion {
  std::string output;
  std::string messages;  // "converted" or "failed", then the messages with their levels
  bool operator==(const Conversion&) const = default;
};

// One conversion. The temporary folder's path is replaced by "DIR/" in the
// output and the messages.
Conversion Convert(const std::string& input, const std::string& folder, size_t chunk_limit,
                   bool side_by_side, const DetagOptions& options) {
  const std::string output_path = folder + "out.txt";
  Conversion c;
  const bool ok = testing::ConvertInChunks(
      input, output_path, chunk_limit, side_by_side, options, [&](const std::string& m, int level) {
        c.messages += "(" + std::to_string(level) + ") " + m + "\n";
      });
  c.messages.insert(0, ok ? "converted\n" : "failed\n");
  c.output = ReadFile(output_path);
  std::filesystem::remove(output_path);
  for (std::string* text : {&c.output, &c.messages})
    for (size_t at = text->find(folder); at != std::string::npos; at = text->find(folder, at))
      text->replace(at, folder.size(), "DIR/");
  return c;
}

std::string FirstDifference(const std::string& want, const std::string& got) {
  size_t at = 0;
  while (at < want.size() && at < got.size() && want[at] == got[at]) ++at;
  const size_t from = at > 60 ? at - 60 : 0;
  return "first difference at byte " + std::to_string(at) + "\n--- golden:\n" +
         want.substr(from, 160) + "\n--- now:\n" + got.substr(from, 160);
}

constexpr size_t kChunkLimits[] = {0, 40, 300, 2000};

// The golden files of one document under one variant: NAME.txt holds the
// output in the usual chunks, NAME.cLIMIT.txt the output in chunks of LIMIT
// bytes where it differs from that, and NAME.messages the messages of every
// chunk limit, each under a "== chunks of LIMIT ==" line (0: the usual).
std::string GoldenName(const std::string& document, const Variant& variant) {
  return kGoldenFolder + document + "." + variant.name;
}
std::string OutputPath(const std::string& name, size_t limit) {
  return limit == 0 ? name + ".txt" : name + ".c" + std::to_string(limit) + ".txt";
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

class GoldenOutputs : public ::testing::TestWithParam<Variant> {};

TEST_P(GoldenOutputs, EveryDocumentConvertsToItsGoldenBytes) {
  const Variant& variant = GetParam();
  testing::TempFolder dir;
  const bool writing = WritingGoldens();
  if (writing) std::filesystem::create_directories(kGoldenFolder);
  const std::vector<Document> documents = Documents();
  ASSERT_GE(documents.size(), 18u);
  for (const Document& document : documents) {
    const std::string input = dir.Write("page.htm", document.html);
    const std::string name = GoldenName(document.name, variant);
    std::string messages;
    std::string usual_output;
    for (size_t limit : kChunkLimits) {
      SCOPED_TRACE(document.name + " " + variant.name + " in chunks of " + std::to_string(limit));
      const Conversion one = Convert(input, dir.Path(), limit, false, variant.options);
      const Conversion two = Convert(input, dir.Path(), limit, true, variant.options);
      EXPECT_TRUE(two == one) << "one thread and two differ: "
                              << FirstDifference(one.output + one.messages,
                                                 two.output + two.messages);
      messages += "== chunks of " + std::to_string(limit) + " ==\n" + one.messages;
      if (limit == 0) usual_output = one.output;
      const std::string own_path = OutputPath(name, limit);
      if (writing) {
        if (limit == 0 || one.output != usual_output)
          WriteFile(own_path, one.output);
        else
          std::filesystem::remove(own_path);  // no longer differs from the usual chunks
        continue;
      }
      const bool own = limit == 0 || std::filesystem::exists(own_path);
      const std::string golden_path = own ? own_path : OutputPath(name, 0);
      ASSERT_TRUE(std::filesystem::exists(golden_path)) << golden_path << " is missing";
      const std::string golden = ReadFile(golden_path);
      EXPECT_TRUE(one.output == golden)
          << golden_path << ": " << FirstDifference(golden, one.output);
    }
    if (writing) {
      WriteFile(name + ".messages", messages);
      continue;
    }
    const std::string golden = ReadFile(name + ".messages");
    EXPECT_TRUE(messages == golden) << name << ".messages: " << FirstDifference(golden, messages);
  }
}

INSTANTIATE_TEST_SUITE_P(Variants, GoldenOutputs, ::testing::ValuesIn(Variants()),
                         [](const ::testing::TestParamInfo<Variant>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace orv
