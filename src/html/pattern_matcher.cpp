// The pattern language and the incremental matcher of one entry. The list
// scan in pattern_list.cpp feeds characters to it and skips ahead where the
// outcome is known; the rules themselves live only here.
//
// How one entry matches. Each character is presented to the current token:
// - A literal must equal the character (the text character is upper-cased
//   first unless the entry is case-sensitive). On a mismatch the attempt is
//   abandoned, except when the tokens matched so far are two or more copies
//   of one character and the text character is that character too: then
//   the match start moves on by one and the position stays, which finds
//   `-->` at the end of `--->`.
// - `%C` takes one character of class C or abandons the attempt.
// - `*C` and `?C` first look at the token after them (`?C` only once it has
//   taken a character). If the character satisfies that token (equals a
//   literal, or is in the class of a class token), the quantifier is done
//   and the character goes to the next token. After `**` the whole literal
//   run that follows must be present from this character on. Otherwise the
//   quantifier takes the character if it is in its class; if not, the
//   matcher backs up to the nearest earlier `**`, which absorbs what was
//   matched since and is presented the character again; with no earlier
//   `**` the attempt is abandoned.
// - A quantifier that ends the pattern keeps taking characters while the
//   following text character is in its class, and completes at the last of
//   them. It needs at least one character, except that final `*C` tokens
//   also complete with none when the text ends (after a literal, a `%C` or
//   a quantifier that took the last character of the text).
// - The character that made an attempt fail never starts a new attempt of
//   the same entry.
#include "html/pattern_matcher.h"

#include "common/text.h"

namespace orv {
namespace {

constexpr CharacterSet MakeSet(char cls) {
  CharacterSet set{};
  for (int b = 0; b < 256; ++b) {
    const char c = static_cast<char>(b);
    bool in = false;
    switch (cls) {
      case '*': in = true; break;
      case 'W': in = c == ' ' || c == '\t' || c == '\n'; break;
      case 'S': in = c == ' '; break;
      case '/': in = c == ' ' || c == '\t' || c == '\n' || c == '/'; break;
      case '>': in = c == ' ' || c == '\t' || c == '\n' || c == '/' || c == '>'; break;
      case '1': in = c >= '0' && c <= '9'; break;
      case 'A': in = c >= 'A' && c <= 'Z'; break;
      case 'a': in = c >= 'a' && c <= 'z'; break;
      case 'Z': in = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); break;
      case '(': in = c == '(' || c == '<' || c == '[' || c == '{'; break;
      case ')': in = c == ')' || c == '>' || c == ']' || c == '}'; break;
      case '.':
        for (char p : std::string_view("!\"&'(),.:;<>[]{}"))
          if (c == p) in = true;
        break;
      default: break;
    }
    set[b] = in;
  }
  return set;
}

constexpr CharacterSet kAny = MakeSet('*');
constexpr CharacterSet kWhite = MakeSet('W');
constexpr CharacterSet kSpace = MakeSet('S');
constexpr CharacterSet kNameEnd = MakeSet('/');
constexpr CharacterSet kTagNameEnd = MakeSet('>');
constexpr CharacterSet kDigit = MakeSet('1');
constexpr CharacterSet kUpper = MakeSet('A');
constexpr CharacterSet kLower = MakeSet('a');
constexpr CharacterSet kLetter = MakeSet('Z');
constexpr CharacterSet kOpen = MakeSet('(');
constexpr CharacterSet kClose = MakeSet(')');
constexpr CharacterSet kPunct = MakeSet('.');

bool IsQuantifier(char c) { return c == '%' || c == '*' || c == '?'; }

// The character an escape stands for, or 0 when `c` is not an escape letter.
char EscapedCharacter(char c) {
  switch (c) {
    case 'n': return '\n';
    case 't': return '\t';
    case '%': case '*': case '?': case '|': return c;
    default: return 0;
  }
}

// True when the run of stored literals `run` is present in `text` at `i`.
bool RunAt(const CompiledPattern& p, std::string_view run, std::string_view text, size_t i) {
  if (text.size() - i < run.size()) return false;
  for (size_t k = 0; k < run.size(); ++k)
    if (!LiteralEquals(p, static_cast<unsigned char>(run[k]), static_cast<unsigned char>(text[i + k])))
      return false;
  return true;
}

// Bookkeeping after a token consumed the character at `i`.
StepResult AfterConsume(const CompiledPattern& p, MatchState& s, std::string_view text, size_t i) {
  const size_t n = p.tokens.size();
  if (s.position == n) return StepResult::Complete;
  if (s.position >= p.zero_tail && i + 1 >= text.size())
    return StepResult::Complete;  // only final `*C` tokens left, and the text ends here
  return StepResult::Running;
}

enum class Presented { Running, Complete, Failed };

// Presents the character at `i` to the current token of a running attempt.
Presented Present(const CompiledPattern& p, MatchState& s, std::string_view text, size_t i) {
  const unsigned char c = static_cast<unsigned char>(text[i]);
  const size_t n = p.tokens.size();
  for (;;) {
    const PatternToken& t = p.tokens[s.position];
    switch (t.kind) {
      case TokenKind::Literal:
        if (LiteralEquals(p, t.ch, c)) {
          ++s.position;
          s.repeat = 0;
          return AfterConsume(p, s, text, i) == StepResult::Complete ? Presented::Complete
                                                                     : Presented::Running;
        }
        if (s.position >= 2 && s.position <= p.leading_run && LiteralEquals(p, p.tokens[0].ch, c)) {
          ++s.start;  // slide the run of copies one character on
          return Presented::Running;
        }
        return Presented::Failed;
      case TokenKind::One:
        if ((*t.set)[c]) {
          ++s.position;
          s.repeat = 0;
          return AfterConsume(p, s, text, i) == StepResult::Complete ? Presented::Complete
                                                                     : Presented::Running;
        }
        return Presented::Failed;
      case TokenKind::Star:
      case TokenKind::Plus: {
        const bool last = s.position + 1 == n;
        if (!last && (t.kind == TokenKind::Star || s.repeat > 0)) {
          const bool done = t.run.empty() ? TokenTakes(p, p.tokens[s.position + 1], c)
                                          : RunAt(p, t.run, text, i);
          if (done) {
            ++s.position;
            s.repeat = 0;
            continue;  // the next token takes this character
          }
        }
        if ((*t.set)[c]) {
          ++s.repeat;
          if (last && (i + 1 >= text.size() ||
                       !(*t.set)[static_cast<unsigned char>(text[i + 1])]))
            return Presented::Complete;
          // The text ends here and only final `*C` tokens follow: they
          // match nothing.
          if (!last && s.position + 1 >= p.zero_tail && i + 1 >= text.size()) return Presented::Complete;
          return Presented::Running;
        }
        // Back up to the nearest earlier `**`; it takes over from there.
        size_t k = s.position;
        bool found = false;
        while (k > 0 && !found) {
          --k;
          found = p.tokens[k].kind == TokenKind::Star && p.tokens[k].any;
        }
        if (!found) return Presented::Failed;
        s.position = k;
        s.repeat = 1;
        continue;
      }
    }
  }
}

}  // namespace

