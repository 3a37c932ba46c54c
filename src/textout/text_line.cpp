// The text-line operations of the layout step: break finder, piece cutting,
// centring, right alignment, full justification and rule lines. Positions
// are worked out in signed arithmetic because the break finder's scans look
// one position below their lower bounds.
#include "textout/text_line.h"

#include <algorithm>
#include <array>

#include "common/text.h"

namespace orv {
namespace {

constexpr std::string_view kBreakSet = "\n\t ";
constexpr std::string_view kTrailingSet = ")]},";
constexpr std::string_view kLeadingSet = "([{";
// A blank break this far or further before the limit lets punctuation win.
constexpr long kPunctuationReach = 15;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// What each byte can be to the break finder, one bit per set above, so its
// backward scans test a byte with one table look-up.
enum : unsigned char { kBreakBlank = 1, kTrailing = 2, kLeading = 4 };
constexpr std::array<unsigned char, 256> kBreakClass = [] {
  std::array<unsigned char, 256> table{};
  for (char c : kBreakSet) table[static_cast<unsigned char>(c)] |= kBreakBlank;
  for (char c : kTrailingSet) table[static_cast<unsigned char>(c)] |= kTrailing;
  for (char c : kLeadingSet) table[static_cast<unsigned char>(c)] |= kLeading;
  return table;
}();
bool IsIn(char c, unsigned char set) {
  return (kBreakClass[static_cast<unsigned char>(c)] & set) != 0;
}

// Whether the character at `p` may end a piece as trailing punctuation: not
// when a full stop follows it ("x)."), and not for a comma between two
// digits ("1,000").
bool IsTrailingBreak(std::string_view text, long p) {
  const long len = static_cast<long>(text.size());
  const char c = text[p];
  if (!IsIn(c, kTrailing)) return false;
  if (p + 1 < len && text[p + 1] == '.') return false;
  if (c == ',' && p > 0 && p + 1 < len && IsDigit(text[p - 1]) && IsDigit(text[p + 1]))
    return false;
  return true;
}

}  // namespace

// The break finder. With s the start and e = s + width the first column that
// no longer fits:
//  1. Only the text up to i = min(e, length) is looked at.
//  2. Blank break k: the last blank at or below i (above s); the end of the
//     text counts as one, so a remainder that fits ends there.
//  3. Trailing break d: the last ")]}," from i - 1 down to k - 1.
//  4. Leading break j: the last "([{" above s, k - 1 and d - 1.
//  5. The blank wins unless there is none or it lies more than 15 columns
//     before e; then d, and then j - 1 (cutting before the bracket), win
//     when they lie further right.
//  6. Nothing found: a hard cut, the piece filling the width exactly.
// The trailing scan starts at i - 1 rather than i: a piece ending on the
// punctuation at e would be one column wider than the width.
size_t FindLineBreak(std::string_view text, size_t start, size_t width, bool multibyte_guard) {
  const long len = static_cast<long>(text.size());
  const long s = static_cast<long>(start);
  if (s >= len) return text.size();
  const long e = s + static_cast<long>(std::max<size_t>(width, 1));
  const long i = std::min(e, len);

  long k = s;
  if (i == len) {
    k = len;
  } else {
    for (long p = i; p > s; --p) {
      if (IsIn(text[p], kBreakBlank)) {
        k = p;
        break;
      }
    }
  }

  // Punctuation only counts when there is no blank, or it lies too far
  // back; otherwise the blank stands and the punctuation scans are skipped.
  long brk = k;
  if (k == s || k < e - kPunctuationReach) {
    long d = s;
    bool found_d = false;
    for (long p = i - 1; p > s && p >= k - 1; --p) {
      if (IsTrailingBreak(text, p)) {
        d = p;
        found_d = true;
        break;
      }
    }

    long j = s;
    bool found_j = false;
    const long j_floor = std::max({s, k - 1, found_d ? d - 1 : s});
    for (long p = std::min(i, len - 1); p > j_floor; --p) {
      if (IsIn(text[p], kLeading)) {
        j = p;
        found_j = true;
        break;
      }
    }

    if (found_d && d > s && d > k) brk = d;
    if (found_j && j - 1 < e && j - 1 > brk) brk = j - 1;
  }
  if (brk == s) brk = e - 1;

  if (multibyte_guard && brk < len && brk > s) {
    const unsigned char c = static_cast<unsigned char>(text[brk]);
    if (c >= 129 && c <= 159) --brk;
  }
  return static_cast<size_t>(brk);
}

std::string CutPiece(std::string_view text, size_t* start, size_t width) {
  return std::string(CutPieceView(text, start, width));
}

std::string_view CutPieceView(std::string_view text, size_t* start, size_t width) {
  const size_t brk = FindLineBreak(text, *start, width);
  size_t from = *start;
  size_t end = brk >= text.size() ? text.size() : brk + 1;
  *start = brk + 1;
  if (from >= end) return {};
  if (text[from] == ' ') ++from;
  if (end > from && brk < text.size() && text[brk] == ' ') --end;
  return text.substr(from, end - from);
}

std::string CentreLine(std::string_view text, size_t width) {
  std::string work(text);
  if (work.size() > width) {
    work = CollapseBlanks(work);
    if (work.size() > width) return std::string(text);
  }
  work = Trim(work);
  const size_t left = (width - work.size()) / 2;
  const size_t right = width - work.size() - left;
  return std::string(left, ' ') + work + std::string(right, ' ');
}

std::string RightAlignLine(std::string_view text, size_t width) {
  if (text.size() >= width) return std::string(text);
  return std::string(width - text.size(), ' ') + std::string(text);
}

// Full justification: the trimmed text is copied from right to left; at each
// gap between words (the space before a word, except a space at position 1
// after a bullet) spaces are added while the share of the extra spaces
// already placed lags the share of gaps passed. The last gap takes whatever
// is still owed, so the line comes out exactly `width` long. The toggle
// decides whether a gap gets its spaces before or after the shares cross.
std::string JustifyLine(std::string_view text, size_t width, bool& toggle) {
  toggle = !toggle;
  const std::string_view t = TrimView(text);
  if (t.size() > width) return std::string(text);
  const size_t len = t.size();
  const size_t extra = width - len;
  auto is_gap = [&](size_t p) { return p + 1 < len && t[p] == ' ' && t[p + 1] != ' ' && p != 1; };
  size_t gaps = 0;
  for (size_t p = 0; p < len; ++p)
    if (is_gap(p)) ++gaps;
  if (gaps == 0) return std::string(text);
  if (extra == 0) return std::string(t);

  std::string out;
  out.reserve(width);
  size_t g = 0;
  size_t inserted = 0;
  for (size_t p = len; p-- > 0;) {
    out.push_back(t[p]);
    if (!is_gap(p)) continue;
    ++g;
    if (g == gaps) {
      out.append(extra - inserted, ' ');
      inserted = extra;
      continue;
    }
    const double gap_share = static_cast<double>(g) * 100.0 / static_cast<double>(gaps);
    while (inserted < extra) {
      const size_t counted = toggle ? inserted : inserted + 1;
      if (static_cast<double>(counted) * 100.0 / static_cast<double>(extra) >= gap_share) break;
      out.push_back(' ');
      ++inserted;
    }
  }
  std::reverse(out.begin(), out.end());
  return out;
}

bool IsRuleText(std::string_view line) {
  char kind = 0;
  char previous = 0;
  bool pair = false;
  for (char c : line) {
    if (c == ' ' || c == '\t') {
      previous = 0;
      continue;
    }
    if (c != '-' && c != '=' && c != '_') return false;
    if (kind != 0 && c != kind) return false;
    kind = c;
    if (previous == c) pair = true;
    previous = c;
  }
  return pair;
}

std::string DrawRuleLine(std::string_view argument, size_t width, Alignment alignment) {
  const std::string_view a = TrimView(argument);
  size_t length = width;
  size_t digits = 0;
  size_t value = 0;
  while (digits < a.size() && IsDigit(a[digits])) {
    if (value <= width) value = value * 10 + static_cast<size_t>(a[digits] - '0');
    ++digits;
  }
  // A percentage is that share of the width.
  if (digits > 0 && digits < a.size() && a[digits] == '%') value = std::min(value, size_t{100}) * width / 100;
  // No number, or 0: the rule spans the width.
  if (digits > 0 && value > 0) length = std::min(value, width);
  const std::string rule(length, '-');
  switch (alignment) {
    case Alignment::kCentre:
    case Alignment::kJustify: return CentreLine(rule, width);
    case Alignment::kRight: return RightAlignLine(rule, width);
    default: return rule;
  }
}

}  // namespace orv
