// The remaining-tag pass and its counted messages.
#include "html/tag_scanner.h"

#include <algorithm>
#include <limits>
#include <string_view>

#include "common/side_by_side.h"
#include "html/detag_options.h"
#include "html/parsed_tag.h"
#include "html/pattern_list.h"
#include "html/tag_catalogue.h"

namespace orv {

namespace {

// Messages are kept in blocks of this size; a longer one has its own.
constexpr size_t kMessageBlockSize = 64 * 1024;

}  // namespace

std::string_view CountedMessages::Keep(std::string_view text) {
  if (text.empty()) return {};
  if (text.size() > kMessageBlockSize) {
    // A long message has a block of its own, placed before the block that
    // is being filled.
    auto own = std::make_unique<char[]>(text.size());
    std::copy(text.begin(), text.end(), own.get());
    const std::string_view kept(own.get(), text.size());
    blocks_.insert(blocks_.empty() ? blocks_.end() : blocks_.end() - 1, std::move(own));
    return kept;
  }
  if (text.size() > block_room_) {
    blocks_.push_back(std::make_unique<char[]>(kMessageBlockSize));
    block_room_ = kMessageBlockSize;
  }
  char* at = blocks_.back().get() + (kMessageBlockSize - block_room_);
  std::copy(text.begin(), text.end(), at);
  block_room_ -= text.size();
  return {at, text.size()};
}

void CountedMessages::Grow() {
  std::vector<uint32_t> slots(std::max<size_t>(slots_.size() * 2, 64), 0);
  const size_t mask = slots.size() - 1;
  for (size_t i = 0; i < entries_.size(); ++i) {
    size_t at = std::hash<std::string_view>()(entries_[i].Text()) & mask;
    while (slots[at] != 0) at = (at + 1) & mask;
    slots[at] = static_cast<uint32_t>(i + 1);
  }
  slots_.swap(slots);
}

uint8_t CountedMessages::PrefixOf(std::string_view message, size_t& prefix_size) {
  // Prefixes longer than this are not worth a number of their own.
  constexpr size_t kLongestPrefix = 120;
  prefix_size = 0;
  const size_t space = message.rfind(' ');
  if (space == std::string_view::npos || space + 1 > kLongestPrefix) return kNoPrefix;
  const std::string_view prefix = message.substr(0, space + 1);
  if (const auto found = prefix_numbers_.find(prefix); found != prefix_numbers_.end()) {
    prefix_size = prefix.size();
    return found->second;
  }
  if (prefixes_.size() >= kNoPrefix) return kNoPrefix;
  const uint8_t number = static_cast<uint8_t>(prefixes_.size());
  prefixes_.emplace_back(prefix);
  prefix_numbers_.emplace(prefixes_.back(), number);
  prefix_size = prefix.size();
  return number;
}

void CountedMessages::Add(std::string_view message) {
  // Beyond four thousand million bytes a message is cut (no tag is that
  // long); beyond that many distinct messages the rest go uncounted.
  message = message.substr(0, std::numeric_limits<uint32_t>::max() - 1);
  if (entries_.size() >= std::numeric_limits<uint32_t>::max() - 1) return;
  size_t prefix_size = 0;
  const uint8_t prefix = PrefixOf(message, prefix_size);
  key_.assign(1, static_cast<char>(prefix));
  key_.append(message.substr(prefix_size));
  if ((entries_.size() + 1) * 2 > slots_.size()) Grow();
  const size_t mask = slots_.size() - 1;
  size_t at = std::hash<std::string_view>()(key_) & mask;
  for (; slots_[at] != 0; at = (at + 1) & mask) {
    Entry& entry = entries_[slots_[at] - 1];
    if (entry.Text() == key_) {
      if (entry.count != std::numeric_limits<uint32_t>::max()) ++entry.count;
      return;
    }
  }
  entries_.push_back({Keep(key_).data(), static_cast<uint32_t>(key_.size()), 1});
  slots_[at] = static_cast<uint32_t>(entries_.size());
}

void CountedMessages::Clear() {
  entries_.clear();
  slots_.clear();
  blocks_.clear();
  block_room_ = 0;
  prefix_numbers_.clear();
  prefixes_.clear();
}

void CountedMessages::ReportAll(const ReportFunction& report, int level) const {
  if (!report) return;
  for (const Entry& entry : entries_) {
    const std::string_view kept = entry.Text();
    const uint8_t prefix = static_cast<uint8_t>(kept.front());
    std::string text = prefix == kNoPrefix ? std::string() : prefixes_[prefix];
    text += kept.substr(1);
    if (entry.count > 1) text += " (" + std::to_string(entry.count) + " times)";
    report(text, level);
  }
}

bool RewriterWanted(const DetagOptions& options) {
  return options.remove_non_standard_tags || options.remove_non_standard_attributes ||
         options.remove_style_sheet || options.remove_office_tags || options.tags_to_lower ||
         options.tags_to_upper;
}

namespace {

inline bool EndsFirstWord(char c) { return c == ' ' || c == '\n' || c == '\t'; }

// "<" followed by white space, "<=" and "<<" are operators, not tags.
inline bool IsOperatorStart(char c) { return EndsFirstWord(c) || c == '=' || c == '<'; }

struct PassState {
  const DetagOptions& options;
  const TagCatalogue& catalogue;
  const TagRewriter& rewriter;
  bool rewriter_wanted;
  CountedMessages messages;
};

// The tag name of a match: after "<" or "</", up to white space, "/" or
// ">". Only looks at the name's own characters, so a huge match costs no
// more than a short one.
std::string_view TagName(std::string_view match) {
  size_t begin = 1;
  if (match.size() > 1 && match[1] == '/') begin = 2;
  size_t end = begin;
  while (end < match.size() && !EndsFirstWord(match[end]) && match[end] != '/' && match[end] != '>')
    ++end;
  return match.substr(begin, end - begin);
}

// What becomes of one tag in markup removal: false when it stays as it is,
// else true with its replacement (empty when it goes).
bool OnTag(PassState& state, std::string_view match, std::string& replacement) {
  replacement.clear();
  if (match.size() < 2 || IsOperatorStart(match[1])) return false;
  const std::string_view name = TagName(match);
  bool remove = false;
  switch (state.catalogue.FamilyOf(name)) {
    case TagFamily::kHtml: remove = state.options.remove_all_html_tags; break;
    case TagFamily::kMail: remove = state.options.remove_mail_tags; break;
    case TagFamily::kOffice: remove = state.options.remove_office_tags; break;
    case TagFamily::kNone: break;
  }
  if (remove) return true;
  if (!state.rewriter_wanted || !state.rewriter) return false;
  return state.rewriter(std::string(match), replacement, state.messages);
}

}  // namespace

namespace {

// Calls on_tag(start, close) for each tag that RemoveAllTagsInPlace deletes
// from `text`, in order: from a "<" that is not an operator to the next
// ">". Each search for ">" starts past the previous tag, and a failed one
// ends the walk, so the walk reads the text about once.
template <typename OnTag>
void ForEachRemovableTag(std::string_view text, OnTag on_tag) {
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    const size_t start = text.find('<', i);
    if (start == std::string::npos || start + 1 >= n) break;
    if (IsOperatorStart(text[start + 1])) {
      i = start + 1;
      continue;
    }
    const size_t close = text.find('>', start + 1);
    if (close == std::string::npos) break;
    on_tag(start, close);
    i = close + 1;
  }
}

// RemoveAllTagsInPlace on the `n` bytes at `data`: the kept bytes move
// down in place; returns their count and adds the tags deleted to
// `deleted`.
size_t RemoveTagsInRange(char* data, size_t n, int& deleted) {
  // The kept text moves down in place: `out` is where the next kept piece
  // goes, `copied` where it starts in the text.
  size_t out = std::string::npos;
  size_t copied = 0;
  ForEachRemovableTag(std::string_view(data, n), [&](size_t start, size_t close) {
    if (out == std::string::npos) {
      out = start;  // the kept text before the first tag is already in place
    } else {
      std::copy(data + copied, data + start, data + out);
      out += start - copied;
    }
    copied = close + 1;
    ++deleted;
  });
  if (out == std::string::npos) return n;
  std::copy(data + copied, data + n, data + out);
  return out + (n - copied);
}

}  // namespace