const CharacterSet* ClassSet(char cls) {
  switch (cls) {
    case '*': return &kAny;
    case 'W': return &kWhite;
    case 'S': return &kSpace;
    case '/': return &kNameEnd;
    case '>': return &kTagNameEnd;
    case '1': return &kDigit;
    case 'A': return &kUpper;
    case 'a': return &kLower;
    case 'Z': return &kLetter;
    case '(': return &kOpen;
    case ')': return &kClose;
    case '.': return &kPunct;
    default: return nullptr;
  }
}

bool IsValidPattern(std::string_view pattern) {
  CompiledPattern unused;
  return CompilePattern(pattern, true, unused);
}

std::string StoredPatternText(std::string_view pattern, bool case_sensitive) {
  std::string out(pattern);
  if (case_sensitive) return out;
  for (size_t i = 0; i < out.size(); ++i) {
    if (IsQuantifier(out[i]) || out[i] == '|') {
      ++i;  // the class letter or escape keeps its case
      continue;
    }
    out[i] = ToUpperAscii(out[i]);
  }
  return out;
}

bool CompilePattern(std::string_view stored, bool case_sensitive, CompiledPattern& out) {
  out = CompiledPattern();
  out.case_sensitive = case_sensitive;
  if (stored.empty()) return false;
  for (size_t i = 0; i < stored.size(); ++i) {
    PatternToken t;
    const char c = stored[i];
    if (IsQuantifier(c)) {
      if (i + 1 >= stored.size()) return false;
      t.set = ClassSet(stored[i + 1]);
      if (t.set == nullptr) return false;
      t.any = stored[i + 1] == '*';
      t.kind = c == '%' ? TokenKind::One : c == '*' ? TokenKind::Star : TokenKind::Plus;
      ++i;
    } else if (c == '|') {
      if (i + 1 >= stored.size()) return false;
      const char e = EscapedCharacter(stored[i + 1]);
      if (e == 0) return false;
      t.ch = static_cast<unsigned char>(e);
      t.escaped = true;
      ++i;
    } else {
      t.ch = static_cast<unsigned char>(c);
    }
    out.tokens.push_back(std::move(t));
  }
  const PatternToken& final_token = out.tokens.back();
  if (final_token.kind == TokenKind::Star && final_token.any) return false;  // ends in `**`

  for (size_t k = 0; k < out.tokens.size(); ++k) {
    PatternToken& t = out.tokens[k];
    if (t.kind != TokenKind::Star || !t.any) continue;
    for (size_t j = k + 1; j < out.tokens.size(); ++j) {
      const PatternToken& lit = out.tokens[j];
      if (lit.kind != TokenKind::Literal || lit.escaped) break;
      t.run.push_back(static_cast<char>(lit.ch));
    }
  }
  out.zero_tail = out.tokens.size();
  while (out.zero_tail > 0 && out.tokens[out.zero_tail - 1].kind == TokenKind::Star) --out.zero_tail;
  const PatternToken& first = out.tokens.front();
  if (first.kind == TokenKind::Literal) {
    while (out.leading_run < out.tokens.size() &&
           out.tokens[out.leading_run].kind == TokenKind::Literal &&
           out.tokens[out.leading_run].ch == first.ch)
      ++out.leading_run;
  }
  return true;
}

StepResult FeedCharacter(const CompiledPattern& pattern, MatchState& state, std::string_view text,
                         size_t i) {
  if (state.Idle()) {
    state.start = static_cast<long>(i);
    state.position = 0;
    state.repeat = 0;
  }
  switch (Present(pattern, state, text, i)) {
    case Presented::Running:
      return StepResult::Running;
    case Presented::Complete:
      state.matched = true;
      state.end = static_cast<long>(i);
      return StepResult::Complete;
    case Presented::Failed:
      break;
  }
  // Whether the attempt failed on its first character or later, the entry
  // is idle again and this character is spent: it does not start a new one.
  state.Reset();
  return StepResult::Idle;
}

}  // namespace orv
