// The remaining-tag pass: after the structural pattern lists have run, one
// scan with `<**>` visits every tag that is left. Text output deletes them
// all; markup removal deletes whole tag families by the tag catalogue and
// hands the survivors to the tag rewriter.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "common/report.h"

namespace orv {

struct DetagOptions;
class TagCatalogue;

// Messages that may occur many times in one pass: a repeated message only
// raises its count, and each is reported once at the end with " (N times)".
class CountedMessages {
 public:
  CountedMessages() = default;
  CountedMessages(const CountedMessages&) = delete;
  CountedMessages& operator=(const CountedMessages&) = delete;
  CountedMessages(CountedMessages&&) = default;
  CountedMessages& operator=(CountedMessages&&) = default;

  // Counts one occurrence. A hash lookup, so a tag with very many distinct
  // problems still costs time linear in its length.
  void Add(std::string_view message);
  // Reports every distinct message in order of first occurrence.
  void ReportAll(const ReportFunction& report, int level) const;
  bool Empty() const { return entries_.empty(); }
  void Clear();

 private:
  struct Entry {
    const char* text;  // the kept form, in one of blocks_
    uint32_t size;
    uint32_t count;    // stops at its largest value
    std::string_view Text() const { return {text, size}; }
  };
  std::string_view Keep(std::string_view text);
  void Grow();

  // The number of the prefix of `message` (the words before its last
  // one), added when new; kNoPrefix once there are too many.
  uint8_t PrefixOf(std::string_view message, size_t& prefix_size);
  static constexpr uint8_t kNoPrefix = 255;

  // A page of many distinct unknown tags gives a message for each: their
  // texts lie side by side in large blocks, and the table of slots holds
  // only positions, so each message costs little more than its text. The
  // words before a message's last one ("INFO: Removing unknown tag ") are
  // mostly those of many others: they are kept once, and a message's kept
  // text is the number of its prefix (one byte) and the rest.
  // In order of first occurrence; a deque, so that it never holds its old
  // and its new room at once while it grows.
  std::deque<Entry> entries_;
  std::deque<std::string> prefixes_;  // by number; they never move
  std::unordered_map<std::string_view, uint8_t> prefix_numbers_;
  std::string key_;  // the kept form of the message being added
  // Open addressing: entry index + 1, 0 for an empty slot; a power of two
  // in size, at most half full.
  std::vector<uint32_t> slots_;
  std::vector<std::unique_ptr<char[]>> blocks_;
  size_t block_room_ = 0;  // bytes still free at the end of the last block
};

// Rewrites one surviving tag in markup-removal mode. Returns true and sets
// `replacement` when the tag changed; messages go to `messages`.
using TagRewriter =
    std::function<bool(const std::string& tag, std::string& replacement, CountedMessages& messages)>;

// True when any policy that calls for the tag rewriter is on.
bool RewriterWanted(const DetagOptions& options);

// The remaining-tag pass of text output, without a pattern list: each "<"
// that is not an operator ("<" followed by white space, "=" or "<") starts
// a tag that runs to the next ">" and is deleted; an operator "<" and a "<"
// with no ">" after it stay. Works in place, returns the number of tags
// deleted. Linear in the text, whatever it holds.
int RemoveAllTagsInPlace(std::string& text);
// The same on a copy: appends `text` without its tags to `out`, one pass
// and no copy of what is deleted. Returns the number of tags deleted.
int AppendWithoutTags(std::string_view text, std::string& out);
// The same, on a text of at least `worth_splitting` bytes in two halves
// side by side (a second thread), where a line start past the middle has
// no tag open across it; else on one thread. The same text and count.
int RemoveAllTagsInPlaceSplit(std::string& text, size_t worth_splitting);

// Runs the remaining-tag pass over `text` when it holds both "<" and ">".
// Returns the number of tags deleted or rewritten. `rewriter` may be empty,
// in which case a tag that is not deleted stays as it is.
int RemainingTagPass(std::string& text, const DetagOptions& options, const TagCatalogue& catalogue,
                     const TagRewriter& rewriter, const ReportFunction& report);

}  // namespace orv