int RemoveAllTagsInPlace(std::string& text) {
  int deleted = 0;
  const size_t kept = RemoveTagsInRange(text.data(), text.size(), deleted);
  if (deleted > 0) text.resize(kept);
  return deleted;
}

int AppendWithoutTags(std::string_view text, std::string& out) {
  int deleted = 0;
  size_t copied = 0;
  ForEachRemovableTag(text, [&](size_t start, size_t close) {
    out.append(text, copied, start - copied);
    copied = close + 1;
    ++deleted;
  });
  out.append(text, copied, std::string_view::npos);
  return deleted;
}

int RemoveAllTagsInPlaceSplit(std::string& text, size_t worth_splitting) {
  const size_t n = text.size();
  if (n < worth_splitting || n < 2) return RemoveAllTagsInPlace(text);
  // The cut: the start of a line past the middle. Every "<" before it must
  // find its ">" before it too; then the pass over the whole text reaches
  // the cut with no tag under way, and the part after it goes as a pass
  // of its own would take it.
  const size_t feed = text.find('\n', n / 2);
  if (feed == std::string::npos || feed + 1 >= n) return RemoveAllTagsInPlace(text);
  const size_t cut = feed + 1;
  const size_t last_open = text.rfind('<', cut - 1);
  if (last_open != std::string::npos) {
    const size_t close = text.find('>', last_open + 1);
    if (close == std::string::npos || close >= cut) return RemoveAllTagsInPlace(text);
  }
  char* const data = text.data();
  int deleted = 0, deleted_after = 0;
  size_t kept_before = 0, kept_after = 0;
  if (!RunSideBySide([&] { kept_before = RemoveTagsInRange(data, cut, deleted); },
                     [&] { kept_after = RemoveTagsInRange(data + cut, n - cut, deleted_after); }))
    return RemoveAllTagsInPlace(text);
  deleted += deleted_after;
  if (kept_before != cut) std::copy(data + cut, data + cut + kept_after, data + kept_before);
  text.resize(kept_before + kept_after);
  return deleted;
}

