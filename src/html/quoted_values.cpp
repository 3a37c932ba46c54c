// '<' and '>' inside quoted attribute values, rewritten as entities or held
// in bytes of their own: a walk over the start tags that reads each tag as
// a browser does, within bounds that keep the old reading wherever the
// browser's would take text into a tag.
#include "html/quoted_values.h"

#include <array>
#include <cstring>
#include <string_view>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "common/text.h"

namespace orv {

namespace {

bool IsTagBlank(char c) { return IsBlank(c) || c == '\f'; }

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

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

// The position of the first of the bytes `a` to `d` in [from, to),
// or `to`: sixteen bytes at a time, as most tags and values are short and
// a library call would cost more than the search.
[[gnu::always_inline]] inline size_t FindAnyOf(std::string_view text, size_t from, size_t to,
                                               char a, char b, char c, char d) {
#if defined(__SSE2__)
  const __m128i need_a = _mm_set1_epi8(a), need_b = _mm_set1_epi8(b), need_c = _mm_set1_epi8(c),
                need_d = _mm_set1_epi8(d);
  // Whole blocks of the text, the last one cut at `to`.
  for (; from < to && from + 16 <= text.size(); from += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + from));
    const __m128i hits =
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, need_a), _mm_cmpeq_epi8(block, need_b)),
                     _mm_or_si128(_mm_cmpeq_epi8(block, need_c), _mm_cmpeq_epi8(block, need_d)));
    unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
    if (to - from < 16) mask &= (1u << (to - from)) - 1;
    if (mask != 0) return from + static_cast<size_t>(__builtin_ctz(mask));
  }
#endif
  for (; from < to; ++from) {
    const char x = text[from];
    if (x == a || x == b || x == c || x == d) return from;
  }
  return to;
}

struct Span {
  size_t from, to;  // a value's characters, quotes excluded
};

// Whether the '<' at `at`, inside a start tag, begins what looks like a
// tag of its own ("<td <table>"): a blank before it, a letter after it.
// A browser reads it as an attribute name; the pattern lists would take it
// for a tag, a table among them, and lose the text around it.
bool IsStrayTagStart(std::string_view text, size_t at) {
  return at > 0 && IsTagBlank(text[at - 1]) && at + 1 < text.size() && IsAsciiLetter(text[at + 1]);
}

// What the walk over one start tag found.
struct TagWalk {
  size_t resume = 0;   // where the search for the next tag goes on
  bool whole = false;  // read as a browser does, its values to be rewritten
};

// Reads the start tag whose '<' is at `open` and whose name ends at
// `name_end`; adds the values to rewrite to `spans` when it is read whole.
TagWalk WalkStartTag(std::string_view text, size_t open, size_t name_end,
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
    if (c == '<') {
      if (pending) return give_up(p);
      // "<td <table>": an attribute name to a browser, no tag of its own.
      if (IsStrayTagStart(text, p)) spans.push_back({p, p + 1});
    }
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
    // The next such quote is the value's end: searches never overlap, as
    // each stops at the quote that the next one would start after.
    const size_t close = FindAnyOf(text, q + 1, limit, quote, quote, quote, quote);
    if (close >= limit) return give_up(q + 1);
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

// The end of the tag name that starts at `from`: its first blank, '/',
// '>' or '<'.
size_t NameEnd(std::string_view text, size_t from) {
  static constexpr auto kEnds = [] {
    std::array<bool, 256> ends{};
    for (unsigned char c : std::string_view(" \t\r\n\f/><")) ends[c] = true;
    return ends;
  }();
  while (from < text.size() && !kEnds[static_cast<unsigned char>(text[from])]) ++from;
  return from;
}

// Whether the start tag named `name` is of an element whose content holds
// no markup (script, style, textarea, title, xmp, iframe, noembed,
// noframes, noscript, plaintext), passed over to its end tag; `raw` gets
// that name. One comparison at most: the length and a letter or two tell
// them apart.
bool HoldsNoMarkup(std::string_view name, std::string_view& raw) {
  std::string_view candidate;
  const char first = static_cast<char>(name.empty() ? 0 : name[0] | 0x20);
  switch (name.size()) {
    case 3: candidate = "xmp"; break;
    case 5: candidate = first == 's' ? "style" : "title"; break;
    case 6: candidate = first == 's' ? "script" : "iframe"; break;
    case 7: candidate = "noembed"; break;
    case 8:
      candidate = first == 't'                       ? "textarea"
                  : name[2] == 'f' || name[2] == 'F' ? "noframes"
                                                     : "noscript";
      break;
    case 9: candidate = "plaintext"; break;
    default: return false;
  }
  if (!EqualsNoCase(name, candidate)) return false;
  raw = candidate;
  return true;
}

// The position of the first '>', quote or '<' at or after `from`, or the
// text's size.
size_t NextTagStop(std::string_view text, size_t from) {
  return FindAnyOf(text, from, text.size(), '>', '"', '\'', '<');
}

}  // namespace

