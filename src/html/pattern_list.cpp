// Pattern lists: adding and validating entries, the one-scan application
// with its action and resume rules. Matching itself is
// FeedCharacter (pattern_matcher.cpp); this file only decides where the
// scan must look.
//
// Skipping ahead. Feeding every character to every entry is the definition
// of the scan, but most characters change nothing: an idle entry ignores
// characters that cannot start it, and an entry inside a quantifier simply
// takes every character that neither ends the quantifier nor falls out of
// its class. So before feeding, the scan asks each entry for the next
// offset that can matter to it and jumps to the nearest one. Each entry and
// quantifier token has a PatternFinder for that: a byte set searched with memchr
// (small sets) or a table, or, for `**` before a literal run, a substring
// search for the whole run. A finder remembers its last answer: the input
// does not change during a scan, so an answer found from offset `f` is
// valid for every later query from between `f` and the answer. That keeps a
// rescan after ActionRejected from searching the same stretch again (10 MB
// of `<` before one `>` stays linear).
//
// Attempts that cannot succeed are not run. Where an entry's first tokens
// each take one character, the scan checks them against the text before
// starting: an attempt bound to fail on its k-th character only marks the
// entry busy for the k offsets it would have occupied (so it cannot start on
// the character that failed it, exactly as if it had run). When no entry is
// running and every entry free to start on a character (not busy there)
// fails on the next one, and no entry is free to start on that next one,
// the pair is stepped over whole. Entry sets are bit masks, so a dense run
// of start characters (10 MB of `<`, or of `<a`) costs a few operations per
// pair.
//
// Jumping to the next leading literal. When every entry begins with a
// literal character, no entry can complete before the next place where one
// of those leading literal runs (its "lead") occurs in full. So whenever
// the scan is fresh (no entry running, no busy marks ahead) it asks a
// LeadFinder for that place and jumps there: the attempts it steps over
// would all have failed within their lead, and they matter only if one of
// them could still be under way at the landing point, which is the case
// exactly when a proper prefix of a lead ends just before it. Then the scan
// lands a little earlier, on the nearest point where none does (or does not
// jump at all), and runs from there as before. With no lead left in the
// text the application ends at once: nothing else can match.
//
// Literal stretches. Where every running entry next takes literal
// characters and no other entry can start among them, the scan moves the
// running entries over those characters at once (FastForward). A list made
// only of literal text (markers, fixed tags) needs none of the machinery
// above and has a lean scan of its own (ScanLiterals).
//
// Tag by tag. A list whose every entry is one tag (`<p>`, `<p%/**>`,
// `</p>`, `<br%/`) has every attempt begin on a `<` and end within the tag
// it begins, as long as no other `<` comes before the tag's `>`. Such a
// list goes from `<` to `<` (ScanTags): the entries whose first two
// characters fit are matched against the tag directly and act in the order
// the character-wise scan would have them act. A tag that is not plain
// (`<p<b>`, a `<` in a value, no `>` at all) is left to the character-wise
// scan, which hands back once every attempt has ended.
//
// Two halves. A list without handlers can be applied to a large text in two
// halves on two threads, cut after a byte that no token of the list accepts:
// every attempt under way there fails on that byte, so the scan of the
// second half starts exactly as the scan of the whole would go on
// (ApplyAllInPlaceSplit).
#include "html/pattern_list.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <new>
#include <utility>

#include "common/side_by_side.h"
#include "common/text.h"

