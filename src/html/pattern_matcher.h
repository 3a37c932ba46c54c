// The wildcard pattern language of the pattern lists: validation, the stored
// (case-folded) form, the compiled token sequence and the incremental
// one-character matcher. pattern_list.h builds lists and their scan on top.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "common/text.h"

namespace orv {

// Membership of the 256 byte values in one character class.
using CharacterSet = std::array<bool, 256>;

// The character set of class letter `cls` (one of ( ) * . / > 1 A S W Z a),
// or nullptr for a letter that names no class. Constant time. The two tag
// classes end a tag name: `/` is white space or a slash, `>` is those or
// `>`. So `<b%/**>` is a b tag with attributes (or `<b/>`), `<head%>**/head>`
// a whole head element, and neither ever starts at `<body>` or `<header>`.
const CharacterSet* ClassSet(char cls);

// True when `pattern` is a well-formed, non-empty pattern: every `%`, `*`
// and `?` is followed by a class letter, every `|` by one of % * ? n t |,
// and the pattern does not end in the `**` wildcard. Linear in the pattern.
bool IsValidPattern(std::string_view pattern);

// The form in which a list stores `pattern`: upper-cased unless
// `case_sensitive`, except the character that follows `%`, `*`, `?` or `|`
// (a class letter or an escape), which keeps its case. The walk is by
// tokens, so in `**a` the `a` is a literal and is upper-cased.
std::string StoredPatternText(std::string_view pattern, bool case_sensitive);

enum class TokenKind : unsigned char {
  Literal,  // one character (plain or escaped)
  One,      // %C: exactly one character of class C
  Star,     // *C: zero or more characters of class C
  Plus,     // ?C: one or more characters of class C
};

struct PatternToken {
  TokenKind kind = TokenKind::Literal;
  unsigned char ch = 0;               // Literal: the character as stored
  bool escaped = false;               // Literal written with the `|` escape
  const CharacterSet* set = nullptr;  // One, Star, Plus: the class
  bool any = false;                   // the class is `*` (any character)
  // For a `**` token: the run of plain literals that follows it up to the
  // next quantifier, escape or end of pattern (empty when there is none).
  std::string run;
};

// A validated pattern ready for matching.
struct CompiledPattern {
  std::vector<PatternToken> tokens;
  bool case_sensitive = false;
  // Number of leading Literal tokens equal to the first one (0 when the
  // pattern does not start with a literal); drives the repeated-character
  // rule that finds `-->` at the end of `--->`.
  size_t leading_run = 0;
  // Index of the first of the `*C` tokens that end the pattern (the number
  // of tokens when it does not end in one). Those tokens may all match
  // nothing when the text ends, so the pattern completes there.
  size_t zero_tail = 0;
};

// Whether the stored literal `stored` matches the character `c`: `c` is
// upper-cased first unless the pattern is case-sensitive.
inline bool LiteralEquals(const CompiledPattern& p, unsigned char stored, unsigned char c) {
  if (p.case_sensitive) return stored == c;
  return static_cast<unsigned char>(ToUpperAscii(static_cast<char>(c))) == stored;
}

// Whether a literal or one-character-class `token` takes the character `c`
// (a class tests it as it stands).
inline bool TokenTakes(const CompiledPattern& p, const PatternToken& token, unsigned char c) {
  if (token.kind == TokenKind::Literal) return LiteralEquals(p, token.ch, c);
  return (*token.set)[c];
}

// Compiles `stored` (a pattern already in its stored form). Returns false,
// leaving `out` unspecified, when the pattern is not valid. Linear.
bool CompilePattern(std::string_view stored, bool case_sensitive, CompiledPattern& out);

// The progress of one entry through the text during one list application.
// `position` is the index of the current token; `repeat` counts the
// characters the current quantified token has taken. An entry is idle when
// `start` is -1.
struct MatchState {
  bool matched = false;
  long start = -1;
  long end = -1;
  size_t position = 0;
  size_t repeat = 0;

  bool Idle() const { return start < 0; }
  void Reset() { *this = MatchState(); }
};

enum class StepResult {
  Idle,      // no attempt in progress (none started, or the attempt failed)
  Running,   // an attempt is in progress
  Complete,  // the pattern matched, ending at this character
};

// Feeds the character at offset `i` of `text` to the entry. Characters must
// be fed in increasing offsets without gaps while an attempt runs (an idle
// entry may be fed from any offset). A character that makes an attempt fail
// leaves the entry idle and is not offered as the start of a new attempt;
// the next attempt can begin with the following character. The matcher looks ahead in `text` for
// the literal run after `**` and for a quantifier that ends the pattern.
// On Complete, `state.start`/`state.end` hold the inclusive match offsets
// and `state.matched` is set; the caller resets the state before reuse.
// Cost: constant per character, plus the length of a literal run checked
// after `**`.
StepResult FeedCharacter(const CompiledPattern& pattern, MatchState& state, std::string_view text,
                         size_t i);

}  // namespace orv