// The text is read from one '<' to the next: a '<' with a letter after it
// opens a start tag, read up to its '>' with each value after an '=' taken
// whole from its quote to the next; "<!--" opens a comment. A tag with a
// '<' or '>' in a value (or a value that never closes) is handed to the
// exact walk (WalkStartTag), and the reading goes on where the walk
// stopped.
size_t EscapeMarkupInQuotedValues(std::string& text, const QuotedMarkupForm& form) {
  const std::string_view all(text);
  const size_t n = all.size();
  std::vector<Span> spans;
  size_t values = 0;
  size_t i = 0;
  while (i < n) {
    const void* found = std::memchr(all.data() + i, '<', n - i);
    if (found == nullptr) break;
    const size_t open = static_cast<size_t>(static_cast<const char*>(found) - all.data());
    i = open + 1;
    if (i >= n) break;
    if (all[i] == '!') {
      if (all.compare(open, 4, "<!--") == 0) {
        const size_t end = all.find("-->", open + 2);
        if (end == std::string_view::npos) break;  // an unclosed comment runs to the end
        i = end + 3;
      }
      continue;
    }
    if (!IsAsciiLetter(all[i])) continue;
    const size_t name_end = NameEnd(all, i);
    // The tag up to its '>', its values passed over whole.
    bool suspect = false;
    size_t p = NextTagStop(all, name_end);
    while (p < n && all[p] != '>') {
      if (all[p] == '<') {
        if (IsStrayTagStart(all, p)) {
          suspect = true;
          break;
        }
        p = NextTagStop(all, p + 1);
        continue;
      }
      size_t before = p;
      while (before > name_end && IsTagBlank(all[before - 1])) --before;
      if (before > name_end && all[before - 1] == '=') {
        // The value up to its closing quote, or to a '<' or '>' in it.
        const size_t stop = FindAnyOf(all, p + 1, n, all[p], '<', '>', '>');
        if (stop >= n || all[stop] != all[p]) {
          suspect = true;
          break;
        }
        p = stop;
      }
      p = NextTagStop(all, p + 1);
    }
    if (p >= n && !suspect) break;  // no tag ends from here on
    std::string_view raw;
    const bool whole_content = HoldsNoMarkup(all.substr(open + 1, name_end - open - 1), raw);
    if (suspect) {
      const size_t spans_before = spans.size();
      const TagWalk walk = WalkStartTag(all, open, name_end, spans);
      values += spans.size() - spans_before;
      i = walk.resume;
      if (!walk.whole) continue;
    } else {
      i = p + 1;
    }
    if (whole_content) i = EndOfContent(all, raw, i);
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
        out += form.less;
      else if (c == '>')
        out += form.greater;
      else
        out += c;
    }
    from = span.to;
  }
  out.append(all, from, std::string_view::npos);
  text.swap(out);
  return values;
}

void RestoreHeldMarkup(std::string& text) {
  size_t at = text.find('\r');
  if (at == std::string::npos) return;
  size_t out = at;
  for (; at < text.size(); ++at) {
    const char c = text[at];
    if (c != '\r') {
      text[out++] = c;
    } else if (at + 1 < text.size() && (text[at + 1] == '(' || text[at + 1] == ')')) {
      text[out++] = text[at + 1] == '(' ? '<' : '>';
      ++at;
    } else {
      text[out++] = ' ';
    }
  }
  text.resize(out);
}

}  // namespace orv
