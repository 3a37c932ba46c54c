// A deliberately plain model of the pattern lists, written from the rules
// for clarity rather than speed: it walks the pattern text itself, feeds
// every character to every entry and never skips. The differential tests
// check the production PatternList against it.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace orv::reference {

// True when the pattern would be accepted by a list.
bool IsValid(std::string_view pattern);

// The entries' stored form: upper-cased unless case-sensitive, class letters
// and escapes kept.
std::string Stored(std::string_view pattern, bool case_sensitive);

struct Entry {
  int kind = 1;  // 1 replace, 2 insert after, 3 insert before, 4 delete, 6 callback
  std::string pattern;
  std::string replacement;
  bool case_sensitive = false;
};

// What a callback does: optionally replace its match, then return `result`.
struct Decision {
  int result = 1002;
  bool replace = false;
  std::string replacement;
};
using Decider = std::function<Decision(size_t entry, long start, long end, const std::string& text)>;

struct Call {
  size_t entry;
  long start;
  long end;
  bool operator==(const Call&) const = default;
};

struct Outcome {
  std::string text;
  int count = 0;
  std::vector<Call> calls;            // every callback, in order
  std::vector<long> matches_found;    // per entry
  std::vector<long> actions_taken;    // per entry
};

// Applies the entries (all assumed valid) to `text` in one scan.
Outcome Apply(const std::vector<Entry>& entries, const std::string& text, const Decider& decide);

}  // namespace orv::reference
