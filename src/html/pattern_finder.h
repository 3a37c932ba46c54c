// Cached forward searches that let a pattern-list scan skip characters no
// entry cares about: the next byte of a set, or the next occurrence of the
// literal run after a `**`. Used only by pattern_list.cpp.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "html/pattern_matcher.h"

namespace orv {

// Finds the next offset holding a byte of a set (memchr for sets of up to
// three bytes, a table walk otherwise), or the next occurrence of a literal
// run. The last answer is remembered: the searched text must not change
// between calls until ResetCache, and then an answer found from offset `f`
// also serves every query from between `f` and that answer.
struct PatternFinder {
  CharacterSet set{};
  int byte_count = 0;  // members of `set` when 1..3, else -1
  unsigned char bytes[3] = {0, 0, 0};
  size_t byte_from[3] = {std::string::npos, std::string::npos, std::string::npos};
  size_t byte_at[3] = {0, 0, 0};
  std::string run;  // non-empty: search for this run (stored form)
  bool case_sensitive = false;
  size_t anchor = 0;  // index in `run` of the byte `set` holds
  size_t cached_from = std::string::npos;
  size_t cached_at = 0;

  static PatternFinder ForSet(const CharacterSet& members);
  // `run` in the stored form of a pattern (upper-cased unless case-sensitive).
  static PatternFinder ForRun(const std::string& run, bool case_sensitive);

  // Forgets remembered answers; call before searching a new text.
  void ResetCache();
  // The first offset >= from where a set byte (or the run) is, or
  // text.size() when there is none. Linear in the stretch searched; a
  // repeated query inside a remembered stretch costs constant time.
  size_t Next(std::string_view text, size_t from);

 private:
  size_t NextByte(std::string_view text, size_t from);
  bool RunAt(std::string_view text, size_t at) const;
};

// What a scan knows about one entry: the bytes that can start it, the bytes
// its second token accepts, and, per quantifier token, a finder for the next
// character that can end or break the quantifier.
struct PatternEntryScan {
  CharacterSet start_set{};
  // When the first two tokens each take exactly one character (literals or
  // `%C`), an attempt started on a character whose follower is not in
  // `second_set` is bound to fail on that follower.
  bool fails_on_second = false;
  CharacterSet second_set{};
  // The characters accepted by each of the leading one-character tokens (at
  // most kMaxBlock of them), to foresee an attempt failing early. Empty for
  // patterns where a failing literal may slide a run of copies instead.
  static constexpr size_t kMaxBlock = 7;
  std::vector<CharacterSet> block_sets;
  std::vector<PatternFinder> token_finders;  // one per token; unused for literals and `%C`
};

}  // namespace orv
