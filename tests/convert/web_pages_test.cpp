// Whole conversions of small documents built like today's web pages: HTML5
// sectioning elements, scripts that write markup, in-line drawings, the
// spellings of line breaks and the alignment of centred blocks.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "convert/detag.h"
#include "support/temp_folder.h"
#include "support/text_header.h"

namespace orv {
namespace {

using testing::Body;

// The body of the text-mode output of `html` (the header taken off).
std::string ConvertedBody(const std::string& html, DetagOptions options = {}) {
  testing::TempFolder dir;
  const std::string input = dir.Write("page.htm", html);
  TagCatalogue catalogue;
  DetagPass pass(catalogue);
  ASCIIFile output;
  DetagRequest request;
  request.input_path = input;
  request.output_path = dir.Path() + "page.txt";
  EXPECT_TRUE(pass.ConvertFile(options, request, output, {}));
  output.Close();
  std::ifstream in(request.output_path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return Body(text.str());
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) lines.push_back(line);
  return lines;
}

bool Holds(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Fails for each of `gone` that `body` holds.
void ExpectNoneOf(const std::string& body, std::initializer_list<const char*> gone) {
  for (const char* text : gone) EXPECT_FALSE(Holds(body, text)) << text << " in\n" << body;
}

// Fails for each of `kept` that `body` does not hold.
void ExpectAllOf(const std::string& body, std::initializer_list<const char*> kept) {
  for (const char* text : kept) EXPECT_TRUE(Holds(body, text)) << text << " missing in\n" << body;
}

TEST(WebPageTest, HeaderElementDoesNotStartTheHead) {
  // Ad scripts hold "<head></head>"; a <header> before it must not open a
  // head element that swallows the article.
  const std::string body = ConvertedBody(
      "<html><head><title>T</title></head><body><header>Site name</header>\n"
      "<p>The whole article text.</p>\n"
      "<script>var frame = \"<head></head><body>\";</script>\n"
      "<p>Closing words.</p></body></html>\n");
  ExpectAllOf(body, {"Site name", "The whole article text.", "Closing words."});
  EXPECT_FALSE(Holds(body, "var frame")) << body;
}

TEST(WebPageTest, ScriptsThatHoldMarkupAreRemovedWhole) {
  const std::string body = ConvertedBody(
      "<p>Before.</p>\n"
      "<script>box.innerHTML = \"<style>.c{color:red}</style>\"; var leaked_one = 1;</script>\n"
      "<script>icon = '<svg><path d=\"M0\"/></svg>'; var leaked_two = 2;</script>\n"
      "<svg><style>.a{fill:red}</style><title>picture title</title></svg>\n"
      "<template><p>template text</p></template>\n");
  EXPECT_TRUE(Holds(body, "Before.")) << body;
  ExpectNoneOf(body, {"leaked", "fill:red", "picture title", "template text", "<"});
}

// A formula is text a browser shows, in a sentence ("a set of N objects");
// its annotations (the TeX it was written in, other markup) are not.
TEST(WebPageTest, FormulasKeepTheirTextWithoutTheirAnnotations) {
  const std::string body = ConvertedBody(
      "<p>After <math><mi>x</mi><mo>+</mo><mi>y</mi></math> the formula.</p>\n"
      "<p>Given a set of <math alttext=\"{\\displaystyle N}\"><semantics><mrow><mi>N</mi>"
      "</mrow><annotation encoding=\"application/x-tex\">{\\displaystyle N}</annotation>"
      "<annotation-xml encoding=\"MathML-Content\"><ci>kept_out</ci></annotation-xml>"
      "</semantics></math> objects.</p>\n");
  EXPECT_TRUE(Holds(body, "After x+y the formula.")) << body;
  EXPECT_TRUE(Holds(body, "Given a set of N objects.")) << body;
  ExpectNoneOf(body, {"displaystyle", "kept_out", "<"});
}

// Templates, widgets and forms put '<' and '>' into quoted values; the tag
// still ends at the '>' after its last value, as in a browser, and what the
// values say shows only where a value reaches the text.
TEST(WebPageTest, MarkupInsideQuotedValuesStaysInItsTag) {
  const std::string body = ConvertedBody(
      "<div ng-if=\"rows.length > 0 && rows[rows.length - 1]\">Shown rows.</div>\n"
      "<input type=\"hidden\" value=\"<span>Please%20wait</span>\"/>\n"
      "<div data-html='<iframe src=\"v\"></iframe>' data-kind=\"video\">Video.</div>\n"
      "<ul><li class=\"lang-de>\"><a href=\"/de\">DE</a></li></ul>\n"
      "<p>An <a href=\"x>Link</a> never closed, \"quoted\" words.</p>\n"
      "<table><td <table><tr><td>Cell words</table></table>\n<p><b <i>Bold</i></b> words.</p>\n");
  ExpectAllOf(body, {"Shown rows.", "Video.", "DE", "never closed", "Cell words", "Bold"});
  ExpectNoneOf(body, {"rows.length", "Please", "iframe", "video", "\">"});

  DetagOptions alternatives;
  alternatives.img_text_marker = true;
  alternatives.img_use_alt = true;
  const std::string shown = ConvertedBody(
      "<p>A <img src=\"a.png\" alt=\"x > y\"> picture.</p>\n"
      "<p><a href=\"https://e.com/?q=a>b\">Link</a>.</p>\n",
      alternatives);
  EXPECT_TRUE(Holds(shown, "A [x > y] picture.")) << shown;
  EXPECT_TRUE(Holds(shown, "https://e.com/?q=a>b")) << shown;
}

// References written without their ';', as browsers read them in a page's
// text, headings and table cells; a link's address keeps its own.
TEST(WebPageTest, ReferencesWithoutTheirSemicolonInTheText) {
  const std::string body = ConvertedBody(
      "<h1>Caf&eacute menu</h1>\n<p>Copyright &copy 2020&nbspThe Team, info&#64team.de.</p>\n"
      "<table><tr><td>cr&egrave;me</td><td>&frac12 price</td></tr></table>\n"
      "<p><a href=\"https://e.com/?a=1&copy=2\">Link</a></p>\n");
  ExpectAllOf(body, {"Caf\xC3\xA9 menu\n*********\n", "The Team, info@team.de.", "\xC2\xBD price",
                     "https://e.com/?a=1&copy=2"});
  ExpectNoneOf(body, {"&eacute", "&nbsp", "&#64", "&frac12"});
}

TEST(WebPageTest, BlockElementsAndLineBreaksEndTheLine) {
  const std::string body = ConvertedBody(
      "<p>Intro paragraph.</p>\n"
      "<span>span</span><div>div</div><header>header</header><nav>nav</nav><main>main</main>"
      "<section>section</section><article>article</article><aside>aside</aside>"
      "<figure>figure<figcaption>caption</figcaption></figure><details><summary>summary"
      "</summary>details</details><footer>footer</footer><address>address</address>"
      "<dialog>dialog</dialog>\n"
      "<p>one<br/>two<br clear=\"all\">three<br />four</br>five<BR>six</p>\n");
  EXPECT_EQ(Lines(body),
            (std::vector<std::string>{"Intro paragraph.", "span", "div", "header", "nav", "main",
                                      "section", "article", "aside", "figure", "caption",
                                      "summary", "details", "footer", "address", "dialog", "one",
                                      "two", "three", "four", "five", "six"}));
}

TEST(WebPageTest, CentreAndDivAlignmentAlignTheirText) {
  DetagOptions options;
  options.page_width = 40;
  const std::string body = ConvertedBody(
      "<p>Left words.</p>\n"
      "<center>Centred</center><div align=\"center\">Div</div>\n"
      "<div style=\"text-align: right\"><p>Right para</p><div>inner</div></div>\n"
      "<p>Left again.</p>\n",
      options);
  const std::vector<std::string> lines = Lines(body);
  ASSERT_EQ(lines.size(), 6u) << body;
  EXPECT_EQ(lines[0], "Left words.");
  EXPECT_EQ(lines[1], std::string(16, ' ') + "Centred");
  EXPECT_EQ(lines[2], std::string(18, ' ') + "Div");
  EXPECT_EQ(lines[3], std::string(30, ' ') + "Right para");
  EXPECT_EQ(lines[4], std::string(35, ' ') + "inner");
  EXPECT_EQ(lines[5], "Left again.");
}

}  // namespace
}  // namespace orv
