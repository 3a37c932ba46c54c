// Every element pattern of the detag pass's lists, under several sets of
// policies, tried on the tags of every element of HTML 4.01 and of today's
// HTML: a pattern may start only at a tag of its own element, never at one
// whose name merely begins the same way (<b> and <body>, <head> and
// <header>, <th> and <thead>).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <iterator>
#include <set>

#include "convert/detag.h"

namespace orv {
namespace {

// HTML 4.01, the current HTML standard (with its obsolete elements that
// browsers still know), the embedded svg and math (with a formula's
// annotations), and a few extensions that pages still carry.
constexpr const char* kElementNames[] = {
    "a", "abbr", "acronym", "address", "annotation", "annotation-xml", "applet", "area",
    "article", "aside", "audio", "b",
    "base", "basefont", "bdi", "bdo", "bgsound", "big", "blink", "blockquote", "body", "br",
    "button", "canvas", "caption", "center", "cite", "code", "col", "colgroup", "data",
    "datalist", "dd", "del", "details", "dfn", "dialog", "dir", "div", "dl", "dt", "em",
    "embed", "fieldset", "figcaption", "figure", "font", "footer", "form", "frame", "frameset",
    "h1", "h2", "h3", "h4", "h5", "h6", "head", "header", "hgroup", "hr", "html", "i", "iframe",
    "img", "input", "ins", "isindex", "kbd", "keygen", "label", "legend", "li", "link",
    "listing", "main", "map", "mark", "marquee", "math", "menu", "menuitem", "meta", "meter",
    "multicol", "nav", "nextid", "nobr", "noembed", "noframes", "noscript", "object", "ol",
    "optgroup", "option", "output", "p", "param", "picture", "plaintext", "pre", "progress", "q",
    "rb", "rp", "rt", "rtc", "ruby", "s", "samp", "script", "search", "section", "select",
    "selectedcontent", "slot", "small", "source", "spacer", "span", "strike", "strong", "style",
    "sub", "summary", "sup", "svg", "table", "tbody", "td", "template", "textarea", "tfoot",
    "th", "thead", "time", "title", "tr", "track", "tt", "u", "ul", "var", "video", "wbr",
    "xml", "xmp"};

// The element a pattern is for, upper-cased as the lists store it ("H%1"
// for the headings), or "" when the pattern does not begin with a tag
// name (markers, comments, dialogue).
std::string PatternElement(const std::string& pattern) {
  size_t i = 0;
  if (i >= pattern.size() || pattern[i] != '<') return "";
  ++i;
  if (i < pattern.size() && pattern[i] == '/') ++i;
  std::string name;
  while (i < pattern.size() &&
         (std::isalnum(static_cast<unsigned char>(pattern[i])) || pattern[i] == '-' ||
          (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == '1'))) {
    if (pattern[i] == '%') {
      name += "%1";
      i += 2;
    } else {
      name += pattern[i++];
    }
  }
  return name;
}

bool IsOwnElement(const std::string& pattern_element, const std::string& element) {
  std::string upper;
  for (char c : element) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (pattern_element == "H%1")
    return upper.size() == 2 && upper[0] == 'H' && upper[1] >= '1' && upper[1] <= '9';
  return pattern_element == upper;
}

// The offsets at which `pattern` completes a match starting before `limit`.
std::vector<long> MatchStarts(const std::string& pattern, const std::string& text, size_t limit) {
  std::vector<long> starts;
  PatternList list;
  list.AddCallback(pattern, [&](PatternList&, const Pattern&, long start, long, const std::string&,
                                size_t, void*) {
    if (static_cast<size_t>(start) < limit) starts.push_back(start);
    return static_cast<int>(ActionRejected);
  });
  list.Apply(text);
  return starts;
}

std::set<std::string> PatternsOf(const DetagOptions& options, const DetagRequest& request = {}) {
  TagCatalogue catalogue;
  DetagPass pass(catalogue);
  pass.BeginFile(options, request, {});
  const std::vector<std::string> texts = pass.PatternTexts();
  return {texts.begin(), texts.end()};
}

TEST(ElementPatternsTest, NoPatternStartsAtAnotherElementsTag) {
  // Text mode with and without highlighting, and markup removal with every
  // removal on, as the middle input of a concatenated output.
  std::set<std::string> patterns = PatternsOf(DetagOptions{});
  DetagOptions highlight;
  highlight.highlight_emphasis = true;
  for (const std::string& p : PatternsOf(highlight)) patterns.insert(p);
  DetagOptions removal;
  removal.remove_all_tags = false;
  removal.remove_head = removal.remove_office_tags = removal.remove_comments = true;
  removal.remove_script = removal.remove_style_sheet = removal.remove_object = true;
  removal.remove_form = removal.remove_font = removal.remove_span = true;
  removal.remove_emphasis = removal.remove_img = removal.remove_table_tags = true;
  removal.replace_hyperlinks = true;
  DetagRequest middle;
  middle.first_of_output = false;
  middle.last_of_output = false;
  for (const std::string& p : PatternsOf(removal, middle)) patterns.insert(p);

  // The tags of every element, each in four spellings and its end tag,
  // then what completes any element pattern's tail: every end tag.
  std::string text;
  std::vector<std::pair<size_t, std::string>> blocks;  // where each element's tags begin
  for (const char* element : kElementNames) {
    const std::string name(element);
    blocks.emplace_back(text.size(), name);
    text += "<" + name + ">x<" + name + " id=a>x<" + name + "/>x<" + name + "\n>x</" + name + ">x";
  }
  const size_t tags_end = text.size();
  text += " x";
  for (const char* name : kElementNames) text += "</" + std::string(name) + ">";

  size_t element_patterns = 0;
  for (const std::string& pattern : patterns) {
    const std::string own = PatternElement(pattern);
    if (own.empty()) continue;
    ++element_patterns;
    for (long start : MatchStarts(pattern, text, tags_end)) {
      auto block = std::upper_bound(
          blocks.begin(), blocks.end(), static_cast<size_t>(start),
          [](size_t at, const std::pair<size_t, std::string>& b) { return at < b.first; });
      const std::string& element = std::prev(block)->second;
      EXPECT_TRUE(IsOwnElement(own, element))
          << "pattern " << pattern << " fires on <" << element << ">";
    }
  }
  EXPECT_GT(element_patterns, 100u);
}

TEST(ElementPatternsTest, EveryPatternStillFindsItsOwnElement) {
  // The tag forms each element is written in: bare, with attributes, and
  // self-closed; end tags as written.
  const std::set<std::string> patterns = PatternsOf(DetagOptions{});
  for (const std::string& pattern : patterns) {
    const std::string own = PatternElement(pattern);
    if (own.empty() || own == "H%1") continue;
    std::string name;
    for (char c : own) name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const bool end_tag = pattern.size() > 1 && pattern[1] == '/';
    const bool bare = !end_tag && pattern.size() > own.size() + 1 && pattern[own.size() + 1] == '>';
    const std::string tag =
        end_tag ? "</" + name + ">" : bare ? "<" + name + ">" : "<" + name + " id=a>";
    const std::string text = tag + "x</" + name + ">";
    EXPECT_EQ(MatchStarts(pattern, text, 1), std::vector<long>{0}) << pattern;
  }
}

}  // namespace
}  // namespace orv
