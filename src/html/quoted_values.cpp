// Entities for '<' and '>' inside quoted attribute values: a walk over the
// start tags that reads each tag as a browser does, within bounds that keep
// the old reading wherever the browser's would take text into a tag.
#include "html/quoted_values.h"

#include <cstring>
#include <string_view>
#include <vector>

#include "common/byte_cursor.h"
#include "common/text.h"

namespace orv {

namespace {

bool IsTagBlank(char c) { return IsBlank(c) || c == '\f'; }

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Elements whose content is no markup: what lies between their start and
// end tags is passed over.
constexpr std::string_view kNoMarkupInside[] = {"script",   "style",    "textarea", "title",
                                                "xmp",      "iframe",   "noembed",  "noframes",
                                                "noscript", "plaintext"};

// A value that holds one of these is left as it is: the steps that find a
// comment's or a script's end read them wherever they stand.
bool HoldsAnEndThatOthersFind(std::string_view value) {
  if (value.find("-->") != std::string_view::npos) return true;
  for (size_t at = value.find("</"); at != std::string_view::npos; at = value.find("</", at + 2)) {
    const std::string_view name = value.substr(at + 2);
    if (StartsWithNoCase(name, "script") || StartsWithNoCase(name, "style")) return true;
  }
  return false;
}

// The position of the next `quote` at or after `from`, remembered from the
// last search while it still lies ahead, so that the searches of a whole
// text cost one pass over it.
class QuoteFinder {
 public:
  explicit QuoteFinder(std::string_view text) : text_(text) {}
  size_t Next(char quote, size_t from) {
    size_t& known = quote == '"' ? double_ : single_;
    if (known != kUnknown && (known == std::string_view::npos || known >= from)) return known;
    const void* found = from < text_.size()
                            ? std::memchr(text_.data() + from, quote, text_.size() - from)
                            : nullptr;
    known = found ? static_cast<size_t>(static_cast<const char*>(found) - text_.data())
                  : std::string_view::npos;
    return known;
  }

