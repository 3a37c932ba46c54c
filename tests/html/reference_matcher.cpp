// The plain model of pattern lists used by the differential tests. Every
// rule is applied literally, character by character, on the pattern text.
#include "html/reference_matcher.h"

#include <cctype>

namespace orv::reference {
namespace {

bool IsClassLetter(char c) {
  return std::string_view("()*./>1ASWZa").find(c) != std::string_view::npos;
}
bool IsEscapeLetter(char c) { return std::string_view("%*?nt|").find(c) != std::string_view::npos; }
bool IsQuantifier(char c) { return c == '%' || c == '*' || c == '?'; }
char Upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 32) : c; }

bool InClass(char cls, char c) {
  switch (cls) {
    case '*': return true;
    case 'W': return c == ' ' || c == '\t' || c == '\n';
    case 'S': return c == ' ';
    case '/': return c == ' ' || c == '\t' || c == '\n' || c == '/';
    case '>': return c == ' ' || c == '\t' || c == '\n' || c == '/' || c == '>';
    case '1': return c >= '0' && c <= '9';
    case 'A': return c >= 'A' && c <= 'Z';
    case 'a': return c >= 'a' && c <= 'z';
    case 'Z': return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    case '(': return c == '(' || c == '<' || c == '[' || c == '{';
    case ')': return c == ')' || c == '>' || c == ']' || c == '}';
    case '.': return std::string_view("!\"&'(),.:;<>[]{}").find(c) != std::string_view::npos;
  }
  return false;
}

// A token read straight from the pattern text at offset `at`.
struct Token {
  char kind;     // 'L' literal, '%', '*', '?'
  char value;    // literal character or class letter
  bool escaped;
  size_t width;  // characters of pattern text
};

Token TokenAt(const std::string& p, size_t at) {
  if (IsQuantifier(p[at])) return {p[at], p[at + 1], false, 2};
  if (p[at] == '|') {
    char v = p[at + 1];
    if (v == 'n') v = '\n';
    if (v == 't') v = '\t';
    return {'L', v, true, 2};
  }
  return {'L', p[at], false, 1};
}

bool IsAnyRun(const Token& t) { return t.kind == '*' && t.value == '*'; }

struct State {
  long start = -1;
  long end = -1;
  size_t at = 0;  // offset in the pattern text
  long count = 0;
  bool matched = false;
};

struct Matcher {
  std::string p;  // stored pattern
  bool cs;
  const std::string* text;

  bool Same(char lit, char c) const { return cs ? lit == c : lit == Upper(c); }

  bool TokenAccepts(const Token& t, char c) const {
    return t.kind == 'L' ? Same(t.value, c) : InClass(t.value, c);
  }

  // Is every token from `at` on a literal that equals the same character?
  bool SoFarIsRunOfCopies(size_t upto) const {
    if (upto == 0) return false;
    size_t at = 0, copies = 0;
    const Token first = TokenAt(p, 0);
    if (first.kind != 'L') return false;
    while (at < upto) {
      Token t = TokenAt(p, at);
      if (t.kind != 'L' || t.value != first.value) return false;
      ++copies;
      at += t.width;
    }
    return copies >= 2;
  }

  // The plain literals following the token at `at`, up to the next
  // quantifier, escape or end.
  std::string LiteralRunAfter(size_t at) const {
    std::string run;
    while (at < p.size()) {
      Token t = TokenAt(p, at);
      if (t.kind != 'L' || t.escaped) break;
      run += t.value;
      at += t.width;
    }
    return run;
  }

  bool TextHasRunAt(const std::string& run, size_t i) const {
    if (i + run.size() > text->size()) return false;
    for (size_t k = 0; k < run.size(); ++k)
      if (!Same(run[k], (*text)[i + k])) return false;
    return true;
  }

  // Is every token from `at` to the end a `*C` (which may match nothing)?
  bool OnlyStarsFrom(size_t at) const {
    for (; at < p.size(); at += TokenAt(p, at).width)
      if (TokenAt(p, at).kind != '*') return false;
    return true;
  }

  // Offset of the nearest `**` token before `before`, or npos.
  size_t EarlierAnyRun(size_t before) const {
    size_t found = std::string::npos;
    for (size_t at = 0; at < before; at += TokenAt(p, at).width)
      if (IsAnyRun(TokenAt(p, at))) found = at;
    return found;
  }

