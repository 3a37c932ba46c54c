// The tag handlers of the detag pass and the helpers they share: alignment
// and base-URL resolution. Each handler
// changes the text only through its PatternList, addressed in the offsets of
// the match it was called for.
#include "convert/detag_handlers.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "common/text.h"
#include "html/detag_options.h"
#include "html/entities.h"
#include "html/lengths.h"
#include "html/parsed_tag.h"

namespace orv {

namespace {

bool InRange(long start, long end, const std::string& text) {
  return start >= 0 && end >= start && static_cast<size_t>(end) < text.size();
}

std::string_view MatchText(long start, long end, const std::string& text) {
  return std::string_view(text).substr(static_cast<size_t>(start),
                                       static_cast<size_t>(end - start + 1));
}

bool IsLowerLetter(char c) { return c >= 'a' && c <= 'z'; }

}  // namespace

Alignment AlignmentFromWord(std::string_view word) {
  word = TrimView(word);
  if (EqualsNoCase(word, "center")) return Alignment::kCentre;
  if (EqualsNoCase(word, "right")) return Alignment::kRight;
  if (EqualsNoCase(word, "justify")) return Alignment::kJustify;
  return Alignment::kLeft;
}

Alignment TagAlignment(std::string_view tag) {
  const Alignment declared = DeclaredAlignment(tag);
  return declared == Alignment::kNone ? Alignment::kLeft : declared;
}

Alignment DeclaredAlignment(std::string_view tag) {
  std::string value;
  if (GetTagAttribute(tag, "align", value) && !TrimView(value).empty())
    return AlignmentFromWord(value);
  if (GetTagAttribute(tag, "style", value)) {
    const std::string property = GetStyleProperty(value, "text-align");
    if (!TrimView(property).empty()) return AlignmentFromWord(property);
  }
  return Alignment::kNone;
}

Alignment AlignedBlockState::Current() const {
  for (auto it = open.rbegin(); it != open.rend(); ++it)
    if (*it != Alignment::kNone) return *it;
  return Alignment::kNone;
}

std::string_view AlignmentMarker(Alignment alignment) {
  switch (alignment) {
    case Alignment::kCentre: return "[[CENTER]]";
    case Alignment::kRight: return "[[RIGHT]]";
    case Alignment::kJustify: return "[[JUSTIFY]]";
    case Alignment::kLeft:
    case Alignment::kNone: break;
  }
  return "[[LEFT]]";
}

std::string ResolveUrl(std::string_view href, std::string_view base) {
  // Empty hrefs and jumps within the page stay as written: resolving them
  // would turn them into links to the base document.
  if (!NeedsBase(href, base)) return std::string(href);
  for (std::string_view absolute : {"://", "javascript:", "news:", "@", "mailto:"})
    if (FindNoCase(href, absolute) != std::string_view::npos) return std::string(href);

  // The root: scheme, "://" and host with a "/"; or, without a scheme, the
  // first "/"-separated part with a "/". The rest is the path.
  std::string root;
  std::string_view rest;
  const size_t scheme = base.find("://");
  const size_t host_from = scheme == std::string_view::npos ? 0 : scheme + 3;
  const size_t host_end =
      base.find_first_of(scheme == std::string_view::npos ? "/" : "/?#", host_from);
  if (host_end == std::string_view::npos) {
    root = std::string(base) + "/";
  } else {
    root = std::string(base.substr(0, host_end)) + "/";
    if (base[host_end] == '/') rest = base.substr(host_end + 1);
  }
  const size_t query = rest.find_first_of("#?");
  if (query != std::string_view::npos) rest = rest.substr(0, query);
  const size_t last_slash = rest.rfind('/');
  const std::string_view directory =
      last_slash == std::string_view::npos ? std::string_view() : rest.substr(0, last_slash + 1);

  if (href.front() == '/') return root.substr(0, root.size() - 1) + std::string(href);
  if (href.substr(0, 3) == "../") {
    size_t ups = 0;
    while (href.substr(0, 3) == "../") {
      href.remove_prefix(3);
      ++ups;
    }
    std::vector<std::string> components;
    for (std::string& part : Split(directory, '/'))
      if (!part.empty()) components.push_back(std::move(part));
    const size_t keep = components.size() > ups ? components.size() - ups : 0;
    std::string url = root;
    for (size_t i = 0; i < keep; ++i) url += components[i] + "/";
    return url + std::string(href);
  }
  return root + std::string(directory) + std::string(href);
}

int HandleComment(PatternList& list, long start, long end, const std::string& text, intptr_t code,
                  CommentState& state) {
  if (!InRange(start, end, text)) return ActionNone;
  switch (code) {
    case kScriptStart:
      state.in_script = true;
      state.comment_start = -1;
      return ActionNone;
    case kScriptEnd: state.in_script = false; return ActionNone;
    case kCommentOpen:
      // Comments do not nest: the first "<!--" opens, the first "-->" closes.
      if (!state.in_script && state.comment_start < 0) state.comment_start = start;
      return ActionNone;
    case kCommentClose: {
      if (state.in_script || state.comment_start < 0) return ActionNone;
      const long from = std::min(state.comment_start, start);
      state.comment_start = -1;
      return list.ReplaceText(from, end, std::string_view());
    }
    default: return ActionNone;
  }
}

int HandleOfficeComment(PatternList& list, long start, long end, const std::string& text) {
  if (!InRange(start, end, text)) return ActionNone;
  const std::string_view match = MatchText(start, end, text);
  const size_t condition_end = match.find("]>");
  if (condition_end == std::string_view::npos) return ActionNone;
  const std::string condition = ToLower(match.substr(0, condition_end));
  if (condition.find("mso") == std::string::npos && condition.find("vml") == std::string::npos)
    return ActionNone;
  constexpr std::string_view kRevealed = "<!-->";
  constexpr std::string_view kRevealedEnd = "<!--<![endif]-->";
  const std::string_view rest = match.substr(condition_end + 2);
  if (rest.substr(0, kRevealed.size()) == kRevealed && rest.size() >= kRevealed.size() + kRevealedEnd.size() &&
      rest.substr(rest.size() - kRevealedEnd.size()) == kRevealedEnd)
    return list.ReplaceMatch(
        rest.substr(kRevealed.size(), rest.size() - kRevealed.size() - kRevealedEnd.size()));
  return list.DeleteMatch();
}

int HandleParagraph(PatternList& list, long start, long end, const std::string& text,
                    const DetagMarkers& markers, Alignment enclosing) {
  if (!InRange(start, end, text)) return ActionNone;
  const std::string_view tag = MatchText(start, end, text);
  std::string replacement = markers.paragraph;
  const Alignment declared = DeclaredAlignment(tag);
  replacement += AlignmentMarker(declared != Alignment::kNone ? declared : enclosing);
  std::string style;
  if (GetTagAttribute(tag, "style", style)) {
    const std::string stops = ToLower(GetStyleProperty(style, "tab-stops"));
    const size_t center = stops.find("center");
    const size_t right = stops.find("right");
    if (center != std::string::npos && (right == std::string::npos || center < right))
      replacement += "[[TAB_STOP_CENTER]]";
    else if (right != std::string::npos)
      replacement += "[[TAB_STOP_RIGHT]]";
  }
  return list.ReplaceMatch(replacement);
}

int HandleAlignedBlock(PatternList& list, long start, long end, const std::string& text,
                       intptr_t code, AlignedBlockState& state) {
  if (!InRange(start, end, text)) return ActionNone;
  const std::string_view tag = MatchText(start, end, text);
  Alignment marker = Alignment::kNone;
  if (code == kDivOpen || code == kCenterOpen) {
    // Both the align attribute and the text-align property say "align".
    const Alignment own = code == kCenterOpen ? Alignment::kCentre
                          : FindNoCase(tag, "align") == std::string_view::npos
                              ? Alignment::kNone
                              : DeclaredAlignment(tag);
    if (state.open.size() >= AlignedBlockState::kMaxDepth)
      ++state.too_deep;
    else
      state.open.push_back(own);
    marker = own;
  } else if (state.too_deep > 0) {
    --state.too_deep;
  } else if (!state.open.empty()) {
    const Alignment closed = state.open.back();
    state.open.pop_back();
    if (closed != Alignment::kNone) {
      marker = state.Current();
      if (marker == Alignment::kNone) marker = Alignment::kLeft;
    }
  }
  if (marker == Alignment::kNone) return ActionNone;
  std::string replacement(tag);
  replacement += AlignmentMarker(marker);
  return list.ReplaceMatch(replacement);
}

std::string RuleWidth(std::string_view tag, const DetagOptions& options) {
  std::string width;
  if (!GetTagAttribute(tag, "width", width)) return std::string();
  width = Trim(width);
  if (width.find('%') != std::string::npos) return " " + width;
  const int64_t page = options.adjust_table_to_page ? options.page_width : 80;
  const int64_t columns = PixelsToColumns(LeadingNumber(width), page);
  if (columns <= 0) return std::string();
  return " " + std::to_string(columns);
}

int HandleBlock(PatternList& list, long start, long end, const std::string& text,
                const std::string& statement, const DetagMarkers& markers,
                const DetagOptions& options) {
  if (!InRange(start, end, text)) return ActionNone;
  const std::string_view tag = MatchText(start, end, text);
  std::string replacement;
  if (statement != markers.rule) {
    // The tag stays for the remaining-tag pass; the statement gets a line.
    replacement.reserve(tag.size() + statement.size() + 2);
    replacement += tag;
    replacement += '\n';
    replacement += statement;
    replacement += '\n';
    return list.ReplaceMatch(replacement);
  }
  std::string align;
  GetTagAttribute(tag, "align", align);
  Alignment alignment = AlignmentFromWord(align);
  if (alignment == Alignment::kJustify) alignment = Alignment::kLeft;
  replacement += AlignmentMarker(alignment);
  replacement += '\n';
  replacement += tag;
  replacement += markers.statement;
  replacement += markers.rule;
  replacement += RuleWidth(tag, options);
  replacement += markers.statement;
  if (alignment != Alignment::kLeft) replacement += "\n[[LEFT]]";
  return list.ReplaceMatch(replacement);
}

int HandleMeta(PatternList& list, long start, long end, const std::string& text,
               std::string& author, std::string& charset) {
  if (!InRange(start, end, text)) return ActionNone;
  const std::string_view tag = MatchText(start, end, text);
  std::string name, http_equiv, content, declared;
  const TagAttributes attributes(tag);
  attributes.Get("name", name);
  attributes.Get("http-equiv", http_equiv);
  attributes.Get("content", content);
  if (EqualsNoCase(TrimView(name), "Author")) author = DecodeAttributeValue(content);
  if (EqualsNoCase(TrimView(http_equiv), "Content-Type")) {
    const size_t word = FindNoCase(content, "charset");
    const size_t equals = word == std::string::npos ? word : content.find('=', word + 7);
    if (equals != std::string::npos) {
      const size_t stop = content.find(';', equals + 1);
      charset = Trim(std::string_view(content).substr(
          equals + 1, stop == std::string::npos ? std::string::npos : stop - equals - 1));
    }
  }
  // The short form <meta charset="..."> names the character set too.
  if (attributes.Get("charset", declared) && !TrimView(declared).empty())
    charset = Trim(declared);
  return list.DeleteMatch();
}

int HandleStyleLink(PatternList& list, long start, long end, const std::string& text,
                    const DetagOptions& options) {
  if (!InRange(start, end, text)) return ActionNone;
  std::string rel;
  if (!options.remove_style_sheet || !GetTagAttribute(MatchText(start, end, text), "rel", rel) ||
      !EqualsNoCase(TrimView(rel), "StyleSheet"))
    return ActionNone;
  return list.DeleteMatch();
}

namespace {

// Elements rendered as blocks whose tags no list of the pass lays out, by
// the length of their names.
constexpr std::string_view kBlockElements3[] = {"div", "nav"};
constexpr std::string_view kBlockElements4[] = {"main", "menu"};
constexpr std::string_view kBlockElements5[] = {"aside"};
constexpr std::string_view kBlockElements6[] = {"center", "dialog", "figure", "footer",
                                                "header", "hgroup", "legend", "search"};
constexpr std::string_view kBlockElements7[] = {"address", "article", "details", "section",
                                                "summary"};
constexpr std::string_view kBlockElements8[] = {"fieldset", "frameset", "noframes", "optgroup"};
constexpr std::string_view kBlockElements10[] = {"figcaption"};
constexpr size_t kLongestBlockElement = 10;

// The first two letters of the names, lower-cased, as a bit per pair: a
// tag whose name begins otherwise is passed over at once.
constexpr std::array<uint32_t, 26> kBlockPrefixes = [] {
  std::array<uint32_t, 26> bits{};
  for (std::string_view name :
       {"address", "article", "aside", "center", "details", "dialog", "div", "fieldset",
        "figcaption", "figure", "footer", "frameset", "header", "hgroup", "legend", "main", "menu",
        "nav", "noframes", "optgroup", "search", "section", "summary"})
    bits[static_cast<size_t>(name[0] - 'a')] |= uint32_t{1} << (name[1] - 'a');
  return bits;
}();

bool MayBeBlockElement(char first, char second) {
  first = ToLowerAscii(first);
  second = ToLowerAscii(second);
  if (first < 'a' || first > 'z' || second < 'a' || second > 'z') return false;
  return (kBlockPrefixes[static_cast<size_t>(first - 'a')] >> (second - 'a')) & 1;
}

template <size_t N>
bool OneOf(std::string_view name, const std::string_view (&names)[N]) {
  const char initial = ToLowerAscii(name[0]);
  for (std::string_view candidate : names)
    if (candidate[0] == initial && EqualsNoCase(candidate, name)) return true;
  return false;
}

bool IsBlockElement(std::string_view name) {
  switch (name.size()) {
    case 3: return OneOf(name, kBlockElements3);
    case 4: return OneOf(name, kBlockElements4);
    case 5: return OneOf(name, kBlockElements5);
    case 6: return OneOf(name, kBlockElements6);
    case 7: return OneOf(name, kBlockElements7);
    case 8: return OneOf(name, kBlockElements8);
    case 10: return OneOf(name, kBlockElements10);
    default: return false;
  }
}

constexpr std::string_view kLaidOutBlocks[] = {
    "p",  "h1", "h2", "h3",    "h4",    "h5",    "h6",      "li",         "ul",  "ol", "dl",
    "dt", "dd", "tr", "td",    "th",    "hr",    "br",      "pre",        "table", "tbody",
    "thead", "tfoot", "caption", "blockquote", "listing", "xmp", "plaintext", "dir"};

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

}  // namespace

bool IsBlockTagName(std::string_view name) {
  if (IsBlockElement(name)) return true;
  for (std::string_view block : kLaidOutBlocks)
    if (block.size() == name.size() && EqualsNoCase(block, name)) return true;
  return false;
}

int InsertBlockBreaks(std::string& text, const std::string& mark) {
  std::string out;
  size_t copied = 0;
  int marks = 0;
  const size_t n = text.size();
  const char* data = text.data();
  size_t next_close = 0;
  for (const void* hit = std::memchr(data, '<', n); hit != nullptr;) {
    const size_t at = static_cast<size_t>(static_cast<const char*>(hit) - data);
    hit = at + 1 < n ? std::memchr(data + at + 1, '<', n - at - 1) : nullptr;
    size_t name = at + 1;
    const bool end_tag = name < n && text[name] == '/';
    if (end_tag) ++name;
    if (name + 1 >= n || !MayBeBlockElement(text[name], text[name + 1])) continue;
    size_t stop = name;
    while (stop < n && stop - name <= kLongestBlockElement && IsAsciiLetter(text[stop])) ++stop;
    if (stop == name || stop >= n || stop - name > kLongestBlockElement) continue;
    const char after = text[stop];
    if (!IsBlank(after) && after != '/' && after != '>') continue;
    const std::string_view tag_name(text.data() + name, stop - name);
    if (!IsBlockElement(tag_name) || (end_tag && EqualsNoCase(tag_name, "div"))) continue;
    // Next to a mark, blanks aside, the line ends already.
    size_t before = at;
    while (before > 0 && IsBlank(text[before - 1])) --before;
    if (before > 0 && text[before - 1] == '\xFF') continue;
    // The next ">" is remembered, so tags without one cost no new search.
    if (next_close != std::string::npos && next_close < stop) next_close = text.find('>', stop);
    const size_t close = next_close;
    if (close != std::string::npos) {
      size_t after_tag = close + 1;
      while (after_tag < n && IsBlank(text[after_tag])) ++after_tag;
      if (after_tag < n && text[after_tag] == '\xFF') continue;
    }
    if (marks == 0) out.reserve(n + n / 64);
    out.append(text, copied, at - copied);
    out += mark;
    copied = at;
    ++marks;
  }
  if (marks == 0) return 0;
  out.append(text, copied, std::string::npos);
  text.swap(out);
  return marks;
}

int HandleDialogue(PatternList& list, long start, long end, const std::string& text,
                   const DetagMarkers& markers) {
  if (!InRange(start, end, text)) return ActionNone;
  const size_t s = static_cast<size_t>(start);
  const size_t e = static_cast<size_t>(end);
  // A quotation continued in lower case is not a new one.
  if (e + 1 < text.size() && IsLowerLetter(text[e + 1])) return ActionNone;
  const std::string_view before = std::string_view(text).substr(0, s);
  std::string replacement;
  if (text[s] == '"') {
    if (!before.empty() && before.back() == ',') return ActionNone;
    replacement = "\"" + markers.statement + "\"";
  } else {
    // "... he asked." or "... she said." runs on into the quotation.
    if (EndsWithNoCase(before, "ed") || EndsWithNoCase(before, "aid")) return ActionNone;
    replacement = ". " + markers.statement + "\"";
  }
  return list.ReplaceMatch(replacement);
}

}  // namespace orv
