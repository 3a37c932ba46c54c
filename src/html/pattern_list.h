// Ordered lists of wildcard patterns with actions, applied to a text in one
// left-to-right scan. The pattern language and the one-entry matcher are in
// pattern_matcher.h; the search for one pattern in a text that is only read
// is in pattern_search.h.
//
// How a handler sees the text. During Apply the list scans a private copy of
// the input, which does not change while the scan runs. Every offset a
// handler receives (match start and end, inclusive, and the scan position)
// refers to that input, and `text` is that input. The rewritten text is
// built separately, by copying unchanged stretches and appending
// replacements, so a handler never sees text rewritten earlier in the same
// scan. A handler changes the text only through the list: ReplaceMatch,
// DeleteMatch, ReplaceText or InsertText, each addressed in input offsets.
// Those calls accept a range that starts at or after the end of everything
// already rewritten in this scan and ends no later than the scan position;
// anything else does nothing and returns ActionNone.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "html/pattern_finder.h"
#include "html/pattern_matcher.h"
#include "html/tag_start_index.h"

namespace orv {

enum ActionKind : int { Replace = 1, InsertAfter = 2, InsertBefore = 3, Delete = 4, Callback = 6 };
// Kind 5 is accepted by PatternList::Add as an older spelling of Callback.
enum ActionResult : int { ActionChanged = 1001, ActionNone = 1002, ActionStop = 1003, ActionRejected = 1004 };

class PatternList;
struct Pattern;

// Handler of a Callback entry: receives the list, the entry, the match start
// and end offsets (inclusive) into `text` (the input being scanned), the
// scan position and the handler data; returns an ActionResult.
using PatternHandler = std::function<int(PatternList& list, const Pattern& entry, long start, long end,
                                         const std::string& text, size_t position, void* data)>;

// One entry of a list.
struct Pattern {
  std::string text;  // the pattern in its stored form (see StoredPatternText)
  ActionKind kind = Replace;
  std::string replacement;
  bool case_sensitive = false;
  PatternHandler handler;
  void* data = nullptr;
  int sequence = 0;           // order of addition, from 1
  long matches_found = 0;     // completed matches, over all applications
  long actions_taken = 0;     // matches that changed the text
  CompiledPattern compiled;
};

class PatternList {
 public:
  // Convenience forms of Add. Each returns true when the entry was added.
  bool AddReplace(std::string_view pattern, std::string_view replacement, bool case_sensitive = false);
  bool AddInsertAfter(std::string_view pattern, std::string_view text, bool case_sensitive = false);
  bool AddInsertBefore(std::string_view pattern, std::string_view text, bool case_sensitive = false);
  bool AddDelete(std::string_view pattern, bool case_sensitive = false);
  bool AddCallback(std::string_view pattern, PatternHandler handler, void* data = nullptr,
                   bool case_sensitive = false);

  // Validates `pattern` and appends an entry. Adds nothing and returns false
  // when the list is frozen or being applied, the pattern is invalid, the
  // kind is unknown, or a Callback entry has no handler.
  bool Add(ActionKind kind, std::string_view pattern, std::string_view replacement, bool case_sensitive,
           PatternHandler handler, void* data);

  // Deletes every entry; refused (does nothing) while frozen or applying.
  void Clear();
  void Freeze() { frozen_ = true; }
  void Unfreeze() { frozen_ = false; }
  bool IsFrozen() const { return frozen_; }
  size_t Size() const { return entries_.size(); }
  const Pattern& Entry(size_t index) const { return entries_[index]; }

  // Runs one scan over `text` and returns the number of actions taken:
  // every Replace, Insert or Delete that was carried out, and every handler
  // call that returned ActionChanged or changed the text through the list
  // (and did not reject the match). Result() then holds the rewritten text.
  // A handler result other than the four ActionResults counts as ActionNone. At every
  // position the first entry (in list order) that completes a match acts.
  // After a change all partial matches are dropped and the scan goes on
  // after the match; inserted and replacement text is never scanned again.
  // After ActionNone the scan goes on with the next character, partial
  // matches kept; after ActionRejected it restarts one character after the
  // start of the rejected match (any change the handler made is undone);
  // ActionStop ends the scan. A call from inside one of the list's own
  // handlers does nothing and returns 0. Cost: linear in the text plus the
  // replacement text for the usual patterns; the scan skips ahead to the
  // next byte that can matter to some entry.
  int Apply(std::string_view text);