  // 'R' running, 'C' complete, 'F' failed.
  char Present(State& s, size_t i) const {
    const char c = (*text)[i];
    const bool text_ends_after = i + 1 == text->size();
    while (true) {
      const Token t = TokenAt(p, s.at);
      const size_t next = s.at + t.width;
      const bool last = next == p.size();
      if (t.kind == 'L' || t.kind == '%') {
        if (TokenAccepts(t, c)) {
          s.at = next;
          s.count = 0;
          if (s.at == p.size()) return 'C';
          if (OnlyStarsFrom(s.at) && text_ends_after) return 'C';
          return 'R';
        }
        if (t.kind == 'L' && SoFarIsRunOfCopies(s.at) && Same(TokenAt(p, 0).value, c)) {
          s.start += 1;
          return 'R';
        }
        return 'F';
      }
      // `*C` or `?C`
      if (!last && (t.kind == '*' || s.count >= 1)) {
        const Token following = TokenAt(p, next);
        bool finished;
        const std::string run = IsAnyRun(t) ? LiteralRunAfter(next) : std::string();
        if (!run.empty())
          finished = TextHasRunAt(run, i);
        else
          finished = TokenAccepts(following, c);
        if (finished) {
          s.at = next;
          s.count = 0;
          continue;
        }
      }
      if (InClass(t.value, c)) {
        s.count += 1;
        if (last) {
          const bool next_in_class = !text_ends_after && InClass(t.value, (*text)[i + 1]);
          return next_in_class ? 'R' : 'C';
        }
        // The text ends here and only `*C` tokens remain: they match nothing.
        if (text_ends_after && OnlyStarsFrom(next)) return 'C';
        return 'R';
      }
      const size_t back = EarlierAnyRun(s.at);
      if (back == std::string::npos) return 'F';
      s.at = back;
      s.count = 1;
    }
  }

  // Feeds character i; returns true when the entry completes on it. A
  // character that makes an attempt fail is simply dropped: it is never
  // offered again as the start of the next attempt.
  bool Feed(State& s, size_t i) const {
    if (s.start < 0) {
      s = State();
      s.start = static_cast<long>(i);
    }
    const char r = Present(s, i);
    if (r == 'C') {
      s.end = static_cast<long>(i);
      s.matched = true;
      return true;
    }
    if (r == 'F') s = State();
    return false;
  }
};

struct Edit {
  size_t from, to;  // input range [from, to) replaced
  std::string text;
};

}  // namespace

bool IsValid(std::string_view pattern) {
  if (pattern.empty()) return false;
  size_t last_token = 0;
  for (size_t i = 0; i < pattern.size(); ++i) {
    last_token = i;
    if (IsQuantifier(pattern[i])) {
      if (i + 1 == pattern.size() || !IsClassLetter(pattern[i + 1])) return false;
      ++i;
    } else if (pattern[i] == '|') {
      if (i + 1 == pattern.size() || !IsEscapeLetter(pattern[i + 1])) return false;
      ++i;
    }
  }
  return pattern.substr(last_token) != "**";
}

std::string Stored(std::string_view pattern, bool case_sensitive) {
  std::string out;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if ((IsQuantifier(pattern[i]) || pattern[i] == '|') && i + 1 < pattern.size()) {
      out += pattern[i];
      out += pattern[i + 1];
      ++i;
    } else {
      out += case_sensitive ? pattern[i] : Upper(pattern[i]);
    }
  }
  return out;
}

Outcome Apply(const std::vector<Entry>& entries, const std::string& text, const Decider& decide) {
  Outcome out;
  out.matches_found.assign(entries.size(), 0);
  out.actions_taken.assign(entries.size(), 0);
  std::vector<Matcher> matchers;
  for (const Entry& e : entries) matchers.push_back({Stored(e.pattern, e.case_sensitive), e.case_sensitive, &text});
  std::vector<State> states(entries.size());
  std::vector<Edit> edits;
  auto rewritten_up_to = [&] { return edits.empty() ? size_t(0) : edits.back().to; };

  size_t i = 0;
  while (i < text.size()) {
    std::vector<size_t> done;
    for (size_t e = 0; e < entries.size(); ++e)
      if (matchers[e].Feed(states[e], i)) done.push_back(e);
    if (done.empty()) {
      ++i;
      continue;
    }
    for (size_t e : done) out.matches_found[e] += 1;
    const size_t who = done.front();
    const long start = states[who].start, end = states[who].end;
    for (size_t e : done) states[e] = State();

    // An edit may not reach back into rewritten text or beyond this character.
    auto edit = [&](size_t from, size_t to, const std::string& with) {
      if (from < rewritten_up_to() || from > to || to > i + 1) return false;
      edits.push_back({from, to, with});
      return true;
    };
    const Entry& entry = entries[who];
    const size_t s = static_cast<size_t>(start), e = static_cast<size_t>(end);
    int result = 1002;
    bool changed = false;
    const size_t edits_before = edits.size();
    switch (entry.kind) {
      case 1: changed = edit(s, e + 1, entry.replacement); break;
      case 2: changed = edit(e + 1, e + 1, entry.replacement); break;
      case 3: changed = edit(s, s, entry.replacement); break;
      case 4: changed = edit(s, e + 1, ""); break;
      default: {
        out.calls.push_back({who, start, end});
        const Decision d = decide(who, start, end, text);
        if (d.replace) changed = edit(s, e + 1, d.replacement);
        result = d.result;
        break;
      }
    }
    if (entry.kind != 6 && changed) result = 1001;
    if (result == 1004) {
      edits.resize(edits_before);
      states.assign(entries.size(), State());
      i = s + 1;
      continue;
    }
    if (result == 1001 || changed) {
      out.count += 1;
      out.actions_taken[who] += 1;
    }
    if (result == 1003) break;
    if (result == 1001) states.assign(entries.size(), State());
    ++i;
  }

  size_t at = 0;
  for (const Edit& e : edits) {
    out.text += text.substr(at, e.from - at);
    out.text += e.text;
    at = e.to;
  }
  out.text += text.substr(at);
  return out;
}

}  // namespace orv::reference