int RemainingTagPass(std::string& text, const DetagOptions& options, const TagCatalogue& catalogue,
                     const TagRewriter& rewriter, const ReportFunction& report) {
  if (text.find('<') == std::string::npos || text.find('>') == std::string::npos) return 0;
  // Text output deletes every tag, which needs no pattern list.
  if (options.TextMode()) return RemoveAllTagsInPlace(text);
  PassState state{options, catalogue, rewriter, RewriterWanted(options), {}};
  // Each tag from its "<" to its end (FindTagEnd) is removed, rewritten or
  // kept; after a kept one the search goes on from the character after its
  // "<", so that "<a <b>" still yields "<b>". Comments are kept as they
  // stand, the tags inside them too; one that is never closed hides the
  // rest of the text, as it does in a browser.
  std::string out;
  std::string replacement;
  size_t copied = 0;
  int actions = 0;
  const size_t n = text.size();
  for (size_t start = text.find('<'); start != std::string::npos && start + 1 < n;
       start = text.find('<', start)) {
    if (text.compare(start, 4, "<!--") == 0) {
      const size_t close = text.find("-->", start + 4);
      if (close == std::string::npos) break;
      start = close + 3;
      continue;
    }
    const size_t end = FindTagEnd(text, start);
    if (end == std::string::npos) break;
    if (!OnTag(state, std::string_view(text).substr(start, end - start + 1), replacement)) {
      ++start;
      continue;
    }
    if (actions == 0) out.reserve(n);
    out.append(text, copied, start - copied);
    out += replacement;
    copied = end + 1;
    start = end + 1;
    ++actions;
  }
  if (actions > 0) {
    out.append(text, copied, std::string::npos);
    text.swap(out);
    std::string().swap(out);  // the text as it was goes before the messages
  }
  state.messages.ReportAll(report, 10);
  return actions;
}

}  // namespace orv
