// The one-pattern search: the pattern's matcher fed the text character by
// character, exactly as a list scan feeds its one entry, with a skip to the
// next byte that can begin a match while no attempt runs. A pattern whose
// every token takes one character (literals and `%C` classes, such as
// "<title>" or "<base%W") is searched for directly: an attempt compares
// the tokens with the text until one fails, and the search goes on after
// the character that failed it, which the matcher would not let begin an
// attempt either.
#include "html/pattern_search.h"

#include <cstring>

#include "common/text.h"
#include "html/pattern_matcher.h"

namespace orv {
namespace {

// The next offset from `i` on whose byte an attempt may begin: every other
// byte would fail on the first token and leave the entry idle, as skipping
// it does. Only a pattern that begins with a literal skips; upper and lower
// case of a letter are both looked for.
size_t NextStart(const CompiledPattern& pattern, std::string_view text, size_t i) {
  const PatternToken& first = pattern.tokens.front();
  if (first.kind != TokenKind::Literal) return i;
  const char* base = text.data();
  const size_t size = text.size();
  const char upper = static_cast<char>(first.ch);
  const char lower = ToLowerAscii(upper);
  const void* a = std::memchr(base + i, upper, size - i);
  if (lower == upper) return a != nullptr ? static_cast<const char*>(a) - base : size;
  const size_t a_at = a != nullptr ? static_cast<const char*>(a) - base : size;
  const void* b = std::memchr(base + i, lower, a_at - i);
  return b != nullptr ? static_cast<const char*>(b) - base : a_at;
}

// Whether every token takes exactly one character, and the pattern does
// not begin with two copies of one character (those slide their start
// along a run of it, which only the matcher does).
bool OneCharacterTokens(const CompiledPattern& pattern) {
  if (pattern.leading_run >= 2) return false;
  for (const PatternToken& token : pattern.tokens)
    if (token.kind != TokenKind::Literal && token.kind != TokenKind::One) return false;
  return true;
}

bool FindOneCharacterTokens(const CompiledPattern& pattern, std::string_view text, size_t& start,
                            size_t& end) {
  const size_t count = pattern.tokens.size();
  for (size_t i = NextStart(pattern, text, 0); i < text.size(); i = NextStart(pattern, text, i)) {
    size_t taken = 0;
    while (taken < count && i + taken < text.size() &&
           TokenTakes(pattern, pattern.tokens[taken], static_cast<unsigned char>(text[i + taken])))
      ++taken;
    if (taken == count) {
      start = i;
      end = i + count - 1;
      return true;
    }
    if (i + taken >= text.size()) return false;  // the text ends inside the attempt
    i += taken + 1;  // the character that failed the attempt begins none
  }
  return false;
}

}  // namespace

bool FindFirstMatch(std::string_view text, std::string_view pattern, size_t& start, size_t& end) {
  CompiledPattern compiled;
  if (!CompilePattern(StoredPatternText(pattern, false), false, compiled)) return false;
  if (OneCharacterTokens(compiled)) return FindOneCharacterTokens(compiled, text, start, end);
  MatchState state;
  for (size_t i = 0; i < text.size(); ++i) {
    if (state.Idle()) {
      i = NextStart(compiled, text, i);
      if (i >= text.size()) break;
    }
    if (FeedCharacter(compiled, state, text, i) == StepResult::Complete) {
      start = static_cast<size_t>(state.start);
      end = static_cast<size_t>(state.end);
      return true;
    }
  }
  return false;
}

bool ExtractBetween(std::string_view text, std::string_view start_pattern,
                    std::string_view end_pattern, std::string_view& result) {
  result = {};
  size_t open_start = 0, open_end = 0;
  if (!FindFirstMatch(text, start_pattern, open_start, open_end)) return false;
  // The end pattern is searched for from just after the start match, so an
  // end that would also match the start text (a quote after a quote) is
  // still found.
  const std::string_view rest = text.substr(open_end + 1);
  size_t close_start = 0, close_end = 0;
  if (!FindFirstMatch(rest, end_pattern, close_start, close_end)) return false;
  result = rest.substr(0, close_start);
  return true;
}

}  // namespace orv
