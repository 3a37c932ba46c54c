// Cached forward searches that let a pattern-list scan skip characters no
// entry cares about: the next byte of a set, the next occurrence of the
// literal run after a `**`, or the next place where any entry's leading
// literal text begins. Used only by pattern_list.cpp.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/byte_cursor.h"
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

// Finds the next place where any of a set of literal texts ("leads", the
// literal characters an entry begins with) occurs. Each lead is found
// through one anchor byte (its least common character), searched with a
// PatternFinder; the bytes after the anchor are checked against per-byte
// masks before any lead is compared in full, so a dense stretch of anchor
// bytes that begin no lead costs a few operations each. The last answer is
// remembered as in PatternFinder: the text must not change until ResetCache.
class LeadFinder {
 public:
  // Forgets every lead. Then Add each, and Prepare before searching.
  void Clear();
  // Adds a lead in the stored form of its pattern (upper-cased letters
  // unless case-sensitive; the text is compared after upper-casing it).
  void Add(std::string_view lead, bool case_sensitive);
  // Builds the search tables. Linear in the leads times 256.
  void Prepare();
  void ResetCache();

  // The first offset >= from where some lead occurs in full, or text.size()
  // when none does. Linear in the stretch searched (plus the leads that pass
  // the byte masks); a repeated query inside a remembered stretch is free.
  size_t Next(std::string_view text, size_t from);

  // True when a proper, non-empty prefix of some lead ends just before
  // offset `at` and begins at or after `floor`: an attempt begun there could
  // still be under way at `at`. Cost: the longest lead times the leads that
  // begin with the bytes looked at.
  bool PrefixEndsAt(std::string_view text, size_t at, size_t floor) const;

 private:
  struct Lead {
    std::string text;
    bool case_sensitive = false;
    size_t anchor = 0;  // index in `text` of the byte searched for
  };
  static constexpr size_t kFollowers = 3;  // bytes after the anchor checked by masks
  static constexpr size_t kEnd = 256;      // mask row for "past the end of the text"

  bool Accepts(const Lead& lead, size_t k, unsigned char c) const;
  bool LeadAt(const Lead& lead, std::string_view text, size_t at) const;
  // Compares the leads that pass the byte masks for an anchor at `x`;
  // lowers `best` to the earliest one that begins at or after `from`.
  void CheckAnchor(std::string_view text, size_t x, size_t from, size_t& best) const;
  const uint64_t* Row(const std::vector<uint64_t>& table, size_t slot, size_t byte) const {
    return &table[(slot * (kEnd + 1) + byte) * words_];
  }

  std::vector<Lead> leads_;
  size_t words_ = 0;
  size_t max_anchor_ = 0;
  size_t max_length_ = 0;
  PatternFinder anchors_;
  int single_anchor_ = -1;  // the one anchor byte, when there is only one
  CharacterSet first_any_{};  // bytes that can begin some lead
  CharacterSet prefix_end_{};  // bytes that can end a proper prefix of some lead
  // Per anchor byte value: its slot in the mask tables, or -1.
  std::array<int, 256> slot_of_{};
  // For slot s, follower k (1..kFollowers) and byte b: the leads anchored on
  // the slot's byte that accept b at anchor + k (or end before it).
  std::vector<uint64_t> follow_[kFollowers + 1];
  // Per byte: the leads whose first character accepts it.
  std::vector<uint64_t> first_;
  size_t cached_from_ = std::string::npos;
  size_t cached_at_ = 0;
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