namespace orv {
namespace {

constexpr size_t kNone = std::string::npos;

bool IsLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Adds the bytes that satisfy `token` when looked at by a quantifier (or
// that can be its first character).
void AddFirstBytes(const CompiledPattern& p, const PatternToken& token, CharacterSet& set) {
  if (token.kind == TokenKind::Literal) {
    set[token.ch] = true;
    if (!p.case_sensitive && IsLetter(token.ch)) {
      set[static_cast<unsigned char>(ToLowerAscii(static_cast<char>(token.ch)))] = true;
      set[static_cast<unsigned char>(ToUpperAscii(static_cast<char>(token.ch)))] = true;
    }
    return;
  }
  for (int b = 0; b < 256; ++b)
    if ((*token.set)[b]) set[b] = true;
}

}  // namespace

bool PatternList::AddReplace(std::string_view pattern, std::string_view replacement,
                             bool case_sensitive) {
  return Add(Replace, pattern, replacement, case_sensitive, nullptr, nullptr);
}

bool PatternList::AddInsertAfter(std::string_view pattern, std::string_view text,
                                 bool case_sensitive) {
  return Add(InsertAfter, pattern, text, case_sensitive, nullptr, nullptr);
}

bool PatternList::AddInsertBefore(std::string_view pattern, std::string_view text,
                                  bool case_sensitive) {
  return Add(InsertBefore, pattern, text, case_sensitive, nullptr, nullptr);
}

bool PatternList::AddDelete(std::string_view pattern, bool case_sensitive) {
  return Add(Delete, pattern, std::string_view(), case_sensitive, nullptr, nullptr);
}

bool PatternList::AddCallback(std::string_view pattern, PatternHandler handler, void* data,
                              bool case_sensitive) {
  return Add(Callback, pattern, std::string_view(), case_sensitive, std::move(handler), data);
}

bool PatternList::Add(ActionKind kind, std::string_view pattern, std::string_view replacement,
                      bool case_sensitive, PatternHandler handler, void* data) {
  if (frozen_ || applying_) return false;
  const int k = static_cast<int>(kind);
  if (k < Replace || k > Callback) return false;
  if (k == 5) kind = Callback;
  if (kind == Callback && !handler) return false;
  Pattern entry;
  entry.text = StoredPatternText(pattern, case_sensitive);
  if (!CompilePattern(entry.text, case_sensitive, entry.compiled)) return false;
  entry.kind = kind;
  entry.replacement.assign(replacement);
  entry.case_sensitive = case_sensitive;
  entry.handler = std::move(handler);
  entry.data = data;
  entry.sequence = static_cast<int>(entries_.size()) + 1;
  entries_.push_back(std::move(entry));
  scans_ready_ = false;
  return true;
}

bool PatternList::MayMatch(const TagStartIndex& index) const {
  if (entries_.empty() || !index.Valid()) return !entries_.empty();
  for (const Pattern& entry : entries_) {
    char lead[1 + TagStartIndex::kDepth];
    size_t length = 0;
    for (const PatternToken& token : entry.compiled.tokens) {
      if (token.kind != TokenKind::Literal || length == sizeof lead) break;
      lead[length++] = static_cast<char>(token.ch);
    }
    if (index.MayContain(std::string_view(lead, length))) return true;
  }
  return false;
}

void PatternList::Clear() {
  if (frozen_ || applying_) return;
  entries_.clear();
  states_.clear();
  scans_.clear();
  scans_ready_ = false;
}

void PatternList::PrepareScan() {
  if (!scans_ready_) {
    scans_.clear();
    words_ = (entries_.size() + 63) / 64;
    starters_.assign(256 * words_, 0);
    survives_.assign(256 * words_, 0);
    CharacterSet all_starts{};
    for (size_t e = 0; e < entries_.size(); ++e) {
      const CompiledPattern& p = entries_[e].compiled;
      PatternEntryScan scan;
      const PatternToken& first = p.tokens.front();
      AddFirstBytes(p, first, scan.start_set);
      if (first.kind == TokenKind::Star && p.tokens.size() > 1)
        AddFirstBytes(p, p.tokens[1], scan.start_set);
      for (size_t t = 0; t < p.tokens.size(); ++t) {
        const PatternToken& token = p.tokens[t];
        if (token.kind != TokenKind::Star && token.kind != TokenKind::Plus) {
          scan.token_finders.emplace_back();
          continue;
        }
        if (!token.run.empty()) {
          scan.token_finders.push_back(PatternFinder::ForRun(token.run, p.case_sensitive));
          continue;
        }
        // Stop at a byte outside the class, or one the next token accepts.
        CharacterSet stop{};
        for (int b = 0; b < 256; ++b) stop[b] = !(*token.set)[b];
        if (t + 1 < p.tokens.size()) AddFirstBytes(p, p.tokens[t + 1], stop);
        scan.token_finders.push_back(PatternFinder::ForSet(stop));
      }
      auto single = [](const PatternToken& t) {
        return t.kind == TokenKind::Literal || t.kind == TokenKind::One;
      };
      if (p.tokens.size() >= 2 && single(p.tokens[0]) && single(p.tokens[1])) {
        scan.fails_on_second = true;
        AddFirstBytes(p, p.tokens[1], scan.second_set);
      }
      if (p.leading_run < 2) {
        for (size_t t = 0;
             t < p.tokens.size() && t < PatternEntryScan::kMaxBlock && single(p.tokens[t]); ++t) {
          scan.block_sets.emplace_back();
          AddFirstBytes(p, p.tokens[t], scan.block_sets.back());
        }
      }
      const uint64_t bit = uint64_t{1} << (e % 64);
      for (int b = 0; b < 256; ++b) {
        if (scan.start_set[b]) {
          all_starts[b] = true;
          starters_[b * words_ + e / 64] |= bit;
        }
        if (!scan.fails_on_second || scan.second_set[b]) survives_[b * words_ + e / 64] |= bit;
      }
      scans_.push_back(std::move(scan));
    }
    union_start_ = PatternFinder::ForSet(all_starts);
    lead_jumps_ = !entries_.empty();
    leads_.Clear();
    for (const Pattern& entry : entries_) {
      const CompiledPattern& p = entry.compiled;
      std::string lead;
      for (const PatternToken& token : p.tokens) {
        if (token.kind != TokenKind::Literal) break;
        lead.push_back(static_cast<char>(token.ch));
      }
      if (lead.empty()) lead_jumps_ = false;
      leads_.Add(lead, p.case_sensitive);
    }
    if (lead_jumps_) leads_.Prepare();
    single_span_ = false;
    if (entries_.size() == 1 && lead_jumps_) {
      const CompiledPattern& p = entries_[0].compiled;
      single_span_ = p.tokens.size() >= 3 && p.tokens[1].kind == TokenKind::Star &&
                     p.tokens[1].any && p.tokens.size() == 2 + p.tokens[1].run.size();
    }
    all_literal_ = lead_jumps_ && !single_span_;
    for (const Pattern& entry : entries_)
      for (const PatternToken& token : entry.compiled.tokens)
        all_literal_ &= token.kind == TokenKind::Literal;
    skip_pairs_.clear();
    skip_row_ready_.assign(256, 0);
    PrepareTagScan();
    prefixed_span_ = !single_span_ && !all_literal_ && !tag_scan_ && PrefixedSpanFits();
    scans_ready_ = true;
  }
  close_from_ = close_at_ = kNone;
  for (PatternEntryScan& scan : scans_)
    for (PatternFinder& f : scan.token_finders) f.ResetCache();
  union_start_.ResetCache();
  if (lead_jumps_) leads_.ResetCache();
  jump_resume_ = 0;
  ResetStates();
}

void PatternList::PrepareTagScan() {
  tag_scan_ = !entries_.empty() && entries_.size() <= 64 && !single_span_ && !all_literal_;
  tag_entries_.clear();
  tag_first_.assign(256, 0);
  tag_second_.assign(256, 0);
  for (size_t e = 0; e < entries_.size() && tag_scan_; ++e) {
    const CompiledPattern& p = entries_[e].compiled;
    const std::vector<PatternToken>& tokens = p.tokens;
    TagEntry tag;
    size_t t = 1;
    bool takes_close = false;  // the last name token took `>`
    for (; t < tokens.size(); ++t) {
      const PatternToken& token = tokens[t];
      if (token.kind != TokenKind::Literal && token.kind != TokenKind::One) break;
      if (takes_close) break;
      CharacterSet set{};
      AddFirstBytes(p, token, set);
      if (set['<']) break;
      takes_close = set['>'];
      tag.name.push_back(set);
    }
    if (t + 2 == tokens.size() && !takes_close && tokens[t].kind == TokenKind::Star &&
        tokens[t].any && tokens[t + 1].kind == TokenKind::Literal && tokens[t + 1].ch == '>') {
      tag.to_close = true;
      t = tokens.size();
    }
    tag_scan_ = tokens.size() >= 2 && tokens[0].kind == TokenKind::Literal && tokens[0].ch == '<' &&
                t == tokens.size() && !tag.name.empty();
    if (!tag_scan_) break;
    for (int b = 0; b < 256; ++b) {
      if (tag.name[0][b]) tag_first_[b] |= uint64_t{1} << e;
      if (tag.name.size() < 2 || tag.name[1][b]) tag_second_[b] |= uint64_t{1} << e;
    }
    tag_entries_.push_back(std::move(tag));
  }
  if (!tag_scan_) tag_entries_.clear();
}

// The scan of a list of tags (see PrepareTagScan) from `i`, where no entry
// is running and nothing ahead is spent, one tag at a time. Every attempt
// begins on a `<` and takes no `<` before its end, so where the next `<`
// comes after the first `>` (or after every attempt has ended), the
// attempts begun on a `<` run out within its tag, as the character-wise
// scan would run them: each entry completes where its name ends or at the
// `>`, or fails on a character that cannot start anything. The entries that
// complete act in the order of their ends (list order where two end
// together), until one changes the text. Returns the text size, or the
// offset of a `<` where the tags are not plain (an attempt would run on
// past the next `<`, or to the end); the character-wise scan goes on from
// there. `stopped` is set when a handler stops the scan.
size_t PatternList::ScanTags(size_t i, int& actions, bool& stopped) {
  const size_t n = input_.size();
  const unsigned char* data = reinterpret_cast<const unsigned char*>(input_.data());
  ByteCursor opens(input_, '<');
  struct Completion {
    size_t at;
    size_t entry;
  };
  Completion done[64];
  for (size_t s = opens.Next(JumpTarget(i)); s < n;) {
    if (s + 1 >= n) return s;
    if (data[s + 1] == '<') {
      // Every attempt begun here fails on that `<`, which starts none.
      s = opens.Next(s + 2);
      continue;
    }
    uint64_t candidates = tag_first_[data[s + 1]];
    // An attempt that fails on the next character, other than `<`, has
    // spent nothing that could start one.
    if (s + 2 < n && data[s + 2] != '<') candidates &= tag_second_[data[s + 2]];
    const size_t next_open = opens.Next(s + 2);
    if (candidates == 0) {
      // Every attempt begun here has ended by the next `<`: the next lead
      // may be far (a list of one rare tag).
      s = opens.Next(JumpTarget(next_open));
      continue;
    }
    size_t count = 0;
    for (; candidates != 0; candidates &= candidates - 1) {
      const size_t e = static_cast<size_t>(__builtin_ctzll(candidates));
      const TagEntry& tag = tag_entries_[e];
      size_t at = s + 1;
      size_t k = 0;
      while (k < tag.name.size() && at < n && tag.name[k][data[at]]) ++k, ++at;
      if (k < tag.name.size()) {
        // It fails on `<` (spent for it: leave this tag to the character
        // scan), on a character that starts nothing, or runs into the end.
        if (at == next_open) return s;
        continue;
      }
      size_t end = at - 1;
      if (tag.to_close) {
        if (close_from_ == kNone || s + 1 < close_from_ || s + 1 > close_at_) {
          const void* hit = std::memchr(data + s + 1, '>', n - s - 1);
          close_from_ = s + 1;
          close_at_ = hit ? static_cast<size_t>(static_cast<const unsigned char*>(hit) - data) : n;
        }
        if (close_at_ >= n || close_at_ > next_open) return s;
        end = close_at_;
      }
      size_t slot = count++;
      for (; slot > 0 && done[slot - 1].at > end; --slot) done[slot] = done[slot - 1];
      done[slot] = {end, e};
    }
    for (size_t c = 0; c < count;) {
      const size_t end = done[c].at;
      size_t same = c;
      for (; same < count && done[same].at == end; ++same) ++entries_[done[same].entry].matches_found;
      position_ = end;
      const int result = FinishAction(done[c].entry, static_cast<long>(s), static_cast<long>(end), actions);
      if (result == ActionStop) {
        stopped = true;
        return n;
      }
      if (result == ActionChanged || result == ActionRejected) break;
      c = same;
    }
    s = next_open;
  }
  return n;
}

void PatternList::ResetStates() {
  states_.assign(entries_.size(), MatchState());
  running_.assign(words_, 0);
  busy_.assign(kBusyRing * words_, 0);
  for (size_t& at : busy_at_) at = kNone;
  busy_end_ = 0;
  feed_.assign(words_, 0);
}

// The same as ResetStates during a scan, at the cost of the entries
// running and the busy marks set rather than of the whole list: every other
// entry is idle already.
void PatternList::DropPartialMatches() {
  for (size_t w = 0; w < words_; ++w) {
    for (uint64_t bits = running_[w]; bits != 0; bits &= bits - 1)
      states_[w * 64 + static_cast<size_t>(__builtin_ctzll(bits))].Reset();
    running_[w] = 0;
  }
  if (busy_end_ == 0) return;
  for (size_t slot = 0; slot < kBusyRing; ++slot) {
    if (busy_at_[slot] == kNone) continue;
    for (size_t w = 0; w < words_; ++w) busy_[slot * words_ + w] = 0;
    busy_at_[slot] = kNone;
  }
  busy_end_ = 0;
}

void PatternList::MarkBusy(size_t offset, size_t word, uint64_t bits) {
  const size_t slot = offset % kBusyRing;
  uint64_t* mask = &busy_[slot * words_];
  if (busy_at_[slot] != offset) {
    busy_at_[slot] = offset;
    for (size_t w = 0; w < words_; ++w) mask[w] = 0;
  }
  mask[word] |= bits;
  busy_end_ = std::max(busy_end_, offset + 1);
}

// Where a fresh scan at `i` may go on from: the next occurrence of a lead,
// or a little before it (see the top of the file), or `i` itself; the text
// size when no lead occurs any more.
size_t PatternList::JumpTarget(size_t i) {
  const size_t n = input_.size();
  const size_t lead = leads_.Next(input_, i);
  if (lead >= n) return n;
  // Attempts from before the landing point must all have ended before it.
  constexpr size_t kMaxBackOff = 64;
  const size_t lowest = lead - i > kMaxBackOff ? lead - kMaxBackOff : i;
  size_t land = lead;
  while (land > lowest && leads_.PrefixEndsAt(input_, land, i)) --land;
  if (land > i && leads_.PrefixEndsAt(input_, land, i)) land = i;
  // From a point short of the lead the scan runs to it before jumping again.
  if (land != lead) jump_resume_ = lead + 1;
  // Where leads crowd together (a text of `<a<a<a`), jumps gain nothing and
  // cost a search each: let the plain scan go on for a while.
  constexpr size_t kShortJump = 4;
  constexpr size_t kPlainStretch = 32;
  if (land - i < kShortJump) jump_resume_ = std::max(jump_resume_, i + kPlainStretch);
  return land;
}

bool PatternList::CanSkipPair(unsigned char first, unsigned char second) {
  if (!skip_row_ready_[first]) {
    if (skip_pairs_.empty()) skip_pairs_.resize(256);
    std::bitset<256>& row = skip_pairs_[first];
    row.set();
    for (const PatternEntryScan& scan : scans_) {
      for (int b = 0; b < 256; ++b) {
        const bool survives =
            scan.start_set[first] && (!scan.fails_on_second || scan.second_set[b]);
        const bool starts_late = !scan.start_set[first] && scan.start_set[b];
        if (survives || starts_late) row.reset(b);
      }
    }
    skip_row_ready_[first] = 1;
  }
  return skip_pairs_[first].test(second);
}

// The busy-aware form of CanSkipPair, for an offset `i` (with a follower)
// where some entries are busy and none is running: the entries free to
// start on input_[i] must all fail on input_[i + 1], and no entry may be
// free to start on input_[i + 1] (those failing there are spent on it).
bool PatternList::CanSkipBusyPair(size_t i, const uint64_t* busy) const {
  const unsigned char c = static_cast<unsigned char>(input_[i]);
  const unsigned char next = static_cast<unsigned char>(input_[i + 1]);
  const size_t slot = (i + 1) % kBusyRing;
  const uint64_t* busy_next = busy_at_[slot] == i + 1 ? &busy_[slot * words_] : nullptr;
  for (size_t w = 0; w < words_; ++w) {
    const uint64_t start = starters_[c * words_ + w] & ~(busy != nullptr ? busy[w] : 0);
    if ((start & survives_[next * words_ + w]) != 0) return false;
    const uint64_t late =
        starters_[next * words_ + w] & ~start & ~(busy_next != nullptr ? busy_next[w] : 0);
    if (late != 0) return false;
  }
  return true;
}

// The busy marks for offset `i`, or nullptr when there are none.
const uint64_t* PatternList::BusyAt(size_t i) const {
  const size_t slot = i % kBusyRing;
  if (busy_at_[slot] != i) return nullptr;
  const uint64_t* mask = &busy_[slot * words_];
  for (size_t w = 0; w < words_; ++w)
    if (mask[w] != 0) return mask;
  return nullptr;
}

// The first offset >= i at which feeding a character can change some
// entry's state. Entries inside a quantifier are moved on to that offset as
// if they had taken the skipped characters.
size_t PatternList::NextEvent(size_t i) {
  const size_t n = input_.size();
  bool none_running = true;
  for (size_t w = 0; w < words_; ++w) none_running &= running_[w] == 0;
  if (none_running) {
    // Start characters are often close together (dense markup): look at
    // the next few directly before searching.
    const size_t near = std::min(n, i + 8);
    for (size_t j = i; j < near; ++j)
      if (union_start_.set[static_cast<unsigned char>(input_[j])]) return j;
    return near < n ? union_start_.Next(input_, near) : n;
  }
  size_t event = n;
  size_t running = 0;
  for (size_t w = 0; w < words_; ++w) {
    for (uint64_t bits = running_[w]; bits != 0; bits &= bits - 1) {
      const size_t e = w * 64 + static_cast<size_t>(__builtin_ctzll(bits));
      ++running;
      const MatchState& s = states_[e];
      const CompiledPattern& p = entries_[e].compiled;
      const PatternToken& token = p.tokens[s.position];
      if (token.kind == TokenKind::Literal || token.kind == TokenKind::One) return i;
      size_t q = scans_[e].token_finders[s.position].Next(input_, i);
      // A final quantifier completes on the character before the first one
      // outside its class, so that character is the one to stop at.
      if (s.position + 1 == p.tokens.size() && q > i) q -= 1;
      // With only final `*C` tokens after it, a quantifier that runs to the
      // end of the text completes on the last character.
      else if (q >= n && s.position + 1 >= p.zero_tail)
        q = n - 1;
      if (q <= i) return i;
      if (q < event) event = q;
    }
  }
  if (running < entries_.size()) {
    const size_t q = union_start_.Next(input_, i);
    if (q < event) event = q;
  }
  if (event > i && event < n && running > 0) {
    for (size_t w = 0; w < words_; ++w) {
      for (uint64_t bits = running_[w]; bits != 0; bits &= bits - 1)
        states_[w * 64 + static_cast<size_t>(__builtin_ctzll(bits))].repeat += event - i;
    }
  }
  return event;
}

// Whether the first running entry takes the character at `i` as a literal
// token that does not complete it: the cheap test before FastForward.
bool PatternList::LiteralComesNext(size_t i) const {
  for (size_t w = 0; w < words_; ++w) {
    if (running_[w] == 0) continue;
    const size_t e = w * 64 + static_cast<size_t>(__builtin_ctzll(running_[w]));
    const CompiledPattern& p = entries_[e].compiled;
    const size_t k = states_[e].position;
    if (k + 1 >= p.tokens.size() || p.tokens[k].kind != TokenKind::Literal) return false;
    const char c = input_[i];
    return static_cast<unsigned char>(p.case_sensitive ? c : ToUpperAscii(c)) == p.tokens[k].ch;
  }
  return false;
}

// From offset `i`, where entries are running: the characters that every
// running entry takes as its next literal tokens, while no other entry can
// start on them, change nothing but those entries' positions, so the scan
// moves the entries over them at once (a marker or an end tag is taken in
// one step instead of a character at a time). No entry completes in the
// stretch: the token that would complete it, and the last character of the
// text, are left to the character-by-character scan. Returns the offset to
// go on from. Needs no busy marks at `i` or after.
size_t PatternList::FastForward(size_t i) {
  const size_t n = input_.size();
  size_t limit = n - 1 - i;
  bool any = false;
  for (size_t w = 0; w < words_ && limit > 0; ++w) {
    for (uint64_t bits = running_[w]; bits != 0 && limit > 0; bits &= bits - 1) {
      const size_t e = w * 64 + static_cast<size_t>(__builtin_ctzll(bits));
      any = true;
      const CompiledPattern& p = entries_[e].compiled;
      const size_t k = states_[e].position;
      size_t m = 0;
      while (m < limit && k + m + 1 < p.tokens.size() &&
             p.tokens[k + m].kind == TokenKind::Literal) {
        const char c = input_[i + m];
        const unsigned char got =
            static_cast<unsigned char>(p.case_sensitive ? c : ToUpperAscii(c));
        if (got != p.tokens[k + m].ch) break;
        ++m;
      }
      limit = m;
    }
  }
  if (!any || limit == 0) return i;
  for (size_t j = 0; j < limit; ++j) {
    const unsigned char c = static_cast<unsigned char>(input_[i + j]);
    for (size_t w = 0; w < words_; ++w) {
      if ((starters_[c * words_ + w] & ~running_[w]) != 0) {
        limit = j;
        break;
      }
    }
  }
  if (limit == 0) return i;
  for (size_t w = 0; w < words_; ++w) {
    for (uint64_t bits = running_[w]; bits != 0; bits &= bits - 1) {
      MatchState& s = states_[w * 64 + static_cast<size_t>(__builtin_ctzll(bits))];
      s.position += limit;
      s.repeat = 0;
    }
  }
  return i + limit;
}

int PatternList::Apply(std::string_view text) {
  if (applying_) return 0;
  std::string input(text);  // first: `text` may be our own result
  input_.swap(input);
  const int actions = Scan(/*keep_unchanged_result=*/true);
  std::string().swap(input_);
  return actions;
}

int PatternList::ApplyInPlace(std::string& text) {
  if (applying_) return 0;
  // Should the scan fail (out of memory), the caller gets its text back.
  struct GiveBack {
    std::string& text;
    std::string& input;
    bool done = false;
    ~GiveBack() {
      if (!done) text.swap(input);
    }
  } give_back{text, input_};
  input_.swap(text);
  const int actions = Scan(/*keep_unchanged_result=*/false);
  text.swap(actions > 0 ? result_ : input_);
  give_back.done = true;
  // Neither copy is kept: a list may live for a whole run over large texts.
  std::string().swap(input_);
  std::string().swap(result_);
  return actions;
}

bool PatternList::AddAcceptedBytes(CharacterSet& accepted) const {
  for (const Pattern& entry : entries_) {
    if (entry.kind == Callback) return false;  // a handler may keep state between matches
    for (const PatternToken& token : entry.compiled.tokens)
      AddFirstBytes(entry.compiled, token, accepted);
  }
  return true;
}

namespace {

// Just after a byte outside `accepted`, near the middle of `text`; 0 when
// there is none.
size_t SplitPoint(const CharacterSet& accepted, std::string_view text) {
  const size_t middle = text.size() / 2;
  for (size_t at = middle; at + 1 < text.size(); ++at)
    if (!accepted[static_cast<unsigned char>(text[at])]) return at + 1;
  for (size_t at = middle; at-- > 0;)
    if (!accepted[static_cast<unsigned char>(text[at])]) return at + 1;
  return 0;
}

}  // namespace

int PatternList::ApplyInPlaceSplit(std::string& text, size_t worth_splitting) {
  return ApplyAllInPlaceSplit({this}, text, worth_splitting).front();
}

std::vector<int> PatternList::ApplyAllInPlaceSplit(const std::vector<PatternList*>& lists,
                                                   std::string& text, size_t worth_splitting) {
  std::vector<int> actions(lists.size(), 0);
  auto one_after_another = [&] {
    for (size_t k = 0; k < lists.size(); ++k) actions[k] = lists[k]->ApplyInPlace(text);
    return actions;
  };
  bool splittable = text.size() >= worth_splitting;
  CharacterSet accepted{};
  for (const PatternList* list : lists)
    splittable = splittable && !list->applying_ && list->AddAcceptedBytes(accepted);
  const size_t split = splittable ? SplitPoint(accepted, text) : 0;
  if (split == 0 || split >= text.size()) return one_after_another();

  // Every list's second half runs on a copy of the list, whose counters are
  // added to the list's afterwards.
  std::vector<PatternList> seconds;
  seconds.reserve(lists.size());
  for (const PatternList* list : lists) {
    seconds.push_back(*list);
    for (Pattern& entry : seconds.back().entries_) entry.matches_found = entry.actions_taken = 0;
  }
  std::string tail = text.substr(split);
  std::vector<int> tail_actions(lists.size(), 0);
  const bool side_by_side = RunSideBySide(
      [&] {
        text.resize(split);
        for (size_t k = 0; k < lists.size(); ++k) actions[k] = lists[k]->ApplyInPlace(text);
      },
      [&] {
        for (size_t k = 0; k < seconds.size(); ++k) tail_actions[k] = seconds[k].ApplyInPlace(tail);
      });
  if (!side_by_side) return one_after_another();  // no second thread to be had
  text += tail;
  for (size_t k = 0; k < lists.size(); ++k) {
    actions[k] += tail_actions[k];
    for (size_t e = 0; e < lists[k]->entries_.size(); ++e) {
      lists[k]->entries_[e].matches_found += seconds[k].entries_[e].matches_found;
      lists[k]->entries_[e].actions_taken += seconds[k].entries_[e].actions_taken;
    }
  }
  return actions;
}

int PatternList::Scan(bool keep_unchanged_result) {
  struct ApplyingGuard {
    bool& flag;
    ~ApplyingGuard() { flag = false; }
  } guard{applying_};
  applying_ = true;

  result_.clear();
  copied_ = 0;
  PrepareScan();

  int actions = 0;
  const size_t n = input_.size();
  size_t i = 0;
  if (single_span_) {
    actions = ScanSingleSpan();
    i = n;
  } else if (prefixed_span_) {
    actions = ScanPrefixedSpan();
    i = n;
  } else if (all_literal_) {
    actions = ScanLiterals();
    i = n;
  }
  while (i < n) {
    if (tag_scan_ && i >= busy_end_) {
      bool none_running = true;
      for (size_t w = 0; w < words_; ++w) none_running &= running_[w] == 0;
      if (none_running) {
        bool stopped = false;
        i = ScanTags(i, actions, stopped);
        if (stopped || i >= n) break;
      }
    }
    if (lead_jumps_ && i >= jump_resume_ && i >= busy_end_) {
      bool none_running = true;
      for (size_t w = 0; w < words_; ++w) none_running &= running_[w] == 0;
      if (none_running) {
        i = JumpTarget(i);
        if (i >= n) break;
      }
    }
    i = NextEvent(i);
    if (i >= n) break;
    const unsigned char c = static_cast<unsigned char>(input_[i]);
    const bool has_next = i + 1 < n;
    const unsigned char next = has_next ? static_cast<unsigned char>(input_[i + 1]) : 0;
    const uint64_t* busy = BusyAt(i);
    bool any_running = false;
    for (size_t w = 0; w < words_; ++w) any_running |= running_[w] != 0;
    // With no entry running, a pair of characters can be stepped over when
    // every attempt that could start on the first fails on the second.
    auto skippable = [this](size_t at, const uint64_t* busy_here) {
      return busy_here == nullptr ? CanSkipPair(static_cast<unsigned char>(input_[at]),
                                                static_cast<unsigned char>(input_[at + 1]))
                                  : CanSkipBusyPair(at, busy_here);
    };
    if (!any_running && has_next && skippable(i, busy)) {
      // Go on over such pairs while they come. Busy marks are made for a
      // few offsets after the one that makes them, so when there are none
      // here there are none further on either.
      i += 2;
      if (busy == nullptr) {
        while (i + 1 < n && union_start_.set[static_cast<unsigned char>(input_[i])] &&
               CanSkipPair(static_cast<unsigned char>(input_[i]),
                           static_cast<unsigned char>(input_[i + 1])))
          i += 2;
      } else {
        while (i + 1 < n && union_start_.set[static_cast<unsigned char>(input_[i])] &&
               skippable(i, BusyAt(i)))
          i += 2;
      }
      continue;
    }

    // Who is fed here: the running entries, and those that may start on this
    // character unless their attempt is bound to fail within the next few.
    for (size_t w = 0; w < words_; ++w) {
      const uint64_t start = starters_[c * words_ + w] & ~running_[w] & ~(busy ? busy[w] : 0);
      const uint64_t doom = has_next ? start & ~survives_[next * words_ + w] : 0;
      if (doom != 0) MarkBusy(i + 1, w, doom);
      uint64_t feed = running_[w];
      for (uint64_t bits = start & ~doom; bits != 0; bits &= bits - 1) {
        const size_t b = static_cast<size_t>(__builtin_ctzll(bits));
        const std::vector<CharacterSet>& block = scans_[w * 64 + b].block_sets;
        size_t k = 2;
        while (k < block.size() && i + k < n && block[k][static_cast<unsigned char>(input_[i + k])])
          ++k;
        if (k < block.size() && i + k < n) {
          for (size_t busy_offset = i + 1; busy_offset <= i + k; ++busy_offset)
            MarkBusy(busy_offset, w, uint64_t{1} << b);
        } else {
          feed |= uint64_t{1} << b;
        }
      }
      feed_[w] = feed;
    }

    position_ = i;
    size_t first = kNone;
    long start = -1;
    for (size_t w = 0; w < words_; ++w) {
      for (uint64_t bits = feed_[w]; bits != 0; bits &= bits - 1) {
        const size_t e = w * 64 + static_cast<size_t>(__builtin_ctzll(bits));
        MatchState& s = states_[e];
        const uint64_t bit = uint64_t{1} << (e % 64);
        if (FeedCharacter(entries_[e].compiled, s, input_, i) == StepResult::Complete) {
          ++entries_[e].matches_found;
          if (first == kNone) {
            first = e;
            start = s.start;
          }
          s.Reset();  // only one entry acts; the other matches are spent
          running_[w] &= ~bit;
        } else if (s.Idle()) {
          running_[w] &= ~bit;
        } else {
          running_[w] |= bit;
        }
      }
    }
    if (first == kNone) {
      ++i;
      if (i < n && busy_end_ <= i && LiteralComesNext(i)) i = FastForward(i);
      continue;
    }
    const int result = FinishAction(first, start, static_cast<long>(i), actions);
    const bool rejected = result == ActionRejected;
    if (result == ActionStop) break;
    if (result == ActionChanged || rejected) {
      DropPartialMatches();
      i = rejected ? static_cast<size_t>(start) + 1 : i + 1;
    } else {
      ++i;
    }
  }
  if (actions > 0 || keep_unchanged_result) {
    MakeResultRoom(input_.size() - std::min(copied_, input_.size()), input_.size());
    result_.append(input_, copied_, kNone);
  }
  copied_ = n;
  return actions;
}

// The scan of a list whose one entry is a single literal character, `**`
// and a literal run ending the pattern (`<**>`, the remaining-tag pass).
// Such an entry starts on every occurrence of its first character while it
// is idle, and once started it cannot fail: `**` takes every character
// until the run begins, and then the run completes it. So each match runs
// from the next start character to the end of the next run after it, and
// two searches find it. Returns the count of actions, as Scan does.
int PatternList::ScanSingleSpan() {
  const size_t n = input_.size();
  const CompiledPattern& p = entries_[0].compiled;
  PatternFinder& run = scans_[0].token_finders[1];
  const size_t run_length = p.tokens[1].run.size();
  int actions = 0;
  size_t i = 0;
  while (i < n) {
    const size_t start = leads_.Next(input_, i);
    if (start + 1 >= n) break;
    const size_t at = run.Next(input_, start + 1);
    if (at >= n) break;  // the attempt would run to the end of the text
    const size_t end = at + run_length - 1;
    position_ = end;
    ++entries_[0].matches_found;
    const int result = FinishAction(0, static_cast<long>(start), static_cast<long>(end), actions);
    const bool rejected = result == ActionRejected;
    if (result == ActionStop) break;
    i = rejected ? start + 1 : end + 1;
  }
  return actions;
}

bool PatternList::PrefixedSpanFits() {
  if (entries_.size() != 1) return false;
  const CompiledPattern& p = entries_[0].compiled;
  const std::vector<PatternToken>& tokens = p.tokens;
  size_t k = 0;
  while (k < tokens.size() &&
         (tokens[k].kind == TokenKind::Literal || tokens[k].kind == TokenKind::One))
    ++k;
  if (k == 0 || k == tokens.size() || tokens[0].kind != TokenKind::Literal || p.leading_run >= 2)
    return false;
  for (size_t t = k; t < tokens.size(); t += 1 + tokens[t].run.size()) {
    const PatternToken& star = tokens[t];
    if (star.kind != TokenKind::Star || !star.any || star.run.empty() ||
        t + star.run.size() >= tokens.size())
      return false;
  }
  span_prefix_ = k;
  return true;
}

// The scan of a list whose one entry is a few one-character tokens, then
// `**` and a literal run, perhaps several times (`<a%W**>**</a>`,
// `<script%>**/script>`). An attempt begins on each occurrence of the first
// character while the entry is idle and can fail only within its
// one-character tokens, on a character that is then spent (so it can
// begin no attempt); past them each
// `**` takes every character up to the next occurrence of its run, which
// completes it or, when there is none, runs to the end of the text. So a
// match is a check of a few characters and one search per run. Returns
// the count of actions, as Scan does.
int PatternList::ScanPrefixedSpan() {
  const size_t n = input_.size();
  const CompiledPattern& p = entries_[0].compiled;
  std::vector<PatternFinder>& finders = scans_[0].token_finders;
  const size_t prefix = span_prefix_;
  int actions = 0;
  size_t i = 0;
  while (i < n) {
    // The next place the entry's leading literals occur is where the next
    // attempt that gets past them begins, unless an attempt begun earlier
    // could still be under way there; then the scan steps on from the next
    // character that begins one.
    size_t start = leads_.Next(input_, i);
    if (start >= n) break;
    if (leads_.PrefixEndsAt(input_, start, i)) start = union_start_.Next(input_, i);
    size_t k = 1;
    while (k < prefix && start + k < n &&
           TokenTakes(p, p.tokens[k], static_cast<unsigned char>(input_[start + k])))
      ++k;
    if (k < prefix) {
      if (start + k >= n) break;  // the text ends within the attempt
      i = start + k + 1;          // the character that failed it starts nothing
      continue;
    }
    size_t at = start + prefix;
    bool complete = true;
    for (size_t t = prefix; t < p.tokens.size() && complete; t += 1 + p.tokens[t].run.size()) {
      const size_t found = at < n ? finders[t].Next(input_, at) : n;
      complete = found < n;
      at = found + p.tokens[t].run.size();
    }
    if (!complete) break;  // the attempt runs to the end of the text
    const size_t end = at - 1;
    position_ = end;
    ++entries_[0].matches_found;
    const int result = FinishAction(0, static_cast<long>(start), static_cast<long>(end), actions);
    if (result == ActionStop) break;
    i = result == ActionRejected ? start + 1 : end + 1;
  }
  return actions;
}

// The scan of a list whose entries are all plain literal text. It keeps
// the rules of the general scan (one attempt per entry, the failed
// character spent, the slide of a run of copies, the first completing entry
// in list order acting, the jumps to the next lead) with none of the
// machinery that quantifiers and classes need: an attempt is a position in
// its literal. Markers and fixed tags are most of what the conversion's
// lists look for, so this is the common case. Returns the count of actions,
// as Scan does.
int PatternList::ScanLiterals() {
  const size_t n = input_.size();
  const size_t count = entries_.size();
  literal_states_.assign(count, LiteralState());
  size_t running = 0;
  int actions = 0;
  size_t i = 0;
  while (i < n) {
    if (running == 0) {
      if (i >= jump_resume_) {
        i = JumpTarget(i);
        if (i >= n) break;
      }
      if (!union_start_.set[static_cast<unsigned char>(input_[i])]) {
        i = union_start_.Next(input_, i);
        if (i >= n) break;
      }
    }
    const unsigned char c = static_cast<unsigned char>(input_[i]);
    const unsigned char upper = static_cast<unsigned char>(ToUpperAscii(static_cast<char>(c)));
    size_t first = kNone;
    long start = -1;
    for (size_t e = 0; e < count; ++e) {
      const CompiledPattern& p = entries_[e].compiled;
      const unsigned char ch = p.case_sensitive ? c : upper;
      LiteralState& s = literal_states_[e];
      if (s.start < 0) {
        if (p.tokens[0].ch != ch) continue;
        s.start = static_cast<long>(i);
        s.position = 1;
        ++running;
      } else if (p.tokens[s.position].ch == ch) {
        ++s.position;
      } else {
        // The slide of a run of copies (`-->` in `--->`); otherwise the
        // attempt fails and this character is spent for the entry.
        if (s.position >= 2 && s.position <= p.leading_run && p.tokens[0].ch == ch) {
          ++s.start;
        } else {
          s.start = -1;
          --running;
        }
        continue;
      }
      if (s.position == p.tokens.size()) {
        ++entries_[e].matches_found;
        if (first == kNone) {
          first = e;
          start = s.start;
        }
        s.start = -1;
        --running;
      }
    }
    if (first == kNone) {
      ++i;
      continue;
    }
    position_ = i;
    const int result = FinishAction(first, start, static_cast<long>(i), actions);
    if (result == ActionStop) break;
    if (result == ActionChanged || result == ActionRejected) {
      literal_states_.assign(count, LiteralState());
      running = 0;
      i = result == ActionRejected ? static_cast<size_t>(start) + 1 : i + 1;
    } else {
      ++i;
    }
  }
  return actions;
}

// Lets `entry` act on the match [start, end] and keeps the books: a
// rejected match has its changes undone; a change (a changed result, or a
// handler that changed the text through the list) is counted in
// `actions`. Returns the action's result, which decides how the scan goes
// on.
int PatternList::FinishAction(size_t entry, long start, long end, int& actions) {
  const size_t saved_size = result_.size();
  const size_t saved_copied = copied_;
  const int result = Act(entry, start, end);
  match_start_ = match_end_ = -1;
  if (result == ActionRejected) {
    result_.resize(saved_size);
    copied_ = saved_copied;
  } else if (result == ActionChanged || handler_changed_) {
    ++actions;
    ++entries_[entry].actions_taken;
  }
  return result;
}

int PatternList::Act(size_t index, long start, long end) {
  Pattern& entry = entries_[index];
  match_start_ = start;
  match_end_ = end;
  handler_changed_ = false;
  const size_t s = static_cast<size_t>(start);
  const size_t e = static_cast<size_t>(end);
  switch (entry.kind) {
    case Replace: return Splice(s, e + 1, entry.replacement);
    case Delete: return Splice(s, e + 1, std::string_view());
    case InsertAfter: return Splice(e + 1, e + 1, entry.replacement);
    case InsertBefore: return Splice(s, s, entry.replacement);
    case Callback: return entry.handler(*this, entry, start, end, input_, position_, entry.data);
  }
  return ActionNone;
}

// Puts `insert` in place of input[from, to) in the result. Refused when the
// range reaches back into text already rewritten or beyond the scan position.
int PatternList::Splice(size_t from, size_t to, std::string_view insert) {
  if (!applying_ || from < copied_ || from > to || to > position_ + 1 || to > input_.size())
    return ActionNone;
  // The first change sizes the result once for the usual case of a text
  // that shrinks or grows up to twice its size, or by 64 MB for a larger
  // one (room never written costs no memory).
  if (result_.capacity() < input_.size())
    result_.reserve(input_.size() + std::min(input_.size(), size_t{64} << 20));
  MakeResultRoom(from - copied_ + insert.size(), to);
  result_.append(input_, copied_, from - copied_);
  const size_t inserted_at = result_.size();
  result_.append(insert);
  if (noted_changes_ != nullptr) noted_changes_->emplace_back(inserted_at, result_.size());
  copied_ = to;
  handler_changed_ = true;
  return ActionChanged;
}

// Room in the result for `more` bytes, with `consumed` bytes of the input
// done. A result that outgrows its room gets room for all of it at the
// rate it has grown so far, in a buffer of its own: grown by doubling, it
// would hold its old and its new room at once, several times its size.
// Room that is never written costs no memory.
void PatternList::MakeResultRoom(size_t more, size_t consumed) {
  const size_t needed = result_.size() + more;
  if (needed <= result_.capacity()) return;
  size_t room = needed;
  if (consumed < input_.size()) {
    const double rate = std::min(
        16.0, static_cast<double>(needed) / static_cast<double>(std::max<size_t>(consumed, 1)));
    const size_t projected =
        static_cast<size_t>(static_cast<double>(input_.size()) * rate * 1.05) + 4096;
    room =
        std::max({needed, input_.size(), projected, result_.capacity() + result_.capacity() / 2});
  }
  std::string grown;
  try {
    grown.reserve(room);
  } catch (const std::bad_alloc&) {
    // A rate seen early may ask for more than there is: the result then
    // grows as it can.
    grown.reserve(std::max(needed, result_.capacity() + result_.capacity() / 2));
  }
  grown.append(result_);
  result_.swap(grown);
}

int PatternList::ReplaceMatch(std::string_view replacement) {
  return ReplaceText(match_start_, match_end_, replacement);
}

int PatternList::ReplaceText(long start, long end, std::string_view replacement) {
  if (!applying_ || start < 0 || end < 0 || end < start ||
      static_cast<size_t>(end) >= input_.size())
    return ActionNone;
  return Splice(static_cast<size_t>(start), static_cast<size_t>(end) + 1, replacement);
}

int PatternList::InsertText(long offset, std::string_view insert) {
  if (!applying_ || offset < 0) return ActionNone;
  return Splice(static_cast<size_t>(offset), static_cast<size_t>(offset), insert);
}

namespace {

// Whether a match of `entry` is a tag that the action takes away: the
// pattern is '<', then name characters and classes that hold neither '<'
// nor '>' (name end, white space, digits, letters), then at most "**>" or a
// final '>'; nothing in it can take a '>' before its end ("**" stops at the
// first '>'). The action deletes the match or replaces it by text without a
// '<'.
bool RemovesATag(const Pattern& entry) {
  if (entry.kind != Delete && entry.kind != Replace) return false;
  if (entry.replacement.find('<') != std::string::npos) return false;
  const std::string& t = entry.text;
  const size_t n = t.size();
  if (n < 2 || t[0] != '<') return false;
  for (size_t i = 1; i < n; ++i) {
    const char c = t[i];
    if (std::isalnum(static_cast<unsigned char>(c)) || c == '/' || c == '!' || c == '-') continue;
    if (c == '>' && i + 1 == n) continue;
    if ((c == '%' || c == '*' || c == '?') && i + 1 < n) {
      const char set = t[i + 1];
      const bool plain_class = std::string_view("/W1ZAa").find(set) != std::string_view::npos;
      const bool run_to_close = c == '*' && set == '*' && i + 3 == n && t[n - 1] == '>';
      if (plain_class || run_to_close) {
        ++i;
        continue;
      }
    }
    return false;
  }
  return true;
}

}  // namespace

bool TagsMayMatchAcrossChanges(const PatternList& list, std::string_view text,
                               const PatternList::ChangeSpans& changes) {
  for (size_t e = 0; e < list.Size(); ++e)
    if (!RemovesATag(list.Entry(e))) return true;
  // Whether the last '<' or '>' so far is a '<', carried from one change to
  // the next over the text between them.
  bool open = false;
  size_t from = 0;
  for (const auto& [begin, end] : changes) {
    if (begin < from || end < begin || end > text.size()) return true;  // not from one application
    for (size_t k = begin; k > from; --k) {
      if (text[k - 1] == '<' || text[k - 1] == '>') {
        open = text[k - 1] == '<';
        break;
      }
    }
    if (open) return true;
    const std::string_view put_in = text.substr(begin, end - begin);
    if (put_in.find('<') != std::string_view::npos) return true;
    if (put_in.find('>') != std::string_view::npos) open = false;
    from = end;
  }
  return false;
}

}  // namespace orv