  // The same scan over `text`, which is rewritten in place: the list takes
  // the text for the scan and hands back the rewritten (or unchanged) text,
  // keeping no copy, so peak memory is the text plus its rewrite. Result()
  // is empty afterwards. Use it for large texts.
  int ApplyInPlace(std::string& text);

  // The same as ApplyInPlace, but a large text whose every match must lie
  // within one of its halves has the halves scanned on two threads. That
  // holds for a list without Callback entries when a byte that no token of
  // any entry accepts stands near the middle of the text: every attempt
  // running there fails on it, so the scan after it starts afresh, exactly
  // as a scan of the second half alone. Otherwise (or without a second
  // thread) it is ApplyInPlace. The result, count and counters are the same.
  // Texts shorter than `worth_splitting` are not split.
  int ApplyInPlaceSplit(std::string& text, size_t worth_splitting = size_t{1} << 20);

  // Applies `lists` one after the other to `text` in place, as ApplyInPlace
  // would, and returns each one's count of actions. A large text is cut once
  // where every list allows it (see ApplyInPlaceSplit) and each half goes
  // through all the lists on its own thread.
  static std::vector<int> ApplyAllInPlaceSplit(const std::vector<PatternList*>& lists,
                                               std::string& text,
                                               size_t worth_splitting = size_t{1} << 20);

  // False only when no entry can match the text `index` was built from:
  // every entry begins with literal text that starts with '<' and the index
  // rules it out. A list that cannot match would leave the text unchanged
  // and call no handler. Cost: the entries' leading literals.
  bool MayMatch(const TagStartIndex& index) const;

  // The rewritten text of the last Apply.
  const std::string& Result() const { return result_; }

  // While set (not null), each change an application makes is noted in
  // `changes`: where the text put in begins and ends in the result.
  using ChangeSpans = std::vector<std::pair<size_t, size_t>>;
  void NoteChanges(ChangeSpans* changes) { noted_changes_ = changes; }

  // For handlers, during Apply. Each returns ActionChanged when it changed
  // the text and ActionNone when the offsets were refused (see above).
  // Replaces the match the handler was called for.
  int ReplaceMatch(std::string_view replacement);
  int DeleteMatch() { return ReplaceMatch(std::string_view()); }
  // Replaces input[start..end] (inclusive).
  int ReplaceText(long start, long end, std::string_view replacement);
  // Inserts `insert` before input[offset]; offset may be one past the scan position.
  int InsertText(long offset, std::string_view insert);

 private:
  int Scan(bool keep_unchanged_result);
  int Act(size_t index, long start, long end);
  int Splice(size_t from, size_t to, std::string_view insert);
  size_t NextEvent(size_t i);
  size_t FastForward(size_t i);
  bool LiteralComesNext(size_t i) const;
  void PrepareScan();
  void ResetStates();
  void DropPartialMatches();
  void MakeResultRoom(size_t more, size_t consumed);
  bool CanSkipPair(unsigned char first, unsigned char second);
  bool CanSkipBusyPair(size_t i, const uint64_t* busy) const;
  const uint64_t* BusyAt(size_t i) const;