 private:
  static constexpr size_t kUnknown = std::string_view::npos - 1;
  std::string_view text_;
  size_t double_ = kUnknown, single_ = kUnknown;
};

struct Span {
  size_t from, to;  // a value's characters, quotes excluded
};

// What the walk over one start tag found.
struct TagWalk {
  size_t resume = 0;   // where the search for the next tag goes on
  bool whole = false;  // read as a browser does, its values to be rewritten
};

// Reads the start tag whose '<' is at `open` and whose name ends at
// `name_end`; adds the values to rewrite to `spans` when it is read whole.
TagWalk WalkStartTag(std::string_view text, size_t open, size_t name_end, QuoteFinder& quotes,
                     std::vector<Span>& spans) {
  TagWalk walk;
  const size_t spans_before = spans.size();
  const size_t limit = std::min(text.size(), open + kMaxQuotedTagLength);
  bool pending = false;  // a value to rewrite has been met
  auto give_up = [&](size_t resume) {
    spans.resize(spans_before);
    walk.resume = resume;
    walk.whole = false;
    return walk;
  };
  size_t p = name_end;
  while (p < limit) {
    const char c = text[p];
    if (c == '>') {
      walk.resume = p + 1;
      walk.whole = true;
      return walk;
    }
    if (IsTagBlank(c) || c == '/') {
      ++p;
      continue;
    }
    if (c == '<' && pending) return give_up(p);
    // An attribute name, then perhaps '=' and a value.
    ++p;
    while (p < limit && !IsTagBlank(text[p]) && text[p] != '/' && text[p] != '>' &&
           text[p] != '=') {
      if (text[p] == '<' && pending) return give_up(p);
      ++p;
    }
    size_t q = p;
    while (q < limit && IsTagBlank(text[q])) ++q;
    if (q >= limit || text[q] != '=') {
      p = q;
      continue;
    }
    ++q;
    while (q < limit && IsTagBlank(text[q])) ++q;
    if (q >= limit) break;
    const char quote = text[q];
    if (quote != '"' && quote != '\'') {
      // An unquoted value ends at a blank or at the tag's end.
      p = q;
      while (p < limit && !IsTagBlank(text[p]) && text[p] != '>') {
        if (text[p] == '<' && pending) return give_up(p);
        ++p;
      }
      continue;
    }
    const size_t close = quotes.Next(quote, q + 1);
    if (close == std::string_view::npos || close >= limit) return give_up(q + 1);
    const std::string_view value = text.substr(q + 1, close - q - 1);
    const bool markup = value.find_first_of("<>") != std::string_view::npos;
    if (markup) {
      const char after = close + 1 < text.size() ? text[close + 1] : '\0';
      if (!(IsTagBlank(after) || after == '/' || after == '>') || HoldsAnEndThatOthersFind(value))
        return give_up(q + 1);
      spans.push_back({q + 1, close});
      pending = true;
    }
    p = close + 1;
  }
  // No '>' outside a value within the bound: no tag ends here, and none
  // of the tags begun inside the stretch walked would either.
  return give_up(p);
}

// Where the content of the element named `name`, which starts at `from`,
// ends: at its end tag, or at the end of the text.
size_t EndOfContent(std::string_view text, std::string_view name, size_t from) {
  for (size_t at = text.find("</", from); at != std::string_view::npos;
       at = text.find("</", at + 2)) {
    const size_t after = at + 2 + name.size();
    if (EqualsNoCase(text.substr(at + 2, name.size()), name) &&
        (after >= text.size() || IsTagBlank(text[after]) || text[after] == '/' ||
         text[after] == '>'))
      return at;
  }
  return text.size();
}

// The end of the tag name that starts at `from`.
size_t NameEnd(std::string_view text, size_t from) {
  while (from < text.size() && !IsTagBlank(text[from]) && text[from] != '/' && text[from] != '>' &&
         text[from] != '<')
    ++from;
  return from;
}

// Whether the start tag named `name` is of an element whose content holds
// no markup; `raw` gets that name.
bool HoldsNoMarkup(std::string_view name, std::string_view& raw) {
  if (name.size() < 3 || name.size() > 9) return false;
  switch (name[0] | 0x20) {
    case 's':
    case 't':
    case 'x':
    case 'i':
    case 'n':
    case 'p': break;
    default: return false;
  }
  for (std::string_view candidate : kNoMarkupInside) {
    if (EqualsNoCase(name, candidate)) {
      raw = candidate;
      return true;
    }
  }
  return false;
}

}  // namespace

// The text is read by its structural bytes alone ('<', '>' and the two
// quotes), taken 64 at a time from bit masks: in text, a '<' with a letter
// after it opens a start tag and "<!--" a comment; in a tag, a quote after
// '=' opens a value and '>' ends the tag; in a value, its own quote closes
// it. A '<' or '>' met in a value makes its tag a candidate, which the
// exact walk (WalkStartTag) reads from its '<'; the reading goes on where
// the walk stopped.
size_t EscapeMarkupInQuotedValues(std::string& text) {
  const std::string_view all(text);
  ByteCursor structure(all, "<>\"'");
  QuoteFinder quotes(all);
  std::vector<Span> spans;
  size_t values = 0;
  enum class State { kText, kTag, kValue } state = State::kText;
  size_t open = 0, name_end = 0;
  char quote = 0;
  std::string_view raw;  // the tag is of an element without markup inside
  for (size_t at = structure.Next(0); at < all.size(); at = structure.Next(at + 1)) {
    const char c = all[at];
    switch (state) {
      case State::kText: {
        if (c != '<' || at + 1 >= all.size()) break;
        const char next = all[at + 1];
        if (next == '!' && all.compare(at, 4, "<!--") == 0) {
          const size_t end = all.find("-->", at + 2);
          // An unclosed comment runs to the end of the text.
          at = end == std::string_view::npos ? all.size() - 1 : end + 2;
          break;
        }
        if (!IsAsciiLetter(next)) break;
        open = at;
        name_end = NameEnd(all, at + 1);
        raw = {};
        HoldsNoMarkup(all.substr(at + 1, name_end - at - 1), raw);
        state = State::kTag;
        at = name_end - 1;
        break;
      }
      case State::kTag: {
        if (c == '>') {
          state = State::kText;
          if (!raw.empty()) at = EndOfContent(all, raw, at + 1) - 1;
        } else if (c == '"' || c == '\'') {
          size_t before = at;
          while (before > name_end && IsTagBlank(all[before - 1])) --before;
          if (before > name_end && all[before - 1] == '=') {
            state = State::kValue;
            quote = c;
          }
        }
        break;
      }
      case State::kValue: {
        if (c == quote) {
          state = State::kTag;
        } else if (c == '<' || c == '>') {
          const size_t spans_before = spans.size();
          const TagWalk walk = WalkStartTag(all, open, name_end, quotes, spans);
          values += spans.size() - spans_before;
          state = State::kText;
          size_t resume = walk.resume;
          if (walk.whole && !raw.empty()) resume = EndOfContent(all, raw, resume);
          at = resume - 1;
        }
        break;
      }
    }
  }
  if (spans.empty()) return 0;

  std::string out;
  out.reserve(text.size() + text.size() / 64 + 64);
  size_t from = 0;
  for (const Span& span : spans) {
    out.append(all, from, span.from - from);
    for (size_t k = span.from; k < span.to; ++k) {
      const char c = all[k];
      if (c == '<')
        out += "&lt;";
      else if (c == '>')
        out += "&gt;";
      else
        out += c;
    }
    from = span.to;
  }
  out.append(all, from, std::string_view::npos);
  text.swap(out);
  return values;
}

}  // namespace orv
