// Text helpers shared by every subsystem: ASCII-only case folding and
// case-insensitive compare and search, trimming, splitting and path parts.
// The program's text is 8-bit bytes in std::string; nothing here knows about
// character sets beyond ASCII letters.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

// The widest output any width may ask for: a width or indentation policy,
// or a width written in the page (a table's, a cell's, a rule's).
inline constexpr int kMaxOutputColumns = 32767;

inline char ToUpperAscii(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }
inline char ToLowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

std::string ToUpper(std::string_view text);
std::string ToLower(std::string_view text);

// Case-insensitive (ASCII letters only) equality and ordering.
// Inline: called on short texts (tag and attribute names) in the inner
// loops of every pass.
inline bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (ToUpperAscii(a[i]) != ToUpperAscii(b[i])) return false;
  return true;
}
int CompareNoCase(std::string_view a, std::string_view b);
inline bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}
bool EndsWithNoCase(std::string_view text, std::string_view suffix);

// Position of the first case-insensitive occurrence of `needle` at or after
// `from`, or npos. Linear in the text for the short needles we search for.
size_t FindNoCase(std::string_view text, std::string_view needle, size_t from = 0);

// Blanks are space, tab, carriage return and line feed.
inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
inline std::string_view TrimView(std::string_view text) {
  size_t begin = 0, end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}
std::string Trim(std::string_view text);

// Replaces every run of blanks by one space and trims the ends.
std::string CollapseBlanks(std::string_view text);

// Splits at every occurrence of `sep`; an empty text gives one empty field.
std::vector<std::string> Split(std::string_view text, char sep);
// Field `index` (from 0) of `text` as Split would cut it, without making
// the others; nothing when there are fewer fields.
std::optional<std::string_view> FieldOf(std::string_view text, char sep, size_t index);

// Erases `needle` from `text` until none is left, as erasing the first
// occurrence again and again would (an erasure can bring the parts of a
// new occurrence together), in one pass: each byte is written once and
// the written text's end is compared with the needle.
void EraseUntilAbsent(std::string& text, std::string_view needle);

// Splits at line feeds; a final line feed does not add an empty last line.
std::vector<std::string> SplitLines(std::string_view text);

// A path cut into directory (ending in "/", or empty), name and extension
// (beginning with ".", or empty). The extension starts at the last "." of
// the last path component.
struct PathParts {
  std::string directory;
  std::string name;
  std::string extension;
};
PathParts SplitPath(std::string_view path);

}  // namespace orv
