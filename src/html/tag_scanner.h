// The remaining-tag pass: after the structural pattern lists have run, one
// scan with `<**>` visits every tag that is left. Text output deletes them
// all; markup removal deletes whole tag families by the tag catalogue and
// hands the survivors to the tag rewriter.
#pragma once

#include <functional>
#include <string>
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
  // Counts one occurrence. A hash lookup, so a tag with very many distinct
  // problems still costs time linear in its length.
  void Add(const std::string& message);
  // Reports every distinct message in order of first occurrence.
  void ReportAll(const ReportFunction& report, int level) const;
  bool Empty() const { return messages_.empty(); }
  void Clear() {
    messages_.clear();
    index_.clear();
  }

 private:
  std::vector<std::pair<std::string, int>> messages_;
  // Message text to its position in messages_.
  std::unordered_map<std::string, size_t> index_;
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

// Runs the remaining-tag pass over `text` when it holds both "<" and ">".
// Returns the number of tags deleted or rewritten. `rewriter` may be empty,
// in which case a tag that is not deleted stays as it is.
int RemainingTagPass(std::string& text, const DetagOptions& options, const TagCatalogue& catalogue,
                     const TagRewriter& rewriter, const ReportFunction& report);

}  // namespace orv