  std::vector<Pattern> entries_;
  std::vector<MatchState> states_;
  bool frozen_ = false;
  bool applying_ = false;
  std::string input_;
  std::string result_;
  size_t copied_ = 0;        // input before this offset is already in result_
  ChangeSpans* noted_changes_ = nullptr;
  size_t position_ = 0;      // scan position during Apply
  long match_start_ = -1;    // the match a handler is running for
  long match_end_ = -1;
  bool handler_changed_ = false;
  bool scans_ready_ = false;  // scans_ matches entries_
  std::vector<PatternEntryScan> scans_;
  PatternFinder union_start_;  // bytes that can start any entry
  // Entry sets as bit masks of `words_` 64-bit words each, in entry order.
  size_t words_ = 0;
  std::vector<uint64_t> starters_;   // per byte: entries that can start on it
  std::vector<uint64_t> survives_;   // per byte: entries whose start is not
                                     // bound to fail on it as the second character
  std::vector<uint64_t> running_;    // entries in the middle of an attempt
  // An attempt that is bound to fail within its first few characters is not
  // run at all; instead the entry is marked busy for the offsets the attempt
  // would have occupied, up to the one it fails on (that character is spent
  // and may not start a new attempt). A ring of masks, one per offset ahead.
  static constexpr size_t kBusyRing = 8;
  std::vector<uint64_t> busy_;  // kBusyRing * words_
  size_t busy_at_[kBusyRing] = {};
  size_t busy_end_ = 0;  // no busy marks at this offset or after
  void MarkBusy(size_t offset, size_t word, uint64_t bits);
  // When every entry begins with a literal: the finder of those leading
  // literals, and the offset before which the scan does not jump to the
  // next one again.
  bool lead_jumps_ = false;
  LeadFinder leads_;
  size_t jump_resume_ = 0;
  size_t JumpTarget(size_t i);
  // The one entry is a literal character, `**` and a run ending the pattern.
  bool single_span_ = false;
  int ScanSingleSpan();
  // The one entry is one-character tokens (the first a literal), then one
  // or more `**` each followed by its literal run, which ends the pattern.
  bool prefixed_span_ = false;
  size_t span_prefix_ = 0;  // the one-character tokens before the first `**`
  bool PrefixedSpanFits();  // sets span_prefix_
  int ScanPrefixedSpan();
  // Every entry is plain literal text: the scan follows each entry's one
  // attempt directly instead of through the general matcher.
  bool all_literal_ = false;
  int ScanLiterals();
  struct LiteralState {
    long start = -1;  // -1: idle
    size_t position = 0;
  };
  std::vector<LiteralState> literal_states_;
  int FinishAction(size_t entry, long start, long end, int& actions);
  // Every entry is a tag: `<`, then one-character tokens that take neither
  // `<` nor `>` (but for a last `>`), then possibly `**>`. Such a list is
  // scanned tag by tag (ScanTags) wherever the tags are plain.
  struct TagEntry {
    std::vector<CharacterSet> name;  // the one-character tokens after `<`
    bool to_close = false;           // ends in `**>`
  };
  bool tag_scan_ = false;
  std::vector<TagEntry> tag_entries_;
  std::vector<uint64_t> tag_first_;   // per byte: entries whose token after `<` takes it
  std::vector<uint64_t> tag_second_;  // per byte: entries that take it next, or end before
  size_t close_from_ = 0;            // the last search for `>`: from here...
  size_t close_at_ = 0;              // ...the first `>` is here
  void PrepareTagScan();
  size_t ScanTags(size_t i, int& actions, bool& stopped);
  // Adds the bytes some token of the list accepts to `accepted`; false when
  // an entry has a handler (the list may then not be cut).
  bool AddAcceptedBytes(CharacterSet& accepted) const;
  std::vector<uint64_t> feed_;       // scratch: entries fed at this offset
  // For a character pair (a, b): true when every entry that can start on a
  // fails on b and no other entry can start on b, so with all entries idle
  // the scan may step over both. Rows are built on first use.
  std::vector<std::bitset<256>> skip_pairs_;
  std::vector<unsigned char> skip_row_ready_;
};

// Whether `list` could match `text` again after an application of it that
// made `changes` (noted by NoteChanges) and gave `text`. True whenever some
// entry does more than delete a tag or replace it by text without a '<': a
// tag here begins with '<', holds no other '<', and ends at its first '>'
// (or at its name). Otherwise every match of the first application is gone,
// and a second can only find a match that reaches across a change
// (everywhere else the text is what the first one scanned), which begins
// with a '<' before the change that no '>' follows up to it. Linear.
bool TagsMayMatchAcrossChanges(const PatternList& list, std::string_view text,
                               const PatternList::ChangeSpans& changes);

}  // namespace orv
